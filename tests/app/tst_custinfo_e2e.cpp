#include "core/AppGlobals.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QtTest>

// The real program with "open the customer on an incoming call" on: a call from the phone
// simulator opens the caller's customer on a tab, and a stranger's call a blank one.
class TestCustInfoEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void incomingCallOpensTheCustomer()
    {
        TestEnv env;
        const QString path = AppPaths::defaultDatabasePath();
        InitialDatabase::Create(path);
        int custNo = 0;
        {
            // The shop's data, written before the program owns the database.
            TdmCmn dm(path);
            InitTables(dm, nullptr);
            TCust c;
            c.CustTel = "03-1234-5678";
            c.CustTelNon = "0312345678";
            c.CustName = "山田商店";
            custNo = dm.InsertCustData(c);
            dm.InsertTels(TTels{"09055556666", "0312345678", "山田携帯", "やまだ"});
            dm.IBDatabase1.close();
        }
        const int port = PhoneSim::FreePort();
        env.writeIni(QString::fromUtf8("[BASIC]\nAUTO_CUST_INFO=1\n[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\n"
                                       "DISP_NAME_1=本店\nREAD_NAME_1=ほんてん\nDEVICE_INDEX_1=0\n")
                         .arg(port));
        ProgramRunner runner;
        QProcess* program = runner.start();
        // A slow start-up must not make the phone give up before the program listens.
        QTRY_VERIFY_WITH_TIMEOUT(PhoneSim::Listening(port), 60000);
        auto phone = PhoneSim::Start(port, {"--own-number", "09011112222"});
        QVERIFY(phone);
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")));

        phone->write("09055556666\n");
        QVERIFY(ProgramRunner::waitForLog("TfraCust.Create TelNo=0312345678"));
        QVERIFY(ProgramRunner::waitForLog(QString("TfraCust.ShowCust CustNo=%1").arg(custNo)));

        phone->write("0399999999\n");
        QVERIFY(ProgramRunner::waitForLog("TfraCust.Create TelNo=0399999999"));
        QCOMPARE(runner.terminate(program), 0);
        phone->waitForFinished(10000);
    }
};

QTEST_GUILESS_MAIN(TestCustInfoEndToEnd)
#include "tst_custinfo_e2e.moc"
