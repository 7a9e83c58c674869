#include "core/AppGlobals.h"
#include "db/InitialDatabase.h"
#include "db/TdmCmn.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QtTest>

#include <csignal>

// The real program asked to stop (SIGTERM, SIGINT) while each start-up dialog is open:
// it closes the dialog, runs its teardown once and ends with status 0.
class TestStop : public QObject
{
    Q_OBJECT

private slots:
    void stopWhileADialogIsOpen_data()
    {
        QTest::addColumn<QString>("unattended");
        QTest::addColumn<bool>("upgraded");
        QTest::addColumn<bool>("phone");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("signal");
        // The upgrade of a database with calls asks whether to record responses, as a real
        // message box.
        QTest::newRow("upgrade question") << "" << false << false
                                          << QString::fromUtf8("zuvaroMessageBox 対応内容登録が機能追加されました。")
                                          << int(SIGTERM);
        // The wait for a configured phone that never comes.
        QTest::newRow("device status wait") << "no" << true << true << "frmDeviceStatus" << int(SIGTERM);
        // No phone configured: the question whether to set one up.
        QTest::newRow("setup question") << "" << true << false
                                        << QString::fromUtf8("zuvaroMessageBox 通信設定されていません。") << int(SIGINT);
        // The question answered yes: the setup dialog.
        QTest::newRow("setup dialog") << "yes" << true << false << "frmDeviceSetup" << int(SIGINT);
    }

    void stopWhileADialogIsOpen()
    {
        QFETCH(QString, unattended);
        QFETCH(bool, upgraded);
        QFETCH(bool, phone);
        QFETCH(QString, dialog);
        QFETCH(int, signal);
        TestEnv env;
        if (upgraded) {
            const TestDatabase upgradedFirst(AppPaths::defaultDatabasePath());
        } else {
            const TestDatabase inUse(AppPaths::defaultDatabasePath(), false);
            dmCmn->ExecSql(QStringLiteral("insert into LOG (LOG_NO, TEL_NO) values (1, '0312345678')"));
        }
        if (phone)
            env.writeIni(QStringLiteral("[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\nDEVICE_INDEX_1=0\n").arg(PhoneSim::FreePort()));
        ProgramRunner runner(unattended);
        if (unattended.isEmpty())
            runner.unsetEnv(QStringLiteral("ZUVARO_UNATTENDED"));
        QProcess* program = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Dialog shown: ") + dialog));

        QElapsedTimer t;
        t.start();
        ::kill(pid_t(program->processId()), signal);
        QVERIFY2(program->waitForFinished(10000), "the program did not end");
        qInfo("ended %lld ms after the signal", t.elapsed());
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0);
        const QString log = ProgramRunner::logText();
        QVERIFY(log.contains(QStringLiteral("Dialog closed by stop request: ") + dialog.section(' ', 0, 0)));
        QCOMPARE(log.count(QStringLiteral("TfrmMain.FormDestroy")), 1);
        QVERIFY(log.contains(QStringLiteral("Stop requested: signal %1").arg(signal)));
    }
};

QTEST_GUILESS_MAIN(TestStop)
#include "tst_stop.moc"
