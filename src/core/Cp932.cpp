#include "core/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Cp932 {

QByteArray encode(const QString& text, bool* ok)
{
    QStringEncoder encoder("windows-31j");
    QByteArray out = encoder(text);
    if (ok)
        *ok = !encoder.hasError();
    return out;
}

QString decode(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-31j");
    return decoder(bytes);
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
