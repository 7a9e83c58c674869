#include "DeviceTestKit.h"

#include "core/AppGlobals.h"

#include <QElapsedTimer>
#include <QTimer>

using Kit::Events;
using Kit::Phone;

class TestTelComWifi : public QObject
{
    Q_OBJECT

    TestEnv FEnv;
    int FPort = 0;

    // A device as the application connects it, with the set-up limits shortened.
    void ConnectDevice(TTelCom& device, int interval = 30000, int setupLimit = 3000)
    {
        FPort = Kit::FreePort();
        QVERIFY(FPort > 0);
        TTelComTimings t;
        t.SetupOwnTelNoTimeout = setupLimit;
        t.SetupRequestCtiTimeout = setupLimit;
        t.SetupPauseMs = 50;
        device.SetTimings(t);
        device.Connect(FPort, dtAndroidWifi, false, interval, gLogDir, true);
        QVERIFY(device.Active());
        QVERIFY(device.Connecting());
        QVERIFY(!device.ClientConnecting());
    }

    QStringList PhoneArgs(const QStringList& more = {}) const
    {
        return QStringList{QStringLiteral("--port"), QString::number(FPort)} + more;
    }

private slots:
    void setupCallsKeepAliveAndDial()
    {
        TTelCom device;
        Events ev(device);
        ConnectDevice(device, 300);
        Phone phone(PhoneArgs({QStringLiteral("--own-number"), QStringLiteral("08012345678"), QStringLiteral("--call"),
                               QStringLiteral("0311112222"), QStringLiteral("--rings"), QStringLiteral("3"),
                               QStringLiteral("--ring-interval"), QStringLiteral("0.2")}));
        QVERIFY(ev.Wait(QStringLiteral("connect")));
        // The owner hears of the phone once its number is known.
        QCOMPARE(ev.selfTelNoAtConnect, QStringLiteral("08012345678"));
        QVERIFY(device.ClientConnecting());
        QVERIFY(phone.WaitReceived(QStringLiteral("AT+CNUM")));
        QVERIFY(phone.WaitReceived(QStringLiteral("AT+CLIP=1")));
        QVERIFY(ev.Wait(QStringLiteral("tel:0311112222")));
        // Three rings, one call.
        QTest::qWait(700);
        QCOMPARE(ev.numbers, QStringList{QStringLiteral("0311112222")});
        // Supervision sends keep-alives once the number is known; the phone answers them.
        QVERIFY(phone.WaitReceived(QStringLiteral("\\t\\n\\t")));

        QVERIFY(device.SendCommand(QStringLiteral("ATD0311112222;"), 5000));
        QVERIFY(phone.WaitReceived(QStringLiteral("ATD0311112222;")));
        QVERIFY(!device.SendCommand(QStringLiteral("AT+UNKNOWN"), 5000)); // answered ERROR
        QVERIFY(device.SupervisionRunning());

        phone.Type(QStringLiteral("0322223333"));
        QVERIFY(ev.Wait(QStringLiteral("tel:0322223333")));
        phone.EndInput();
        QVERIFY(phone.WaitExit());
        QCOMPARE(phone.ExitCode(), 0);
        QVERIFY(ev.Wait(QStringLiteral("disconnect")));
        QVERIFY(!device.ClientConnecting());
        QVERIFY(device.Connecting());

        const QString log = Kit::DeviceLog(device, gLogDir);
        const QString prefix = QStringLiteral("COM%1: ").arg(FPort);
        for (const QString& line :
             {QStringLiteral("TelCom Version=3.2.3.39"), QStringLiteral("DeviceType=dtAndroidWifi"),
              QStringLiteral("FConnecting=true"), QStringLiteral("called TcpClientConnect event."),
              QStringLiteral("GetOwnTellNo FGetOwnTellNoResult=OK FOwnTellNo=08012345678"),
              QStringLiteral("SendEchoOn FRequestCTIResult=OK"), QStringLiteral("send KEEP_ALIVE_COMMAND begin"),
              QStringLiteral("Called Received TellNo Event. TelNo=0311112222 SubPort=1"),
              QStringLiteral("同じ番号で5秒以内着信のため無効 TelNo=0311112222---"),
              QStringLiteral("FCommandResult=OK"), QStringLiteral("called TcpClientDisconnect event.")})
            QVERIFY2(log.contains(prefix + line), qPrintable(line));
        QVERIFY(log.contains(QStringLiteral(" COM%1: SendMsg=AT+CNUM\\r\r\n").arg(FPort)));
    }

