#include "core/AppGlobals.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QtTest>

// The real program with responses in use and "open the customer on an incoming call" on:
// a call from the phone simulator opens the customer with exactly one new response for it.
// (Saving through the frame is driven in-process in tests/responses, on the same pipeline.)
class TestAcceptEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void incomingCallStartsOneNewResponse()
    {
        TestEnv env;
        const QString path = AppPaths::defaultDatabasePath();
        InitialDatabase::Create(path);
        {
            // The shop's data, written before the program owns the database.
            TdmCmn dm(path);
            InitTables(dm, nullptr);
            TCust c;
            c.CustTel = "03-1234-5678";
            c.CustTelNon = "0312345678";
            c.CustName = "山田商店";
            dm.InsertCustData(c);
            dm.InsertTels(TTels{"09055556666", "0312345678", "山田携帯", "やまだ"});
            dm.IBDatabase1.close();
        }
        const int port = PhoneSim::FreePort();
        env.writeIni(QString::fromUtf8("[BASIC]\nAUTO_CUST_INFO=1\nUSE_ACCEPT=1\n[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\n"
                                       "DISP_NAME_1=本店\nREAD_NAME_1=ほんてん\nDEVICE_INDEX_1=0\n")
                         .arg(port));
        ProgramRunner runner;
        QProcess* program = runner.start();
        QTRY_VERIFY_WITH_TIMEOUT(PhoneSim::Listening(port), 60000);
        auto phone = PhoneSim::Start(port, {"--own-number", "09011112222"});
        QVERIFY(phone);
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")));

        phone->write("09055556666\n");
        QVERIFY(ProgramRunner::waitForLog("TfraCust.Create TelNo=0312345678"));
        QVERIFY(ProgramRunner::waitForLog("TfraAccept.Create FLogNo="));
        // Whatever else the call sets off has run before the program ends.
        QTest::qWait(500);
        QCOMPARE(runner.terminate(program), 0);
        phone->waitForFinished(10000);

        const QString log = ProgramRunner::logText();
        QCOMPARE(log.count("TfraAccept.Create FLogNo="), 1);
        QCOMPARE(log.count("TfraCust.OpenAcceptTab LogNo="), 1);
        TdmCmn dm(path);
        dm.sqlWork.setSql("select LOG_NO from LOG");
        dm.sqlWork.open();
        const QString logNo = dm.sqlWork.field(0).asString();
        dm.sqlWork.close();
        QVERIFY(!logNo.isEmpty());
        QVERIFY(log.contains("TfraAccept.Create FLogNo=" + logNo + "\n") ||
                log.contains("TfraAccept.Create FLogNo=" + logNo + "\r\n"));
        dm.IBDatabase1.close();
    }
};

QTEST_GUILESS_MAIN(TestAcceptEndToEnd)
#include "tst_accept_e2e.moc"
