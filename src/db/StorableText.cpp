#include "db/StorableText.h"

#include "core/InputError.h"
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
    throw InputError(message, field);
}

QString StorableFallback(const QString& text, int maxBytes)
{
    bool ascii = true;
    for (const QChar c : text)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return text.size() <= maxBytes ? text : text.left(maxBytes);
    QString out;
    if (Cp932::canEncode(text)) {
        out = text;
    } else {
        const QList<uint> points = text.toUcs4();
        for (const uint p : points) {
            const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&p), 1);
            out += Cp932::canEncode(one) ? one : QStringLiteral("〓");
        }
    }
    return Cp932::truncateToBytes(out, maxBytes);
}