    void secondConnectionReplacesFirst()
    {
        TTelCom device;
        Events ev(device);
        ConnectDevice(device);
        Phone first(PhoneArgs({QStringLiteral("--own-number"), QStringLiteral("0901")}));
        QVERIFY(ev.Wait(QStringLiteral("connect")));
        Phone second(PhoneArgs({QStringLiteral("--own-number"), QStringLiteral("0902")}));
        QVERIFY(ev.Wait(QStringLiteral("connect"), 2));
        QCOMPARE(ev.list, (QStringList{QStringLiteral("connect"), QStringLiteral("disconnect"), QStringLiteral("connect")}));
        QCOMPARE(device.SelfTelNo(), QStringLiteral("0902"));
        QVERIFY(first.WaitExit());
        QCOMPARE(first.ExitCode(), 0);
        QVERIFY(device.SendCommand(QStringLiteral("ATD117;"), 5000));
        QVERIFY(second.WaitReceived(QStringLiteral("ATD117;")));
        QVERIFY(!first.Received().contains(QStringLiteral("ATD117;")));
    }

    void phoneThatNeverAnswers()
    {
        TTelCom device;
        Events ev(device);
        ConnectDevice(device, 800, 400);
        Phone phone(PhoneArgs({QStringLiteral("--reply"), QStringLiteral("none")}));
        QElapsedTimer t;
        t.start();
        QVERIFY(ev.Wait(QStringLiteral("connect")));
        QVERIFY(t.elapsed() >= 350);
        QVERIFY(device.SelfTelNo().isEmpty());
        QVERIFY(device.SupervisionRunning());

        t.restart();
        QVERIFY(!device.SendCommand(QStringLiteral("ATD0311112222;"), 300));
        QVERIFY(t.elapsed() >= 300);
        QVERIFY(!device.MobileRequestCTI(200));
        QVERIFY(device.GetOwnTellNo(200).isEmpty());
        QVERIFY(device.SupervisionRunning());
        // Without a number, supervision runs the set-up again.
        QVERIFY(phone.WaitReceived(QStringLiteral("AT+CNUM"), 3, 5000));

        const QString log = Kit::DeviceLog(device, gLogDir);
        for (const QString& line : {QStringLiteral("GetOwnTellNo timeout"), QStringLiteral("番号の取得に失敗しました。"),
                                    QStringLiteral("SendCommand TimeOut"), QStringLiteral("MobileRequestCTI TimeOut")})
            QVERIFY2(log.contains(line), qPrintable(line));
    }

    void phoneLeavesDuringRequest()
    {
        TTelCom device;
        Events ev(device);
        ConnectDevice(device, 30000, 200);
        Phone phone(PhoneArgs({QStringLiteral("--reply"), QStringLiteral("none"), QStringLiteral("--exit-after"),
                               QStringLiteral("1")}));
        QVERIFY(ev.Wait(QStringLiteral("connect")));
        QElapsedTimer t;
        t.start();
        QVERIFY(!device.SendCommand(QStringLiteral("ATD0311112222;"), 5000));
        // Told at once when the phone goes, not after the full limit.
        QVERIFY(t.elapsed() < 4000);
        QVERIFY(ev.Count(QStringLiteral("disconnect")) == 1);
        QVERIFY(device.SupervisionRunning());
        QVERIFY(Kit::DeviceLog(device, gLogDir).contains(QStringLiteral("SendCommand error. Message=client disconnected.")));
        QVERIFY(phone.WaitExit());
        QCOMPARE(phone.ExitCode(), 0);
    }

