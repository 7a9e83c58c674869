#include "core/AppGlobals.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"
#include "support/Xvfb.h"

#include <QtTest>

// The real program with "open the customer on an incoming call" on: a call from the phone
// simulator opens the caller's customer on a tab, and a stranger's call a blank one; with
// responses in use the customer opens with exactly one new response for the call, which
// the user saves with its key on a real X display; a stop request then ends the program
// while a dialog is open.
class TestCustInfoEndToEnd : public QObject
{
    Q_OBJECT

    // A shop with one customer and one of its numbers in the phone book, the program
    // running with the given [BASIC] settings, and a phone linked to it.
    struct Shop
    {
        TestEnv env;
        QString path = AppPaths::defaultDatabasePath();
        int custNo = 0;
        ProgramRunner runner;
        QProcess* program = nullptr;
        std::unique_ptr<QProcess> phone;

        bool start(const QString& basic)
        {
            InitialDatabase::Create(path);
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
            env.writeIni(QString::fromUtf8("[BASIC]\n%2[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\n"
                                           "DISP_NAME_1=本店\nREAD_NAME_1=ほんてん\nDEVICE_INDEX_1=0\n")
                             .arg(port)
                             .arg(basic));
            program = runner.start();
            // A slow start-up must not make the phone give up before the program listens.
            QElapsedTimer t;
            t.start();
            while (!PhoneSim::Listening(port) && t.elapsed() < 60000)
                QTest::qWait(100);
            phone = PhoneSim::Start(port, {"--own-number", "09011112222"});
            return phone && ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. "));
        }
        int stop()
        {
            const int code = runner.terminate(program);
            phone->waitForFinished(10000);
            return code;
        }
    };

private slots:
    void incomingCallOpensTheCustomer()
    {
        Shop shop;
        QVERIFY(shop.start("AUTO_CUST_INFO=1\n"));
        shop.phone->write("09055556666\n");
        QVERIFY(ProgramRunner::waitForLog("TfraCust.Create TelNo=0312345678"));
        QVERIFY(ProgramRunner::waitForLog(QString("TfraCust.ShowCust CustNo=%1").arg(shop.custNo)));

        shop.phone->write("0399999999\n");
        QVERIFY(ProgramRunner::waitForLog("TfraCust.Create TelNo=0399999999"));
        QCOMPARE(shop.stop(), 0);
    }

    void incomingCallStartsOneNewResponseThatIsSaved()
    {
        QVERIFY2(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool is not installed");
        Xvfb x(QStringLiteral("1280x1024x24"));
        QVERIFY2(!x.display().isEmpty(), "Xvfb did not start");
        Shop shop;
        shop.runner.setEnv("QT_QPA_PLATFORM", "xcb");
        shop.runner.setEnv("DISPLAY", QString::fromLatin1(x.display()));
        // Window titles reach the display and xdotool in the locale's encoding: without a
        // UTF-8 locale (a login that sets none) a Japanese title is never found.
        shop.runner.setEnv("LC_ALL", "C.UTF-8");
        QVERIFY(shop.start("AUTO_CUST_INFO=1\nUSE_ACCEPT=1\n"));
        shop.phone->write("09055556666\n");
        QVERIFY(ProgramRunner::waitForLog("TfraCust.Create TelNo=0312345678"));
        QVERIFY(ProgramRunner::waitForLog("TfraAccept.Create FLogNo="));

        // The user's Alt+V: the customer is shown read-only, so the key saves the response.
        QProcessEnvironment xenv = QProcessEnvironment::systemEnvironment();
        xenv.insert("DISPLAY", QString::fromLatin1(x.display()));
        xenv.insert("LC_ALL", "C.UTF-8");
        auto xdotool = [&](const QStringList& args) {
            QProcess p;
            p.setProcessEnvironment(xenv);
            p.start("xdotool", args);
            p.waitForFinished(10000);
            return QString::fromLatin1(p.readAllStandardOutput()).trimmed();
        };
        const QString window = xdotool({"search", "--sync", "--onlyvisible", "--name", "Zuvaro"}).section('\n', 0, 0);
        QVERIFY2(!window.isEmpty(), "the main window is not on the display");
        xdotool({"windowfocus", "--sync", window});
        xdotool({"key", "--clearmodifiers", "alt+v"});
        QVERIFY(ProgramRunner::waitForLog("TfraAccept.btnSaveClick Accept.LogNo="));

        // A stop request while a dialog opened from the customer waits ends the program.
        xdotool({"key", "--clearmodifiers", "alt+s"});
        QTRY_VERIFY_WITH_TIMEOUT(!xdotool({"search", "--onlyvisible", "--name", "顧客情報検索"}).isEmpty(), 20000);
        QCOMPARE(shop.stop(), 0);

        const QString log = ProgramRunner::logText();
        QCOMPARE(log.count("TfraAccept.Create FLogNo="), 1);
        QCOMPARE(log.count("TfraCust.OpenAcceptTab LogNo="), 1);
        TdmCmn dm(shop.path);
        dm.sqlWork.setSql("select LOG_NO from LOG");
        dm.sqlWork.open();
        const QString logNo = dm.sqlWork.field(0).asString();
        dm.sqlWork.close();
        QVERIFY(!logNo.isEmpty());
        QVERIFY(QRegularExpression("TfraAccept.Create FLogNo=" + logNo + "\\r?\\n").match(log).hasMatch());
        dm.sqlWork.setSql("select LOG_NO, CUST_NO from ACCEPT_T");
        dm.sqlWork.open();
        QVERIFY(!dm.sqlWork.eof());
        QCOMPARE(dm.sqlWork.field(0).asString(), logNo);
        QCOMPARE(dm.sqlWork.field(1).asInteger(), shop.custNo);
        dm.sqlWork.next();
        QVERIFY(dm.sqlWork.eof());
        dm.sqlWork.close();
        dm.IBDatabase1.close();
    }
};

QTEST_GUILESS_MAIN(TestCustInfoEndToEnd)
#include "tst_custinfo_e2e.moc"
