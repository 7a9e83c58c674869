#include "DeviceUiKit.h"

#include "core/MessageService.h"
#include "devices/DeviceTestKit.h"
#include "devices/TfrmDeviceStatus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <memory>

namespace {
TfrmDeviceStatus::TWaitTimings Quick()
{
    TfrmDeviceStatus::TWaitTimings t;
    t.StartDelayMs = 50;
    t.RoundMs = 50;
    t.BlinkIntervalMs = 50;
    return t;
}

QString State(const TfrmDeviceStatus& f, int row)
{
    const QTableWidgetItem* item = f.sgdDevice->item(row, 3);
    return item ? item->text() : QString();
}
} // namespace

class TestDeviceStatus : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> FEnv;

private slots:
    void init() { FEnv = std::make_unique<TestEnv>(); }
    void cleanup() { FEnv.reset(); }

    // A Bluetooth device is attached as soon as its port is open; a Wi-Fi one when its
    // phone app has connected. The dialog closes by itself once both are.
    void closesWhenAllAttached()
    {
        if (!SocatPair::Available())
            QSKIP("socat is not installed");
        SocatPair::UseTemplate(*FEnv);
        SocatPair pair(*FEnv, 2);
        QVERIFY(pair.WaitReady());
        TestDeviceHost host;
        TTelCom* bt = host.AddDevice(2, 1, QStringLiteral("青歯"));
        DeviceSettings::Connect(*bt, 2);
        {
            TfrmDeviceStatus only(host.FList);
            only.SetWaitTimings(Quick());
            QElapsedTimer t;
            t.start();
            QCOMPARE(only.exec(), int(QDialog::Accepted));
            QVERIFY(t.elapsed() < 2000);
            QCOMPARE(State(only, 0), QStringLiteral("接続中"));
        }

        const int port = Kit::FreePort();
        TTelCom* wifi = host.AddDevice(port, 0, QStringLiteral("本店"));
        DeviceSettings::Connect(*wifi, port);
        TfrmDeviceStatus f(host.FList);
        QCOMPARE(f.windowTitle(), QStringLiteral("Androidスマホと接続中..."));
        f.SetWaitTimings(Quick());
        QString waitingState;
        std::unique_ptr<Kit::Phone> phone;
        QTimer::singleShot(300, &f, [&] {
            waitingState = State(f, 1);
            phone = std::make_unique<Kit::Phone>(QStringList{QStringLiteral("--port"), QString::number(port)});
        });
        QElapsedTimer t;
        t.start();
        QCOMPARE(f.exec(), int(QDialog::Accepted));
        QVERIFY(t.elapsed() < 10000);
        QCOMPARE(waitingState, QStringLiteral("接続待ち"));
        QCOMPARE(State(f, 1), QStringLiteral("接続中"));
        QVERIFY(!f.GaveUp() && !f.tmrBlink->isActive());
        QVERIFY(MessageService::shownTexts().isEmpty());
    }

    void closeButtonGivesUp()
    {
        TestDeviceHost host;
        const int port = Kit::FreePort();
        TTelCom* wifi = host.AddDevice(port, 0, QStringLiteral("本店"));
        DeviceSettings::Connect(*wifi, port);
        host.AddDevice(port == 65535 ? 1 : port + 1, 0, QStringLiteral("未接続")); // never connected
        TfrmDeviceStatus f(host.FList);
        f.SetWaitTimings(Quick());
        QStringList before;
        QTimer::singleShot(300, &f, [&] {
            before = {State(f, 0), State(f, 1)};
            QTest::mouseClick(f.btnClose, Qt::LeftButton);
        });
        QCOMPARE(f.exec(), int(QDialog::Rejected));
        QCOMPARE(before, QStringList({QStringLiteral("接続待ち"), QStringLiteral("切断中")}));
        QVERIFY(f.GaveUp());
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("スマホとの接続は無効です。")});
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Warning);
        // Giving up changes nothing: the devices go on connecting on their own.
        QVERIFY(wifi->Active() && wifi->Connecting());
        QCOMPARE(host.FList.Count(), 2);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestDeviceStatus t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_devicestatus.moc"