    void requestsWithoutPhoneFailAtOnce()
    {
        TTelCom device;
        ConnectDevice(device);
        QElapsedTimer t;
        t.start();
        QVERIFY(device.GetOwnTellNo(5000).isEmpty());
        QVERIFY(!device.SendCommand(QStringLiteral("ATD1;"), 5000));
        QVERIFY(!device.MobileRequestCTI(5000));
        QVERIFY(t.elapsed() < 1000);
        QVERIFY(!device.TcpIsClientActive());
        const QString log = Kit::DeviceLog(device, gLogDir);
        QVERIFY(log.contains(QStringLiteral("cannnot send message:AT+CNUM(reason=client disconnected.)")));
        QVERIFY(log.contains(QStringLiteral("cannnot send command:ATD1;(reason=client disconnected.)")));
        QVERIFY(log.contains(QStringLiteral("cannnot send message:AT+CLIP=1(reason=client disconnected.)")));
        // A second device cannot listen on the same port; that is no Connect failure.
        TTelCom other;
        other.Connect(FPort, dtAndroidWifi, false, 30000, gLogDir, true);
        QVERIFY(other.Active());
        QVERIFY(!other.Connecting());
        QVERIFY(Kit::DeviceLog(other, gLogDir).contains(QStringLiteral("server socket open error 1. Message=")));
        // Disconnect stops listening and supervision; nothing restarts them.
        device.Disconnect();
        QVERIFY(!device.Connecting() && !device.Active() && !device.SupervisionRunning());
        QVERIFY(!device.SendCommand(QStringLiteral("ATD1;"), 100));
        QVERIFY(!device.SupervisionRunning());
    }

