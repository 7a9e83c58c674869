#include "db/StorableText.h"

#include "core/AppError.h"
#include "core/Cp932.h"
#include "core/DiagLog.h"

QString UnstorableTextMessage(const QString& field, const QString& character)
{
    const QString where = field.isEmpty() ? QStringLiteral("データベース") : QStringLiteral("「%1」").arg(field);
    return QStringLiteral("%1に登録できない文字（%2）が含まれています。").arg(where, character);
}

void CheckStorableText(const QString& field, const QString& text)
{
    // Most values (numbers, codes) are plain ASCII, which CP932 always holds.
    bool ascii = true;
    for (const QChar c : text)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii || Cp932::canEncode(text))
        return;
    const QString bad = Cp932::firstUnencodable(text);
    if (bad.isEmpty())
        return;
    const QString message = UnstorableTextMessage(field, bad);
    WriteLog(QStringLiteral("CheckStorableText ") + message);
    throw AppError(message);
}
