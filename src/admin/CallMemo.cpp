#include "admin/CallMemo.h"

#include "core/Cp932.h"

#include <QStringList>

namespace CallMemo {

QString FromEditor(const QString& plainText)
{
    // Line breaks after the last line (an Enter pressed at the end) are not part of the memo:
    // a one-line memo must show whole in a one-line grid cell.
    QString text = plainText;
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.isEmpty())
        return QString();
    return text.split(QLatin1Char('\n')).join(QStringLiteral("\r\n"));
}

QString ToEditor(const QString& memo)
{
    QString text = memo;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

bool TooLong(const QString& memo)
{
    return Cp932::byteLength(memo) > kMaxBytes;
}

QString TooLongMessage()
{
    return QStringLiteral("文字数が規定範囲を超えています。(最大半角4000文字)");
}

} // namespace CallMemo