    void rawClientEdges()
    {
        // A hand-driven phone: replies arrive in pieces and at chosen moments.
        TTelCom device;
        Events ev(device);
        ConnectDevice(device);
        device.Disconnect();
        TTelComTimings timings;
        timings.SetupOwnTelNoTimeout = 3000;
        device.SetTimings(timings);
        device.Connect(FPort, dtAndroidWifi, true, 30000, gLogDir, true);
        // The device runs its set-up inside the accept, so this phone answers from its
        // events; the own number has a multi-byte character cut between two writes.
        const QByteArray reply = QStringLiteral("AT+CNUM\r\n+CNUM: \"\",\"0９0１\",129\r\n").toUtf8();
        const int cut = int(reply.indexOf("\xEF\xBC\x99")) + 1;
        QTcpSocket client;
        QByteArray fromPc;
        connect(&client, &QTcpSocket::readyRead, this, [&] {
            fromPc += client.readAll();
            if (fromPc != "AT+CNUM\r")
                return;
            client.write(reply.left(cut));
            client.flush();
            QTimer::singleShot(30, this, [&] {
                client.write(reply.mid(cut));
                client.flush();
            });
        });
        client.connectToHost(QHostAddress::LocalHost, quint16(FPort));
        QVERIFY(ev.Wait(QStringLiteral("connect")));
        QCOMPARE(fromPc, QByteArray("AT+CNUM\r"));
        QCOMPARE(device.SelfTelNo(), QStringLiteral("0９0１"));
        disconnect(&client, nullptr, this, nullptr);

        // A caller reported while the own-number query waits is delivered at once.
        bool waiting = true;
        QString deliveredWhileWaiting;
        connect(&device, &TTelCom::OnReceivedTelNo, this, [&](TTelCom*, const QString& n, qint16) {
            if (waiting)
                deliveredWhileWaiting = n;
        });
        QTimer::singleShot(50, this, [&] {
            client.write("AT+CNUM\r\n+CLIP: \"0312345678\",129\r\n");
            client.flush();
        });
        QTimer::singleShot(250, this, [&] {
            QVERIFY(deliveredWhileWaiting == QStringLiteral("0312345678"));
            client.write("+CNUM: \"\",\"09099990000\",129\r\n");
            client.flush();
        });
        QCOMPARE(device.GetOwnTellNo(3000), QStringLiteral("09099990000"));
        waiting = false;
        QCOMPARE(deliveredWhileWaiting, QStringLiteral("0312345678"));

        // Keep-alives: answered alone, not when followed by LF.
        client.readAll();
        client.write(TelLineProtocol::KeepAliveCommand);
        QVERIFY(QTest::qWaitFor([&] { return client.bytesAvailable() >= 5; }, 3000));
        QCOMPARE(client.readAll(), TelLineProtocol::KeepAliveReply);
        client.write(TelLineProtocol::KeepAliveCommand + "\n+CLIP: \"0300\"\r\n");
        QVERIFY(ev.Wait(QStringLiteral("tel:0300")));
        QCOMPARE(client.bytesAvailable(), 0);

        // A command with a line break would smuggle a second command to the phone.
        QVERIFY(!device.SendCommand(QStringLiteral("ATD1;\rATH"), 100));
        QVERIFY(device.SendCommand(QStringLiteral("ATD2;"), -1)); // no wait
        QVERIFY(QTest::qWaitFor([&] { return client.bytesAvailable() > 0; }, 3000));
        QCOMPARE(client.readAll(), QByteArray("ATD2;\r"));

        // An unterminated line of a closed connection is not glued to the next one.
        client.write("+CLIP: \"0399");
        client.flush();
        QTest::qWait(50);
        client.abort();
        QVERIFY(ev.Wait(QStringLiteral("disconnect")));
        QTcpSocket again;
        connect(&again, &QTcpSocket::readyRead, this, [&] {
            again.readAll();
            again.write("AT+CNUM\r\n+CNUM: \"\",\"0901\",129\r\n");
        });
        again.connectToHost(QHostAddress::LocalHost, quint16(FPort));
        QVERIFY(ev.Wait(QStringLiteral("connect"), 2));
        QCOMPARE(ev.numbers, (QStringList{QStringLiteral("0312345678"), QStringLiteral("0300")}));
    }

    void deviceDeletedByOwnerDuringWait()
    {
        // An owner may drop a device from one of its handlers while a request of that
        // device waits; the request must come back without touching the freed object.
        QPointer<TTelCom> device = new TTelCom;
        FPort = Kit::FreePort();
        device->Connect(FPort, dtAndroidWifi, true, 30000, gLogDir, true);
        QTcpSocket client;
        int requests = 0;
        connect(&client, &QTcpSocket::readyRead, this, [&] {
            client.readAll();
            if (++requests == 1)
                client.write("AT+CNUM\r\n+CNUM: \"\",\"0901\",129\r\n");
            else
                client.write("AT+CNUM\r\n+CLIP: \"0312345678\",129\r\n");
        });
        bool attached = false;
        connect(device, &TTelCom::OnTcpClientConnect, this, [&] { attached = true; });
        connect(device, &TTelCom::OnReceivedTelNo, this, [&](TTelCom* d, const QString&, qint16) { d->deleteLater(); });
        client.connectToHost(QHostAddress::LocalHost, quint16(FPort));
        QVERIFY(QTest::qWaitFor([&] { return attached; }, 5000));
        QElapsedTimer t;
        t.start();
        QVERIFY(device->GetOwnTellNo(3000).isEmpty());
        QVERIFY(device.isNull());
        QVERIFY(t.elapsed() < 2500);
    }

