#include "admin/CallMemo.h"

#include "core/Cp932.h"

#include <QStringList>

namespace CallMemo {

QString FromEditor(const QString& plainText)
{
    if (plainText.isEmpty())
        return QString();
    QString out;
    for (const QString& line : plainText.split(QLatin1Char('\n')))
        out += line + QStringLiteral("\r\n");
    return out;
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
