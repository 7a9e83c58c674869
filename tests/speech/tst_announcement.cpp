#include "calls/Announcement.h"
#include "calls/SpeechAnnouncer.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "platform/SpeechEngine.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QtTest>

namespace {
// What the engine was asked to do; outlives the engine, which the announcer owns.
struct EngineRecord
{
    bool createSucceeds = true;
    int creates = 0;
    int releases = 0;
    QList<QPair<QString, int>> played;
};

// Records what would be spoken, for a machine without a voice.
class RecordingEngine : public SpeechEngine
{
public:
    explicit RecordingEngine(EngineRecord* record) : FRecord(record) {}
    bool Create() override
    {
        ++FRecord->creates;
        return FRecord->createSucceeds;
    }
    void Play(const QString& text, int speed) override { FRecord->played.append({text, speed}); }
    void Release() override { ++FRecord->releases; }
    QString ErrorText() const override { return FRecord->createSucceeds ? QString() : QStringLiteral("no voice"); }

private:
    EngineRecord* FRecord;
};

// Diagnostic log lines without their time stamps.
QStringList logLines()
{
    QFile f(gCurLogFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        lines.append(line.mid(20));
    return lines;
}
} // namespace

class TestAnnouncement : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> FEnv;
    EngineRecord* FEngine = nullptr;
    std::unique_ptr<EngineRecord> FRecord;
    std::unique_ptr<SpeechAnnouncer> FAnnouncer;

private slots:
    void init()
    {
        FEnv = std::make_unique<TestEnv>();
        GSpeakEnabled = true;
        GSpeed = 140;
        GIndex1 = 1;
        GIndex2 = 2;
        GFoot1 = QStringLiteral("から");
        GFoot2 = QStringLiteral("え、でんわです");
        FRecord = std::make_unique<EngineRecord>();
        FEngine = FRecord.get();
        FAnnouncer = std::make_unique<SpeechAnnouncer>(std::make_unique<RecordingEngine>(FEngine));
    }
    void cleanup()
    {
        FAnnouncer.reset();
        FEnv.reset();
    }

    void composition_data()
    {
        QTest::addColumn<int>("index1");
        QTest::addColumn<int>("index2");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("0,0") << 0 << 0 << QString();
        QTest::newRow("0,1") << 0 << 1 << QStringLiteral("やまだえ、でんわです");
        QTest::newRow("0,2") << 0 << 2 << QStringLiteral("ほんてんえ、でんわです");
        QTest::newRow("1,0") << 1 << 0 << QStringLiteral("やまだから");
        QTest::newRow("1,1") << 1 << 1 << QStringLiteral("やまだからやまだえ、でんわです");
        QTest::newRow("1,2 defaults") << 1 << 2 << QStringLiteral("やまだからほんてんえ、でんわです");
        QTest::newRow("2,0") << 2 << 0 << QStringLiteral("ほんてんから");
        QTest::newRow("2,1") << 2 << 1 << QStringLiteral("ほんてんからやまだえ、でんわです");
        QTest::newRow("2,2") << 2 << 2 << QStringLiteral("ほんてんからほんてんえ、でんわです");
        QTest::newRow("unknown codes") << 3 << -1 << QString();
    }
    void composition()
    {
        QFETCH(int, index1);
        QFETCH(int, index2);
        QFETCH(QString, spoken);
        GIndex1 = index1;
        GIndex2 = index2;
        FAnnouncer->CreateEngine();
        FAnnouncer->AnnounceCall(QStringLiteral("やまだ"), QStringLiteral("ほんてん"));
        // An empty text is still handed on: the call always "speaks".
        QCOMPARE(FEngine->played, (QList<QPair<QString, int>>{{spoken, 140}}));
        QCOMPARE(logLines(), QStringList{QStringLiteral("TfrmMain.Speech strMsg=") + spoken});
    }

    void blanksRemovedButLogged()
    {
        QCOMPARE(RemoveBlanks(QStringLiteral(" や ま　だ　 ")), QStringLiteral("やまだ"));
        FAnnouncer->CreateEngine();
        FAnnouncer->AnnounceCall(QStringLiteral("やま だ"), QStringLiteral("ほん　てん"));
        FAnnouncer->SpeechTest(QStringLiteral("たな　か "));
        GFoot1 = QStringLiteral("さま から");
        GSpeed = 300;
        FAnnouncer->SpeechTest(QStringLiteral("たなか"));
        QCOMPARE(FEngine->played, (QList<QPair<QString, int>>{{QStringLiteral("やまだからほんてんえ、でんわです"), 140},
                                                              {QStringLiteral("たなかから"), 140},
                                                              {QStringLiteral("たなかさまから"), 300}}));
        QCOMPARE(logLines(),
                 (QStringList{QStringLiteral("TfrmMain.Speech strMsg=やま だからほん　てんえ、でんわです"),
                              QStringLiteral("TfrmMain.SpeechTest"), QStringLiteral("TfrmMain.SpeechTest")}));
    }

    void lifecycleFollowsTheSwitch()
    {
        GSpeakEnabled = false;
        FAnnouncer->CreateEngine();
        QCOMPARE(FEngine->creates, 0);
        FAnnouncer->AnnounceCall(QStringLiteral("やまだ"), QStringLiteral("ほんてん"));
        QVERIFY(FEngine->played.isEmpty());

        // The settings dialog switches speech on: created once, however often asked.
        GSpeakEnabled = true;
        FAnnouncer->CreateEngine();
        FAnnouncer->CreateEngine();
        QCOMPARE(FEngine->creates, 1);
        QVERIFY(FAnnouncer->EngineCreated());

        // Switched off again: the engine stays, the announcement is skipped.
        GSpeakEnabled = false;
        FAnnouncer->AnnounceCall(QStringLiteral("やまだ"), QStringLiteral("ほんてん"));
        QVERIFY(FEngine->played.isEmpty());
        QVERIFY(logLines().isEmpty());

        FAnnouncer->ReleaseEngine();
        FAnnouncer->ReleaseEngine();
        FAnnouncer.reset();
        QCOMPARE(FEngine->releases, 1);
    }

    void creationFailureLoggedOnceAndCallsGoOn()
    {
        gTraceOn = false; // the failure line is written regardless
        FEngine->createSucceeds = false;
        FAnnouncer->CreateEngine();
        QVERIFY(!FAnnouncer->EngineCreated());
        QCOMPARE(logLines(), QStringList{QStringLiteral("音声合成エンジンの作成に失敗しました。")});

        for (int i = 0; i < 3; ++i) {
            FAnnouncer->AnnounceCall(QStringLiteral("やまだ"), QStringLiteral("ほんてん"));
            FAnnouncer->SpeechTest(QStringLiteral("やまだ"));
            FAnnouncer->Speech(QStringLiteral("やまだ"));
        }
        QVERIFY(FEngine->played.isEmpty());
        QCOMPARE(logLines().size(), 1);

        // A later switch-on in the settings dialog tries again.
        gTraceOn = true;
        FEngine->createSucceeds = true;
        FAnnouncer->CreateEngine();
        FAnnouncer->AnnounceCall(QStringLiteral("やまだ"), QStringLiteral("ほんてん"));
        QCOMPARE(FEngine->played.size(), 1);

        FAnnouncer.reset();
        QCOMPARE(FEngine->releases, 1);
    }
};

QTEST_GUILESS_MAIN(TestAnnouncement)
#include "tst_announcement.moc"
