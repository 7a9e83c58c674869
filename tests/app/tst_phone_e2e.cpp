#include "core/AppGlobals.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QtTest>

// The real program with a Wi-Fi phone configured, driven by the phone simulator over
// loopback: a call in, a dial out, a phone that drops and comes back.
class TestPhoneEndToEnd : public QObject
{
    Q_OBJECT

    static bool waitForOutput(QProcess* p, const QByteArray& text, QByteArray& seen, int timeoutMs = 30000)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            seen += p->readAllStandardOutput();
            if (seen.contains(text))
                return true;
            p->waitForReadyRead(100);
        }
        return false;
    }

private slots:
    void callInDialOutReconnect()
    {
        TestEnv env;
        InitialDatabase::Create(AppPaths::defaultDatabasePath());
        const int port = PhoneSim::FreePort();
        env.writeIni(QString::fromUtf8("[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\nDISP_NAME_1=本店\nREAD_NAME_1=ほんてん\n"
                                       "DEVICE_INDEX_1=0\n")
                         .arg(port));
        ProgramRunner runner;
        QProcess* program = runner.start();

        auto phone = PhoneSim::Start(port, {"--own-number", "09011112222"});
        QVERIFY(phone);
        QByteArray out;
        QVERIFY(waitForOutput(phone.get(), "< AT+CLIP=1", out));
        // The start-up wait for the phones ends by itself once the phone is linked.
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")));

        phone->write("0312345678\n");
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("★TelReceiveProc TelNo=0312345678 LogNo= PortNo=%1 "
                                                            "CalledReadName=ほんてん")
                                              .arg(port)));
        QVERIFY(ProgramRunner::waitForLog("LogNo1="));

        // Another program opens a dial address: the first phone dials and the call is logged.
        QCOMPARE(runner.run({"/s", "zuvaro:dial?telno=0398765432"}), 0);
        QVERIFY(waitForOutput(phone.get(), "< ATD0398765432;", out));
        QVERIFY(ProgramRunner::waitForLog("TfrmMain.CallDataInsert end"));

        // The phone drops and a new link takes its place.
        phone->kill();
        phone->waitForFinished();
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("のTCP通信が切断されました。")));
        auto again = PhoneSim::Start(port, {"--own-number", "09011112222", "--call", "0355556666"});
        QVERIFY(again);
        QVERIFY(ProgramRunner::waitForLog("TelReceiveProc TelNo=0355556666"));
        again->closeWriteChannel();

        QCOMPARE(runner.terminate(program), 0);
        QVERIFY(ProgramRunner::logText().contains("TfrmMain.DisConnectAdrTelComList"));
    }
};

QTEST_GUILESS_MAIN(TestPhoneEndToEnd)
#include "tst_phone_e2e.moc"
