#include "core/Helpers.h"

#include <QDateTime>

QString QuotedSql(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

QString NullOrText(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("null") : text;
}

QString DoubleQuoted(const QString& text)
{
    QString s = text;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString FlagText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

bool IsFlagOn(const QString& text)
{
    return text == QLatin1String("1");
}

int YearsBetween(const QDate& earlier, const QDate& later)
{
    int years = later.year() - earlier.year();
    if (later.month() < earlier.month() || (later.month() == earlier.month() && later.day() < earlier.day()))
        --years;
    return years;
}

namespace {
// Half-width katakana U+FF61..U+FF9F to full width, in code order.
const char16_t kHalfKana[] = u"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜";

// Base kana plus a combining (semi-)voiced mark, when Unicode has the composed letter.
QChar combineMark(QChar base, char16_t mark)
{
    const QString composed = (QString(base) + QChar(mark)).normalized(QString::NormalizationForm_C);
    return composed.size() == 1 ? composed.at(0) : QChar();
}
} // namespace

QString ToFullWidth(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u == 0x20) {
            out += QChar(0x3000);
        } else if (u > 0x20 && u < 0x7F) {
            out += QChar(char16_t(u - 0x21 + 0xFF01));
        } else if (u >= 0xFF61 && u <= 0xFF9F) {
            QChar full(kHalfKana[u - 0xFF61]);
            if (i + 1 < text.size()) {
                const char16_t next = text.at(i + 1).unicode();
                QChar combined = next == 0xFF9E   ? combineMark(full, 0x3099)
                                  : next == 0xFF9F ? combineMark(full, 0x309A)
                                                   : QChar();
                if (!combined.isNull()) {
                    out += combined;
                    ++i;
                    continue;
                }
            }
            out += full;
        } else {
            out += text.at(i);
        }
    }
    return out;
}

QString RemoveHyphens(const QString& text)
{
    QString s = text;
    s.remove(QLatin1Char('-'));
    return s;
}

QString RemoveControlCharacters(const QString& text)
{
    QString s = text;
    s.removeIf([](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    return s;
}

QString SqlDate(const QDate& d)
{
    return QuotedSql(d.toString(QStringLiteral("yyyy/MM/dd")));
}

QString SqlDateTime(const QDateTime& t)
{
    return QuotedSql(t.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
}
