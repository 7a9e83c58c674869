#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "platform/EspeakSpeechEngine.h"
#include "platform/QtAudioOutput.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <cmath>

namespace {
const QString kAnnouncement = QStringLiteral("やまだからほんてんえ、でんわです");

double seconds(const QByteArray& samples, int rate)
{
    return double(samples.size() / 2) / rate;
}

double rms(const QByteArray& samples)
{
    const auto* s = reinterpret_cast<const qint16*>(samples.constData());
    const qsizetype n = samples.size() / 2;
    double sum = 0;
    for (qsizetype i = 0; i < n; ++i)
        sum += double(s[i]) * s[i];
    return n ? std::sqrt(sum / double(n)) : 0;
}

QStringList logLines()
{
    QFile f(gCurLogFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}
} // namespace

// The real synthesiser. Nothing here needs a sound card: audio goes to buffers, to
// ALSA's file device, or to a device that does not exist.
class TestEspeakEngine : public QObject
{
    Q_OBJECT

    TestEnv FEnv;

private slots:
    void kanaIsVoiced_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("hiragana") << kAnnouncement;
        QTest::newRow("katakana") << QStringLiteral("ヤマダカラホンテンエ、デンワデス");
    }
    void kanaIsVoiced()
    {
        QFETCH(QString, text);
        EspeakSpeechEngine engine;
        QVERIFY2(engine.Create(), qPrintable(engine.ErrorText()));
        const int rate = engine.SampleRate();
        QVERIFY(rate >= 8000);
        const QByteArray samples = engine.Synthesize(text, 140);
        // Fifteen morae at the default speed: brisk, yet well over a second of speech.
        QVERIFY2(seconds(samples, rate) > 1.2 && seconds(samples, rate) < 2.5,
                 qPrintable(QString::number(seconds(samples, rate))));
        QVERIFY2(rms(samples) > 500, qPrintable(QString::number(rms(samples))));
        // Not voiced: no real audio.
        QVERIFY(rms(engine.Synthesize(QString(), 140)) < 1);
    }

    void fasterSpeedIsShorter()
    {
        EspeakSpeechEngine engine;
        QVERIFY(engine.Create());
        const int rate = engine.SampleRate();
        const double slow = seconds(engine.Synthesize(kAnnouncement, 50), rate);
        const double normal = seconds(engine.Synthesize(kAnnouncement, 140), rate);
        const double fast = seconds(engine.Synthesize(kAnnouncement, 300), rate);
        QVERIFY2(slow > normal * 1.5 && normal > fast * 1.5,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(slow).arg(normal).arg(fast)));
    }

    void wavFile()
    {
        EspeakSpeechEngine engine;
        QVERIFY(engine.Create());
        const QByteArray samples = engine.Synthesize(kAnnouncement, 140);
        const QByteArray wav = EspeakSpeechEngine::ToWav(samples, engine.SampleRate());
        QCOMPARE(wav.size(), samples.size() + 44);
        QVERIFY(wav.startsWith("RIFF") && wav.mid(8, 8) == "WAVEfmt " && wav.mid(36, 4) == "data");
        QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 4), quint32(wav.size() - 8));
        QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 24), quint32(engine.SampleRate()));
        QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 40), quint32(samples.size()));
        QCOMPARE(wav.mid(44), samples);
    }

    void playbackReachesTheDevice()
    {
        const QString out = FEnv.path(QStringLiteral("played.raw"));
        EspeakSpeechEngine engine(QStringLiteral("file:FILE=") + out + QStringLiteral(",FORMAT=raw"));
        QVERIFY(engine.Create());
        engine.Play(kAnnouncement, 140);
        engine.WaitForIdle();
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray played = f.readAll();
        const QByteArray expected = engine.Synthesize(kAnnouncement, 140);
        // The voice adds a little noise of its own, so no two syntheses are alike.
        QVERIFY2(std::abs(played.size() - expected.size()) < expected.size() / 20,
                 qPrintable(QStringLiteral("%1 %2").arg(played.size()).arg(expected.size())));
        QVERIFY(rms(played) > 500);
        QVERIFY(logLines().isEmpty());
    }

    // The default device goes to the desktop's sound server where there is one; without
    // one, and for a device named explicitly, ALSA plays.
    void defaultDeviceUsesTheSoundServerWhenThereIsOne()
    {
        EspeakSpeechEngine named(QStringLiteral("zuvaro_no_such_device"));
        QVERIFY(named.Create());
        QCOMPARE(named.OutputName(), QStringLiteral("ALSA zuvaro_no_such_device"));
        EspeakSpeechEngine engine;
        QVERIFY(engine.Create());
        if (!QtAudioOutput::Available()) {
            QCOMPARE(engine.OutputName(), QStringLiteral("ALSA default"));
            QSKIP("no sound server here: the ALSA fallback is all there is to see");
        }
        QCOMPARE(engine.OutputName(), QStringLiteral("sound server"));
        QElapsedTimer timer;
        timer.start();
        engine.Play(kAnnouncement, 140);
        QVERIFY(timer.elapsed() < 500);
        engine.WaitForIdle();
        QVERIFY(logLines().isEmpty());
    }

    void noDeviceNeitherBlocksNorRepeats()
    {
        EspeakSpeechEngine engine(QStringLiteral("zuvaro_no_such_device"));
        QVERIFY(engine.Create());
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 5; ++i)
            engine.Play(kAnnouncement, 140);
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
        engine.WaitForIdle();
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(QStringLiteral("音声の再生に失敗しました。")), qPrintable(lines.first()));
        // Still synthesises for anyone who asks.
        QVERIFY(rms(engine.Synthesize(kAnnouncement, 140)) > 500);
    }

    void releaseAndCreateAgain()
    {
        EspeakSpeechEngine engine(QStringLiteral("zuvaro_no_such_device"));
        QVERIFY(engine.Create());
        engine.Play(kAnnouncement, 50);
        engine.Play(kAnnouncement, 50);
        QElapsedTimer timer;
        timer.start();
        engine.Release();
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(engine.Synthesize(kAnnouncement, 140).isEmpty());
        engine.Play(kAnnouncement, 140); // released: ignored
        QVERIFY(engine.Create());
        QVERIFY(rms(engine.Synthesize(kAnnouncement, 140)) > 500);
    }
};

QTEST_GUILESS_MAIN(TestEspeakEngine)
#include "tst_espeakengine.moc"
