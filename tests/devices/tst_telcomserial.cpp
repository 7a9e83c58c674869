#include "DeviceTestKit.h"

#include "core/AppGlobals.h"

#include <QStandardPaths>

using Kit::Events;
using Kit::Phone;

// A serial link over a socat pseudo-terminal pair: the PC side is named by the device
// template of the settings file, the phone side is given to the simulator.
class TestTelComSerial : public QObject
{
    Q_OBJECT

    TestEnv FEnv;
    QProcess FSocat;

    bool StartPair(int portNo)
    {
        const QString pc = FEnv.path(QStringLiteral("ttyPC%1").arg(portNo));
        const QString phone = FEnv.path(QStringLiteral("ttyPhone%1").arg(portNo));
        FSocat.start(QStringLiteral("socat"), {QStringLiteral("pty,raw,echo=0,link=") + pc,
                                               QStringLiteral("pty,raw,echo=0,link=") + phone});
        return QTest::qWaitFor([&] { return QFile::exists(pc) && QFile::exists(phone); }, 5000);
    }

    QString PhoneSide(int portNo) const { return FEnv.path(QStringLiteral("ttyPhone%1").arg(portNo)); }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty())
            QSKIP("socat is not installed");
        FEnv.writeIni(QStringLiteral("[ANDROID]\nSERIAL_DEVICE=%1/ttyPC%2\n").arg(FEnv.root(), QStringLiteral("%1")));
    }

    void cleanup()
    {
        if (FSocat.state() != QProcess::NotRunning) {
            FSocat.terminate();
            FSocat.waitForFinished(3000);
        }
    }

    void bluetoothPhone()
    {
        QVERIFY(StartPair(4));
        TTelCom device;
        Events ev(device);
        TTelComTimings t;
        t.SupervisionOwnTelNoTimeout = 2000;
        device.SetTimings(t);
        device.Connect(4, dtAndroid, false, 300, gLogDir, true);
        // The port being open is the phone being attached.
        QVERIFY(device.Connecting() && device.ClientConnecting() && device.Active());
        QVERIFY(device.SelfTelNo().isEmpty());

        Phone phone({QStringLiteral("--serial"), PhoneSide(4), QStringLiteral("--own-number"), QStringLiteral("0705551234"),
                     QStringLiteral("--call"), QStringLiteral("0312345678"), QStringLiteral("--split-at"),
                     QStringLiteral("5")});
        QVERIFY(ev.Wait(QStringLiteral("tel:0312345678")));
        // Supervision asks for the number until it has it, then rests.
        QVERIFY(QTest::qWaitFor([&] { return !device.SelfTelNo().isEmpty(); }, 5000));
        QCOMPARE(device.SelfTelNo(), QStringLiteral("0705551234"));
        QVERIFY(QTest::qWaitFor([&] { return !device.SupervisionRunning(); }, 2000));
        QVERIFY(device.SendCommand(QStringLiteral("ATD0312345678;"), 3000));
        QVERIFY(phone.WaitReceived(QStringLiteral("ATD0312345678;")));
        // A Bluetooth phone is never asked to report callers.
        QVERIFY(!phone.Received().contains(QStringLiteral("AT+CLIP=1")));
        phone.Type(QStringLiteral("0322223333"));
        QVERIFY(ev.Wait(QStringLiteral("tel:0322223333")));

        const QString log = Kit::DeviceLog(device, gLogDir);
        for (const QString& line :
             {QStringLiteral("COM4: DeviceType=dtAndroid"), QStringLiteral("COM4: GetMobileTelNo. temp=\""),
              QStringLiteral("COM4: dtAndroidのConnectingCheckTimer解除 FOwnTellNo=0705551234")})
            QVERIFY2(log.contains(line), qPrintable(line));
        device.Disconnect();
        QVERIFY(!device.Connecting() && !device.ClientConnecting() && device.SelfTelNo().isEmpty());
    }

    void vanishedLinkIsReportedAndReopened()
    {
        QVERIFY(StartPair(6));
        TTelCom device;
        Events ev(device);
        TTelComTimings t;
        t.SupervisionOwnTelNoTimeout = 200;
        device.SetTimings(t);
        device.Connect(6, dtAndroid, false, 200, gLogDir, true);
        // The Bluetooth link drops: the pseudo-terminal pair goes away.
        FSocat.terminate();
        QVERIFY(FSocat.waitForFinished(3000));
        QVERIFY(QTest::qWaitFor([&] { return !device.Connecting(); }, 5000));
        QVERIFY(!device.ClientConnecting());
        QVERIFY(ev.list.filter(QStringLiteral("error:")).size() >= 1);
        QVERIFY(device.Active());
        // Supervision opens it again once it is back.
        QVERIFY(StartPair(6));
        QVERIFY(QTest::qWaitFor([&] { return device.Connecting() && device.ClientConnecting(); }, 5000));
        QVERIFY(Kit::DeviceLog(device, gLogDir).contains(QStringLiteral("COM6: Called  Error Event. Errors=")));
    }

    void portWithoutDeviceTypeIgnoresWhatArrives()
    {
        QVERIFY(StartPair(5));
        TTelCom device;
        Events ev(device);
        device.Connect(5, dtNone, false, 100, gLogDir, true);
        QVERIFY(device.Connecting() && device.ClientConnecting());
        QFile phoneSide(PhoneSide(5));
        QVERIFY(phoneSide.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        phoneSide.write("+CLIP: \"0312345678\",129\r\n");
        QTest::qWait(400);
        QVERIFY(ev.numbers.isEmpty());
        QVERIFY(device.SupervisionRunning());
        QVERIFY(device.SelfTelNo().isEmpty());
        QVERIFY(!Kit::DeviceLog(device, gLogDir).contains(QStringLiteral("GetOwnTellNo begin")));
    }
};

QTEST_GUILESS_MAIN(TestTelComSerial)
#include "tst_telcomserial.moc"
