#include "calls/DialAddress.h"

#include <QStringList>

namespace DialAddress {

bool IsAddress(const QString& text)
{
    return text.startsWith(QLatin1String("zuvaro:"), Qt::CaseInsensitive);
}

QStringList SplitCommaText(const QString& text)
{
    QStringList out;
    int i = 0;
    const int n = text.size();
    auto isSeparator = [](QChar c) { return c.unicode() <= ' '; };
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

TDialRequest Parse(const QString& text)
{
    TDialRequest request;
    QString rest = text;
    const int at = rest.indexOf(QLatin1String("zuvaro:"), 0, Qt::CaseInsensitive);
    if (at >= 0)
        rest.remove(at, 7);
    rest = rest.toLower();
    const int q = rest.indexOf(QLatin1Char('?'));
    const QString command = q >= 0 ? rest.left(q) : rest;
    QString params = q >= 0 ? rest.mid(q + 1) : rest;
    params.replace(QLatin1Char('&'), QLatin1Char(','));
    if (command != QLatin1String("dial"))
        return request;
    request.IsDial = true;
    for (const QString& entry : SplitCommaText(params)) {
        const int eq = entry.indexOf(QLatin1Char('='));
        if (eq > 0 && entry.left(eq).compare(QLatin1String("telno"), Qt::CaseInsensitive) == 0) {
            request.TelNo = entry.mid(eq + 1);
            break;
        }
    }
    return request;
}

} // namespace DialAddress
