#include "calls/SpeechAnnouncer.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "platform/EspeakSpeechEngine.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

// The synthesiser is set up once per process, so a missing voice has an executable of
// its own: it must fail before any test sets the synthesiser up properly.
class TestEspeakEngineNoData : public QObject
{
    Q_OBJECT

    TestEnv FEnv;

private slots:
    void missingVoiceDataFailsQuietly()
    {
        const QString empty = FEnv.path(QStringLiteral("no-voice"));
        QVERIFY(QDir().mkpath(empty));
        GSpeakEnabled = true;
        gTraceOn = false;
        {
            SpeechAnnouncer announcer(std::make_unique<EspeakSpeechEngine>(QStringLiteral("default"), empty));
            announcer.CreateEngine();
            QVERIFY(!announcer.EngineCreated());
            QVERIFY(!announcer.engine()->ErrorText().isEmpty());
            announcer.AnnounceCall(QStringLiteral("やまだ"), QStringLiteral("ほんてん"));
            announcer.SpeechTest(QStringLiteral("やまだ"));
        }
        QFile f(gCurLogFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().endsWith(QStringLiteral(" 音声合成エンジンの作成に失敗しました。")));

        // Once the voice is found, creation succeeds after all.
        EspeakSpeechEngine engine(QStringLiteral("zuvaro_no_such_device"));
        QVERIFY2(engine.Create(), qPrintable(engine.ErrorText()));
        QVERIFY(!engine.Synthesize(QStringLiteral("やまだ"), 140).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEspeakEngineNoData)
#include "tst_espeakengine_nodata.moc"
