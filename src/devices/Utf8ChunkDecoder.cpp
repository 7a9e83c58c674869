#include "devices/Utf8ChunkDecoder.h"

namespace {
constexpr char16_t kReplacement = 0xFFFD;

// Length of the sequence a lead byte starts, 0 when it cannot start one.
int SequenceLength(unsigned char b)
{
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    return 0;
}

// The allowed range of the second byte excludes overlong forms, surrogates and values
// above U+10FFFF.
bool SecondByteOk(unsigned char lead, unsigned char b)
{
    switch (lead) {
    case 0xE0:
        return b >= 0xA0 && b <= 0xBF;
    case 0xED:
        return b >= 0x80 && b <= 0x9F;
    case 0xF0:
        return b >= 0x90 && b <= 0xBF;
    case 0xF4:
        return b >= 0x80 && b <= 0x8F;
    default:
        return b >= 0x80 && b <= 0xBF;
    }
}

void Append(QString& out, char32_t cp)
{
    if (cp == 0x301C)
        cp = 0xFF5E;
    if (cp > 0xFFFF) {
        cp -= 0x10000;
        out.append(QChar(char16_t(0xD800 + (cp >> 10))));
        out.append(QChar(char16_t(0xDC00 + (cp & 0x3FF))));
    } else {
        out.append(QChar(char16_t(cp)));
    }
}
} // namespace

QString Utf8ChunkDecoder::Decode(const QByteArray& chunk)
{
    QByteArray data;
    if (FPending.isEmpty()) {
        data = chunk;
    } else {
        data = FPending + chunk;
        FPending.clear();
    }
    QString out;
    out.reserve(data.size());
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype n = data.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char lead = p[i];
        const int len = SequenceLength(lead);
        if (len == 1) {
            out.append(QChar(char16_t(lead)));
            ++i;
            continue;
        }
        if (len == 0) {
            out.append(QChar(kReplacement));
            ++i;
            continue;
        }
        // Check the continuation bytes that are there.
        int good = 1;
        while (good < len && i + good < n) {
            const unsigned char b = p[i + good];
            const bool ok = good == 1 ? SecondByteOk(lead, b) : (b >= 0x80 && b <= 0xBF);
            if (!ok)
                break;
            ++good;
        }
        if (good == len) {
            char32_t cp = lead & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
            for (int k = 1; k < len; ++k)
                cp = (cp << 6) | (p[i + k] & 0x3F);
            Append(out, cp);
            i += len;
        } else if (i + good == n) {
            // Cut by the end of the chunk: the rest comes with the next one.
            FPending = data.mid(i);
            break;
        } else {
            // One replacement for the broken start; decoding resumes at the offending byte.
            out.append(QChar(kReplacement));
            i += good;
        }
    }
    return out;
}