    void linkReplacedInsideItsOwnHandler()
    {
        // A caller's report is being handled (an owner's handler runs an event loop) when
        // another phone takes the link: the replaced socket stays alive until its handler
        // has returned.
        TTelCom device;
        Events ev(device);
        ConnectDevice(device);
        QList<QPointer<QTcpSocket>> links;
        connect(&device, &TTelCom::OnTcpClientConnect, this, [&](TTelCom*, QTcpSocket* s) { links << s; });
        auto answerer = [](QTcpSocket* client) {
            return [client] {
                const QByteArray in = client->readAll();
                if (in.contains("AT+CNUM"))
                    client->write("AT+CNUM\r\n+CNUM: \"\",\"0901\",129\r\n");
                if (in.contains("AT+CLIP=1"))
                    client->write("AT+CLIP=1\r\nOK\r\n");
            };
        };
        QTcpSocket first, second;
        connect(&first, &QTcpSocket::readyRead, this, answerer(&first));
        connect(&second, &QTcpSocket::readyRead, this, answerer(&second));
        first.connectToHost(QHostAddress::LocalHost, quint16(FPort));
        QVERIFY(ev.Wait(QStringLiteral("connect")));
        QCOMPARE(links.size(), 1);

        bool aliveInHandler = false;
        connect(&device, &TTelCom::OnReceivedTelNo, this, [&](TTelCom*, const QString& n, qint16) {
            if (n != QLatin1String("0311"))
                return;
            second.connectToHost(QHostAddress::LocalHost, quint16(FPort));
            QVERIFY(QTest::qWaitFor([&] { return ev.Count(QStringLiteral("connect")) == 2; }, 5000));
            QTest::qWait(50); // deferred deletions of this nesting level run here
            aliveInHandler = !links.first().isNull();
        });
        first.write("+CLIP: \"0311\",129\r\n");
        QVERIFY(QTest::qWaitFor([&] { return ev.Count(QStringLiteral("connect")) == 2; }, 5000));
        QVERIFY(aliveInHandler);
        QVERIFY(QTest::qWaitFor([&] { return links.first().isNull(); }, 3000));
        QCOMPARE(ev.list, (QStringList{QStringLiteral("connect"), QStringLiteral("tel:0311"),
                                       QStringLiteral("disconnect"), QStringLiteral("connect")}));
    }

    void waitingRequestFailsWhenTheLinkIsReplaced()
    {
        TTelCom device;
        Events ev(device);
        ConnectDevice(device);
        QTcpSocket first, second;
        connect(&first, &QTcpSocket::readyRead, this, [&] {
            if (first.readAll().contains("AT+CNUM"))
                first.write("AT+CNUM\r\n+CNUM: \"\",\"0901\",129\r\n");
        });
        connect(&second, &QTcpSocket::readyRead, this, [&] {
            const QByteArray in = second.readAll();
            // The new phone answers everything with OK, even the old link's dial.
            if (in.contains("AT+CNUM"))
                second.write("AT+CNUM\r\n+CNUM: \"\",\"0902\",129\r\n");
            else if (in.contains("AT+CLIP=1"))
                second.write("AT+CLIP=1\r\nOK\r\nATD5;\r\nOK\r\n");
        });
        first.connectToHost(QHostAddress::LocalHost, quint16(FPort));
        QVERIFY(ev.Wait(QStringLiteral("connect")));
        QTimer::singleShot(100, this, [&] { second.connectToHost(QHostAddress::LocalHost, quint16(FPort)); });
        QVERIFY(!device.SendCommand(QStringLiteral("ATD5;"), 4000));
        QVERIFY(ev.Wait(QStringLiteral("connect"), 2));
        QCOMPARE(device.SelfTelNo(), QStringLiteral("0902"));
    }

    void unreachablePcIsReportedByTheSimulator()
    {
        Phone phone({QStringLiteral("--port"), QString::number(Kit::FreePort())});
        QVERIFY(phone.WaitExit());
        QCOMPARE(phone.ExitCode(), 2);
        QVERIFY(phone.Errors().contains(QStringLiteral("cannot connect")));
    }
};

QTEST_GUILESS_MAIN(TestTelComWifi)
#include "tst_telcomwifi.moc"
