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
