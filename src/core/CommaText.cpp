#include "core/CommaText.h"

namespace {
bool isSeparator(QChar c)
{
    return c.unicode() <= ' ';
}

bool needsQuotes(const QString& entry)
{
    if (entry.isEmpty())
        return false;
    for (QChar c : entry)
        if (isSeparator(c) || c == QLatin1Char(',') || c == QLatin1Char('"'))
            return true;
    return false;
}
} // namespace

namespace CommaText {

QStringList Split(const QString& text)
{
    QStringList out;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        while (i < n && isSeparator(text.at(i)))
            ++i;
        if (i >= n)
            break;
        QString entry;
        if (text.at(i) == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        entry += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry += text.at(i++);
            }
            // Anything after the closing quote up to the next separator belongs to it too.
            while (i < n && text.at(i) != QLatin1Char(',') && !isSeparator(text.at(i)))
                entry += text.at(i++);
        } else {
            while (i < n && text.at(i) != QLatin1Char(',') && !isSeparator(text.at(i)))
                entry += text.at(i++);
        }
        out << entry;
        while (i < n && isSeparator(text.at(i)))
            ++i;
        if (i < n && text.at(i) == QLatin1Char(','))
            ++i;
    }
    return out;
}

QString Join(const QStringList& entries)
{
    // A single empty entry would vanish without its quotes.
    if (entries.size() == 1 && entries.first().isEmpty())
        return QStringLiteral("\"\"");
    QStringList parts;
    for (const QString& e : entries) {
        if (needsQuotes(e)) {
            QString quoted = e;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            parts << QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            parts << e;
        }
    }
    return parts.join(QLatin1Char(','));
}

} // namespace CommaText
