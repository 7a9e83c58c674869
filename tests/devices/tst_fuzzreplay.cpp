// Replays the fuzz target's seed inputs (and some generated ones) through its entry
// function, so the target keeps building and passing in the normal suite.
#include "../../fuzz/TelProtocolFuzz.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

class TestFuzzReplay : public QObject
{
    Q_OBJECT

private slots:
    void seeds()
    {
        const QDir dir(QStringLiteral(ZUVARO_FUZZ_CORPUS));
        const QStringList files = dir.entryList(QDir::Files);
        QVERIFY(files.size() >= 3);
        for (const QString& name : files) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            QCOMPARE(TelProtocolFuzzOne(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), 0);
        }
    }

    void randomInputs()
    {
        QRandomGenerator rng(20240501);
        for (int n = 0; n < 300; ++n) {
            QByteArray bytes(int(rng.bounded(1, 400)), Qt::Uninitialized);
            for (char& c : bytes)
                c = char(rng.bounded(256));
            QCOMPARE(TelProtocolFuzzOne(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "tst_fuzzreplay.moc"
