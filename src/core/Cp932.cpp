#include "core/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace {
// Opening a converter is far dearer than converting a short text, and every field of
// every row passes through here: keep one per thread.
// Converters are not moved or reassigned: rebuilt in place when their error flag is set.
std::optional<QStringEncoder>& encoderSlot()
{
    thread_local std::optional<QStringEncoder> e;
    if (!e)
        e.emplace("windows-31j", QStringConverter::Flag::Stateless);
    return e;
}

std::optional<QStringDecoder>& decoderSlot()
{
    thread_local std::optional<QStringDecoder> d;
    if (!d)
        d.emplace("windows-31j", QStringConverter::Flag::Stateless);
    return d;
}

// The converter does not pass every ASCII code through: it trades a few control codes
// (0x1A, 0x1C, 0x7F) for others. The shortcut takes only what it leaves as it is, so that a
// text has the same bytes whether or not it also holds Japanese.
struct PassThrough
{
    bool encode[0x80];
    bool decode[0x80];
};

const PassThrough& passThrough()
{
    static const PassThrough table = [] {
        PassThrough t;
        for (int c = 0; c < 0x80; ++c) {
            QStringEncoder e("windows-31j", QStringConverter::Flag::Stateless);
            const QByteArray bytes = e(QString(QChar(c)));
            t.encode[c] = bytes.size() == 1 && bytes.at(0) == char(c);
            QStringDecoder d("windows-31j", QStringConverter::Flag::Stateless);
            const QString text = d(QByteArray(1, char(c)));
            t.decode[c] = text.size() == 1 && text.at(0).unicode() == c;
        }
        return t;
    }();
    return table;
}

bool passesThrough(const QByteArray& bytes)
{
    const PassThrough& t = passThrough();
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || !t.decode[u])
            return false;
    }
    return true;
}

bool passesThrough(const QString& text)
{
    const PassThrough& t = passThrough();
    for (QChar c : text)
        if (c.unicode() >= 0x80 || !t.encode[c.unicode()])
            return false;
    return true;
}
} // namespace

namespace Cp932 {

QByteArray encode(const QString& text, bool* ok)
{
    if (passesThrough(text)) {
        if (ok)
            *ok = true;
        return text.toLatin1();
    }
    std::optional<QStringEncoder>& slot = encoderSlot();
    QByteArray out = (*slot)(text);
    const bool failed = slot->hasError();
    // The error flag sticks to the converter; start a fresh one after the (rare) failure.
    if (failed)
        slot.reset();
    if (ok)
        *ok = !failed;
    return out;
}

QString decode(const QByteArray& bytes)
{
    if (passesThrough(bytes))
        return QString::fromLatin1(bytes);
    std::optional<QStringDecoder>& slot = decoderSlot();
    QString out = (*slot)(bytes);
    if (slot->hasError())
        slot.reset();
    return out;
}

bool canEncode(const QString& text)
{
    bool ok = false;
    encode(text, &ok);
    return ok;
}

int byteLength(const QString& text)
{
    return int(encode(text).size());
}

QString truncateToBytes(const QString& text, int maxBytes)
{
    int bytes = 0;
    for (int i = 0; i < text.size(); ++i) {
        const int n = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const int len = qMax(1, byteLength(text.mid(i, n)));
        if (bytes + len > maxBytes)
            return text.left(i);
        bytes += len;
        i += n - 1;
    }
    return text;
}

QString firstUnencodable(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        int n = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QString ch = text.mid(i, n);
        if (!canEncode(ch))
            return ch;
        i += n - 1;
    }
    return QString();
}

} // namespace Cp932
