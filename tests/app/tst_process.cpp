#include "core/AppGlobals.h"
#include "core/ProfileFile.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"
#include "db/InitialDatabase.h"
#include "core/StartupSettings.h"

#include <QtTest>

// The real program, started twice: the single-instance rule and the forwarding of "/s".
class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void secondStartIsRefusedOrForwards()
    {
        TestEnv env;
        InitialDatabase::Create(AppPaths::defaultDatabasePath());
        ProgramRunner runner;
        QProcess* first = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Android版 Ver. ")));
        const QString handle = gIni->ReadString("MAIN_FORM", "HANDLE", "");
        QCOMPARE(handle, QString::number(first->processId()));

        // Without "/s": a warning, and the running copy comes to the front.
        QCOMPARE(runner.run({}), 0);
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("TfrmMain.Open1Click end")));
        QVERIFY(ProgramRunner::logText().contains(QString::fromUtf8("MessageBox(warning): Zuvaroはすでに実行しています。")));
        QCOMPARE(first->state(), QProcess::Running);

        // With "/s" (any case) and a number: silent, and the running copy processes it.
        const int boxes = ProgramRunner::logText().count(QStringLiteral("MessageBox("));
        QCOMPARE(runner.run({"/S", "0312345678"}), 0);
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("TfrmMain.OnDemoActivate")));
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("★TelReceiveProc TelNo=0312345678 LogNo= PortNo=1 CalledReadName=でもしょっぷ")));
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("LogNo1=")));
        QCOMPARE(ProgramRunner::logText().count(QStringLiteral("MessageBox(")), boxes);

        // Three arguments are not a forward.
        QCOMPARE(runner.run({"/s", "0312345678", "x"}), 0);
        QCOMPARE(ProgramRunner::logText().count(QString::fromUtf8("Zuvaroはすでに実行しています。")), 2);

        // SIGTERM runs the orderly teardown.
        QCOMPARE(runner.terminate(first), 0);
        QVERIFY(ProgramRunner::logText().contains(QStringLiteral("TfrmMain.FormDestroy")));

        // The lock went with it: a new start is a first copy again.
        QFile::remove(gCurLogFile);
        QProcess* again = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Android版 Ver. ")));
        QCOMPARE(runner.terminate(again), 0);
    }

    void forwardWithoutAPublishedHandle()
    {
        TestEnv env;
        InitialDatabase::Create(AppPaths::defaultDatabasePath());
        ProgramRunner runner;
        QProcess* first = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Android版 Ver. ")));
        gIni->WriteString("MAIN_FORM", "HANDLE", "not a number");
        QCOMPARE(runner.run({"/s", "0312345678"}), 1);
        QVERIFY(ProgramRunner::logText().contains(QString::fromUtf8("MessageBox(error): Zuvaroのハンドルを取得できませんでした。")));
        QVERIFY(!ProgramRunner::logText().contains(QStringLiteral("TfrmMain.OnDemoActivate")));
        QCOMPARE(runner.terminate(first), 0);
    }
};

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
