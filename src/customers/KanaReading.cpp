#include "customers/KanaReading.h"

#include "core/Helpers.h"

#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>

extern "C" {
#include <libkakasi.h>
}

namespace KanaReading {
namespace {
QMutex gLock;

bool ensureKakasi()
{
    static bool ready = [] {
        // kakasi parses its options like a command line and keeps them process-wide.
        static char a0[] = "kakasi", a1[] = "-ieuc", a2[] = "-oeuc", a3[] = "-JK", a4[] = "-HK";
        char* argv[] = {a0, a1, a2, a3, a4, nullptr};
        return kakasi_getopt_argv(5, argv) == 0;
    }();
    return ready;
}

const QHash<QChar, QString>& halfTable()
{
    static const QHash<QChar, QString> table = [] {
        QHash<QChar, QString> t;
        for (char16_t u = 0xFF66; u <= 0xFF9D; ++u) {
            const QString half(QChar{u});
            t.insert(ToFullWidth(half).at(0), half);
            for (char16_t mark : {char16_t(0xFF9E), char16_t(0xFF9F)}) {
                const QString voiced = half + QChar{mark};
                const QString full = ToFullWidth(voiced);
                if (full.size() == 1)
                    t.insert(full.at(0), voiced);
            }
        }
        t.insert(QChar(0x30FC), QString(QChar(0xFF70)));
        t.insert(QChar(0x3001), QString(QChar(0xFF64)));
        t.insert(QChar(0x3002), QString(QChar(0xFF61)));
        t.insert(QChar(0x30FB), QString(QChar(0xFF65)));
        t.insert(QChar(0x3000), QStringLiteral(" "));
        return t;
    }();
    return table;
}
} // namespace

QString Katakana(const QString& text)
{
    if (text.isEmpty())
        return QString();
    QMutexLocker locker(&gLock);
    if (!ensureKakasi())
        return QString();
    QStringEncoder toEuc("EUC-JP");
    QByteArray bytes = toEuc.encode(text);
    QString out;
    // kakasi reads one line at a time; feed it line by line.
    for (QByteArray line : bytes.split('\n')) {
        if (!out.isEmpty())
            out += QLatin1Char('\n');
        if (line.isEmpty())
            continue;
        char* result = kakasi_do(line.data());
        if (!result)
            continue;
        QStringDecoder fromEuc("EUC-JP");
        out += fromEuc.decode(QByteArray(result));
        kakasi_free(result);
    }
    return out;
}

QString ToHalfWidthKana(const QString& text)
{
    const auto& table = halfTable();
    QString out;
    out.reserve(text.size() * 2);
    for (QChar c : text) {
        auto it = table.constFind(c);
        out += it == table.constEnd() ? QString(c) : it.value();
    }
    return out;
}

QString ForKanaType(const QString& text, int kanaType)
{
    if (kanaType == 1)
        return QString();
    const QString kana = Katakana(text);
    return kanaType == 2 ? ToHalfWidthKana(kana) : ToFullWidth(kana);
}

bool HasJapanese(const QString& text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3040 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF) ||
            u == 0x3005 || (u >= 0xFF66 && u <= 0xFF9F))
            return true;
    }
    return false;
}

} // namespace KanaReading
