#include "DeviceUiKit.h"

#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "devices/DeviceTestKit.h"
#include "devices/TfrmDeviceSetup.h"
#include "devices/TfrmSerialPorts.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

using namespace DeviceDialogRules;

namespace {
QString Cell(const TfrmDeviceSetup& f, int row, int col)
{
    const QTableWidgetItem* item = f.sgdDevice->item(row, col);
    return item ? item->text() : QString();
}

QString Adapta(const QString& key)
{
    return gIni->ReadString(QStringLiteral("ADAPTA"), key, QStringLiteral("<missing>"));
}

void Fill(TfrmDeviceSetup& f, const QString& port, int kind, const QString& name, const QString& reading = QString())
{
    f.edtPortNo->setText(port);
    f.cbxKind->setCurrentIndex(kind);
    f.edtName->setText(name);
    f.edtReadName->setText(reading);
}

// Fast enough for a test, long enough for a phone on loopback.
TFetchTimings Quick()
{
    TFetchTimings t;
    t.WifiRounds = 3;
    t.WifiTries = 2;
    t.WifiPauseMs = 20;
    t.RequestTimeout = 3000;
    t.BlinkIntervalMs = 50;
    return t;
}
} // namespace

class TestDeviceSetup : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> FEnv;

private slots:
    void init() { FEnv = std::make_unique<TestEnv>(); }
    void cleanup() { FEnv.reset(); }

    void gridAndSelection()
    {
        TestDeviceHost host;
        {
            TfrmDeviceSetup empty(host);
            QCOMPARE(empty.sgdDevice->rowCount(), 1); // one empty row
            QVERIFY(!empty.btnDelete->isEnabled());
            QCOMPARE(empty.edtPortNo->text(), QStringLiteral("60600"));
            QCOMPARE(empty.cbxKind->currentIndex(), -1);
            QVERIFY(empty.lblHint[0]->text().isEmpty());
            QVERIFY(!empty.lblHint[4]->isVisibleTo(&empty));
        }
        host.AddDevice(60601, 0, QStringLiteral("本店"), QStringLiteral("ほんてん"));
        host.AddDevice(4, -1, QStringLiteral("古い設定"));
        TfrmDeviceSetup f(host);
        f.show();
        QCOMPARE(f.sgdDevice->rowCount(), 2);
        QVERIFY(f.btnDelete->isEnabled());
        QCOMPARE(Cell(f, 0, 1), QStringLiteral("Android（Wi-Fi）"));
        QCOMPARE(Cell(f, 0, 3), QStringLiteral("切断中"));
        QCOMPARE(Cell(f, 1, 1), QString());

        f.sgdDevice->selectRow(0);
        QCOMPARE(f.edtPortNo->text(), QStringLiteral("60601"));
        QCOMPARE(f.edtName->text(), QStringLiteral("本店"));
        QCOMPARE(f.edtReadName->text(), QStringLiteral("ほんてん"));
        QCOMPARE(f.cbxKind->currentIndex(), 0);
        QCOMPARE(f.lblHint[1]->text(), QStringLiteral("②スマホアプリとこの画面の設定ポート番号を同じにしてください。"));
        QVERIFY(f.lblPortNote->isVisible() && !f.lnkDeviceManager->isVisible());

        f.sgdDevice->selectRow(1); // unknown kind: none selected, no hints
        QCOMPARE(f.cbxKind->currentIndex(), -1);
        QVERIFY(f.lblHint[0]->text().isEmpty());

        f.cbxKind->setCurrentIndex(1);
        QCOMPARE(f.lblHint[2]->text(), QStringLiteral("②下記のポート番号にはBluetooth接続で利用している"));
        QVERIFY(!f.lblPortNote->isVisible() && f.lnkDeviceManager->isVisible());
        emit f.lnkDeviceManager->linkActivated(QStringLiteral("devmgr"));
        auto* ports = f.findChild<TfrmSerialPorts*>();
        QVERIFY(ports && ports->isVisible());
        QVERIFY(MessageService::shownTexts().isEmpty());
    }

    void validationMessagesInOrder()
    {
        TestDeviceHost host;
        TfrmDeviceSetup f(host);
        f.show();
        Fill(f, QStringLiteral(" "), -1, QString());
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QCOMPARE(f.focusWidget(), f.edtPortNo);
        Fill(f, QStringLiteral("60600"), -1, QString());
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QCOMPARE(f.focusWidget(), f.cbxKind);
        Fill(f, QStringLiteral("60600"), 0, QStringLiteral("  "));
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QCOMPARE(f.focusWidget(), f.edtName);
        QCOMPARE(MessageService::shownTexts(),
                 QStringList({QStringLiteral("ポート番号を入力してください。"),
                              QStringLiteral("種類を選択してください。"), QStringLiteral("名称を入力してください。")}));
        for (const auto& m : MessageService::shown())
            QCOMPARE(m.kind, MsgKind::Warning);
        QCOMPARE(host.FList.Count(), 0);
        QCOMPARE(host.Saves, 0);
    }

    // No phone app: the wait runs out, the device stays listed and stored, and registering
    // the same port again updates that device instead of adding one.
    void registerWithoutPhoneKeepsAndReusesDevice()
    {
        TestDeviceHost host;
        TfrmDeviceSetup f(host);
        f.SetFetchTimings(Quick());
        f.show();
        const int port = Kit::FreePort();
        Fill(f, QString::number(port), 0, QStringLiteral("本店"), QStringLiteral("ほんてん"));

        bool busyDuringWait = false, hintShown = false;
        QTimer::singleShot(0, &f, [&] {
            busyDuringWait = f.Busy() && !f.btnRegist->isEnabled() && !f.btnDelete->isEnabled();
            hintShown = f.lblHint[4]->isVisible();
            f.reject(); // no way out while registering
        });
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QVERIFY(busyDuringWait && hintShown);
        QVERIFY(f.isVisible() && !f.Busy() && !f.lblHint[4]->isVisible());
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("電話番号の取得に失敗しました。")});
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Error);

        QCOMPARE(host.FList.Count(), 1);
        TTelCom* device = host.FList.Items(0);
        QVERIFY(device->Active());
        QCOMPARE(device->Tag(), 0);
        QCOMPARE(Cell(f, 0, 3), QStringLiteral("接続待ち"));
        QCOMPARE(f.sgdDevice->currentRow(), 0);
        QCOMPARE(f.edtName->text(), QStringLiteral("本店"));
        QCOMPARE(Adapta(QStringLiteral("COUNT")), QStringLiteral("1"));
        QCOMPARE(Adapta(QStringLiteral("PORT_NO_1")), QString::number(port));
        QCOMPARE(Adapta(QStringLiteral("READ_NAME_1")), QStringLiteral("ほんてん"));
        QCOMPARE(host.MenuBuilds, 1);

        MessageService::clearShown();
        Fill(f, QString::number(port), 0, QStringLiteral("支店"), QStringLiteral("してん"));
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QCOMPARE(host.FList.Count(), 1);
        QCOMPARE(host.FList.Items(0), device);
        QCOMPARE(device->DispName(), QStringLiteral("支店"));
        QVERIFY(device->Connecting()); // reconnected on the same port
        QCOMPARE(Adapta(QStringLiteral("DISP_NAME_1")), QStringLiteral("支店"));
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("電話番号の取得に失敗しました。")});
    }

    // The phone app starts while the dialog waits; its number shows up and the device is
    // attached.
    void registerWithPhoneFetchesNumber()
    {
        TestDeviceHost host;
        TfrmDeviceSetup f(host);
        f.show();
        const int port = Kit::FreePort();
        Fill(f, QString::number(port), 0, QStringLiteral("本店"));
        std::unique_ptr<Kit::Phone> phone;
        QTimer::singleShot(300, &f, [&] {
            phone =
                std::make_unique<Kit::Phone>(QStringList{QStringLiteral("--port"), QString::number(port),
                                                         QStringLiteral("--own-number"), QStringLiteral("0705551234")});
        });
        QElapsedTimer t;
        t.start();
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QVERIFY2(t.elapsed() < 10000, "the number came late");
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("登録しました。")});
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Information);
        QCOMPARE(f.edtTelNo->text(), QStringLiteral("0705551234"));
        QCOMPARE(Cell(f, 0, 2), QStringLiteral("0705551234"));
        QCOMPARE(Cell(f, 0, 3), QStringLiteral("接続中"));
        QVERIFY(phone->WaitReceived(QStringLiteral("AT+CNUM")));
    }

    void allowOnlyThisPhone()
    {
        TestDeviceHost host;
        const int port = Kit::FreePort();
        TTelCom* device = host.AddDevice(port, 0, QStringLiteral("本店"));
        device->Connect(port, dtAndroidWifi, true, 30000, gLogDir, true);
        TfrmDeviceSetup f(host);
        f.show();
        QCOMPARE(f.lblAllowedPeers->text(), QStringLiteral("接続を許可する端末: 制限なし"));
        // Without a phone on the link there is no address to allow.
        f.sgdDevice->selectRow(0);
        QTest::mouseClick(f.btnAllowOnly, Qt::LeftButton);
        QCOMPARE(MessageService::shown().size(), 1);
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Warning);
        QVERIFY(gIni->ReadString("ANDROID", "ALLOWED_PEERS", "").isEmpty());

        QTcpSocket phone;
        connect(&phone, &QTcpSocket::readyRead, this, [&] {
            if (phone.readAll().contains("AT+CNUM"))
                phone.write("AT+CNUM\r\n+CNUM: \"\",\"0901\",129\r\n");
        });
        phone.connectToHost(QHostAddress::LocalHost, quint16(port));
        QVERIFY(QTest::qWaitFor([&] { return device->ClientConnecting(); }, 5000));
        f.BuildGrid(port);
        f.sgdDevice->selectRow(0);
        QTest::mouseClick(f.btnAllowOnly, Qt::LeftButton);
        QCOMPARE(gIni->ReadString("ANDROID", "ALLOWED_PEERS", ""), QStringLiteral("127.0.0.1"));
        QCOMPARE(MessageService::shown().last().kind, MsgKind::Information);
        QCOMPARE(f.lblAllowedPeers->text(), QStringLiteral("接続を許可する端末: 127.0.0.1"));

        // At once, another machine can no longer take the link.
        QTcpSocket stranger;
        stranger.bind(QHostAddress(QStringLiteral("127.0.0.2")));
        stranger.connectToHost(QHostAddress::LocalHost, quint16(port));
        QVERIFY(QTest::qWaitFor([&] { return stranger.state() == QAbstractSocket::UnconnectedState; }, 5000));
        QCOMPARE(phone.state(), QAbstractSocket::ConnectedState);
        QVERIFY(device->ClientConnecting());
    }

    void connectFailuresKeepTheDevice()
    {
        SocatPair::UseTemplate(*FEnv); // no pseudo-terminal behind it: the serial port cannot open
        TestDeviceHost host;
        TfrmDeviceSetup f(host);
        f.SetFetchTimings(Quick());
        f.show();

        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::Any, 0));
        Fill(f, QString::number(squatter.serverPort()), 0, QStringLiteral("本店"));
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("スマホとの通信ができませんでした。")});
        QCOMPARE(Cell(f, 0, 3), QStringLiteral("切断中"));

        MessageService::clearShown();
        Fill(f, QStringLiteral("7"), 1, QStringLiteral("青歯"));
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("スマホとの接続ができませんでした。")});
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Warning);
        QCOMPARE(host.FList.Count(), 2);
        // Both kept and stored, in port order, so supervision keeps trying them.
        QCOMPARE(Adapta(QStringLiteral("COUNT")), QStringLiteral("2"));
        QCOMPARE(Adapta(QStringLiteral("PORT_NO_1")), QStringLiteral("7"));
        QCOMPARE(Adapta(QStringLiteral("DEVICE_INDEX_1")), QStringLiteral("1"));
        QCOMPARE(Cell(f, 0, 0), QStringLiteral("7"));
        QCOMPARE(f.sgdDevice->currentRow(), 0);
    }

    void registerBluetoothPhone()
    {
        if (!SocatPair::Available())
            QSKIP("socat is not installed");
        SocatPair::UseTemplate(*FEnv);
        SocatPair pair(*FEnv, 3);
        QVERIFY(pair.WaitReady());
        Kit::Phone phone({QStringLiteral("--serial"), pair.PhoneSide(), QStringLiteral("--own-number"),
                          QStringLiteral("0809998877")});
        QVERIFY2(phone.WaitLinkUp(), qPrintable(phone.Errors()));
        TestDeviceHost host;
        TfrmDeviceSetup f(host);
        f.SetFetchTimings(Quick());
        f.show();
        Fill(f, QStringLiteral("3"), 1, QStringLiteral("青歯"));
        bool blinking = false;
        QTimer::singleShot(0, &f, [&] { blinking = f.lblHint[4]->isVisible() && f.tmrBlink->isActive(); });
        QTest::mouseClick(f.btnRegist, Qt::LeftButton);
        QVERIFY(blinking);
        QVERIFY(!f.tmrBlink->isActive());
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("登録しました。")});
        QCOMPARE(f.edtTelNo->text(), QStringLiteral("0809998877"));
        QCOMPARE(Cell(f, 0, 3), QStringLiteral("接続中"));
        QCOMPARE(PortNoOfSerialDevice(FEnv->path(QStringLiteral("ttyPC3"))), 3);
    }

    void deleteOnlyTheSelectedDeviceAfterOk()
    {
        TestDeviceHost host;
        TTelCom* wifi = host.AddDevice(Kit::FreePort(), 0, QStringLiteral("本店"));
        DeviceSettings::Connect(*wifi, wifi->PortNo());
        QVERIFY(wifi->Connecting());
        TTelCom* other = host.AddDevice(wifi->PortNo() == 65535 ? 1 : wifi->PortNo() + 1, 0, QStringLiteral("支店"));
        TfrmDeviceSetup f(host);
        f.show();

        QTest::mouseClick(f.btnDelete, Qt::LeftButton); // nothing selected
        QVERIFY(MessageService::shownTexts().isEmpty());
        QCOMPARE(host.FList.Count(), 2);

        f.sgdDevice->selectRow(0);
        MessageService::setNextAnswer(MsgResult::Cancel);
        QTest::mouseClick(f.btnDelete, Qt::LeftButton);
        QCOMPARE(MessageService::shownTexts(),
                 QStringList{QStringLiteral("選択されている設定を削除してもよろしいですか？")});
        QCOMPARE(MessageService::shown().first().buttons, MsgButtons::OkCancel);
        QCOMPARE(host.FList.Count(), 2);
        QCOMPARE(host.Saves, 0);

        QPointer<TTelCom> gone(wifi);
        const int freedPort = wifi->PortNo();
        f.sgdDevice->selectRow(0);
        MessageService::setNextAnswer(MsgResult::Ok);
        QTest::mouseClick(f.btnDelete, Qt::LeftButton);
        QCOMPARE(host.FList.Count(), 1);
        QCOMPARE(host.FList.Items(0), other);
        QCOMPARE(host.Saves, 1);
        QCOMPARE(host.MenuBuilds, 1);
        QCOMPARE(Adapta(QStringLiteral("COUNT")), QStringLiteral("1"));
        QCOMPARE(Adapta(QStringLiteral("DISP_NAME_1")), QStringLiteral("支店"));
        QCOMPARE(f.sgdDevice->rowCount(), 1);
        QVERIFY(QTest::qWaitFor([&] { return gone.isNull(); }, 2000));
        QTcpServer again; // the deleted device let go of its port
        QVERIFY(again.listen(QHostAddress::Any, quint16(freedPort)));

        f.sgdDevice->selectRow(0);
        MessageService::setNextAnswer(MsgResult::Ok);
        QTest::mouseClick(f.btnDelete, Qt::LeftButton);
        QCOMPARE(host.FList.Count(), 0);
        QCOMPARE(Adapta(QStringLiteral("COUNT")), QStringLiteral("0"));
        QCOMPARE(f.sgdDevice->rowCount(), 1);
        QVERIFY(!f.btnDelete->isEnabled());
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestDeviceSetup t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_devicesetup.moc"
