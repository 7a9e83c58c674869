// The real program hands a forwarded caller's number to an external program on its own.

#include "core/AppGlobals.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/TdmCmn.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QtTest>

class TestExternalE2e : public QObject
{
    Q_OBJECT
private slots:
    void incomingCallWritesTheNumberFile()
    {
        TestEnv env;
        env.writeIni("[LINK]\nENABLED=1\nAUTO_LAUNCH=1\nIF_NO=3\n");
        InitialDatabase::Create(AppPaths::defaultDatabasePath());
        const QString numberFile = env.path("handover/tel.txt");
        QDir().mkpath(QFileInfo(numberFile).path());
        {
            TdmCmn dm(AppPaths::defaultDatabasePath());
            dm.ExecSql(QString("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EXEC_PATH, TEXT_PATH, COMMAND, CAPTION) "
                               "values (3, 'reader', 'TXT', '/bin/true', '%1', '', 'Reader')")
                           .arg(numberFile));
            dm.IBDatabase1.close();
        }

        ProgramRunner runner;
        QProcess* program = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Android版 Ver. ")));
        QCOMPARE(runner.run({"/s", "0312345678"}), 0);
        QVERIFY(QTest::qWaitFor([&]() { return QFile::exists(numberFile); }, 30000));
        QFile f(numberFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("0312345678\n"));
        QVERIFY(ProgramRunner::logText().contains(QStringLiteral("TfrmMain.ExecCustProg InterfaceNo=3 TelNo=0312345678")));

        QCOMPARE(runner.terminate(program), 0);
        QVERIFY(ProgramRunner::logText().contains(QStringLiteral("TfrmMain.SendEndReq")));
    }
};

QTEST_GUILESS_MAIN(TestExternalE2e)
#include "tst_external_e2e.moc"
