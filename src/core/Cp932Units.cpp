#include "core/Cp932Units.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp932Units {

Table::Table() : FPair(65536, 0), FPairBack(65536, false)
{
    QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
    QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
    // The character of bytes and whether it is written back as them.
    auto read = [&](const QByteArray& bytes, bool* back) -> char16_t {
        const QString text = decoder(bytes);
        const bool ok = !decoder.hasError() && text.size() == 1 && text.at(0) != QChar::ReplacementCharacter &&
                        !text.at(0).isNull() && !text.at(0).isSurrogate();
        *back = ok && encoder(text) == bytes && !encoder.hasError();
        // The error flag sticks to a converter: start afresh after a failure.
        if (decoder.hasError())
            decoder = QStringDecoder("windows-31j", QStringConverter::Flag::Stateless);
        if (encoder.hasError())
            encoder = QStringEncoder("windows-31j", QStringConverter::Flag::Stateless);
        return ok ? char16_t(text.at(0).unicode()) : char16_t(0);
    };
    for (int b = 0; b < 256; ++b) {
        bool back = false;
        if (!isLead((unsigned char)b))
            FSingle[size_t(b)] = read(QByteArray(1, char(b)), &back);
        FSingleBack[size_t(b)] = back;
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead((unsigned char)lead))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const char bytes[2] = {char(lead), char(trail)};
            bool back = false;
            const size_t i = size_t(lead) << 8 | size_t(trail);
            FPair[i] = read(QByteArray(bytes, 2), &back);
            FPairBack[i] = back;
        }
    }
}

const Table& table()
{
    static const Table t;
    return t;
}

} // namespace Cp932Units
