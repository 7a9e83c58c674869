#include "calls/DialAddress.h"

#include "core/CommaText.h"

#include <QStringList>
#include <QUrl>

namespace DialAddress {

bool IsAddress(const QString& text)
{
    return text.startsWith(QLatin1String("zuvaro:"), Qt::CaseInsensitive);
}

QStringList SplitCommaText(const QString& text)
{
    return CommaText::Split(text);
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
            // Percent-decoded after splitting, so an encoded "&" or "," stays part of the value.
            request.TelNo = QUrl::fromPercentEncoding(entry.mid(eq + 1).toUtf8());
            break;
        }
    }
    return request;
}

bool CleanDialNumber(const QString& raw, QString* number)
{
    number->clear();
    QString out;
    for (const QChar c : raw) {
        char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E) // full-width ASCII
            u = char16_t(u - 0xFF01 + 0x21);
        switch (u) {
        case u' ':
        case 0x3000: // ideographic space
        case u'-':
        case 0x2010: // hyphen
        case 0x2011: // non-breaking hyphen
        case 0x2012: // figure dash
        case 0x2013: // en dash
        case 0x2212: // minus sign
        case 0x30FC: // prolonged sound mark, often typed for a hyphen
            continue;
        default:
            break;
        }
        const bool allowed = (u >= u'0' && u <= u'9') || u == u'+' || u == u'*' || u == u'#';
        if (!allowed)
            return false;
        out += QChar(u);
    }
    if (out.size() > MaxDialDigits)
        return false;
    *number = out;
    return true;
}

QString RefusedNumberMessage(const QString& raw)
{
    // The number is shown as typed; control characters would break the message.
    QString shown;
    for (const QChar c : raw)
        shown += c.unicode() < 0x20 || c.unicode() == 0x7F ? QChar(u'?') : c;
    if (shown.size() > 60)
        shown = shown.left(60) + QStringLiteral("…");
    return QStringLiteral("電話番号「") + shown +
           QStringLiteral("」には発信できません。\r\n使える文字は数字と + * # だけで、%1桁までです。").arg(MaxDialDigits);
}

} // namespace DialAddress
