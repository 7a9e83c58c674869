#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "devices/TTelCom.h"
#include "support/PhoneSim.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTcpServer>
#include <QtTest>

// The main window with two Wi-Fi phones played by the simulator over loopback.
class TestMainWindowPhones : public QObject
{
    Q_OBJECT

    static int rowOf(const CallLogGrid* g, const QString& telNo)
    {
        for (int r = 0; r < g->rowCount(); ++r)
            if (g->text(r, 1) == telNo)
                return r;
        return -1;
    }

    static QString cell(const CallLogGrid* g, int r, int c)
    {
        return g->text(r, c);
    }

private slots:
    void supervisionAndDialling()
    {
        TestEnv env;
        const int p1 = PhoneSim::FreePort(), p2 = PhoneSim::FreePort();
        env.writeIni(QString::fromUtf8("[ADAPTA]\nCOUNT=2\nPORT_NO_1=%1\nDISP_NAME_1=本店\nREAD_NAME_1=ほんてん\n"
                                       "DEVICE_INDEX_1=0\nPORT_NO_2=%2\nDISP_NAME_2=支店\nREAD_NAME_2=してん\n"
                                       "DEVICE_INDEX_2=0\n")
                         .arg(p1)
                         .arg(p2));
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        TfrmMain form;
        form.SetFlashInterval(1);
        form.SetStatusDialogTimings({10, 50, 1000});
        std::unique_ptr<QProcess> phone1, phone2;
        // The phones come up while the start-up waits for them.
        QTimer::singleShot(100, &form, [&]() {
            phone1 = PhoneSim::Start(p1, {"--own-number", "09011111111"});
            phone2 = PhoneSim::Start(p2, {"--own-number", "09022222222"});
        });
        QVERIFY(form.FormCreate());
        QVERIFY(phone1 && phone2);
        QTRY_COMPARE(form.StatusText(1), QString::fromUtf8("通信有効"));
        QCOMPARE(form.DeviceList().Count(), 2);

        // The second phone drops: its port is named; it comes back: all fine again.
        phone2->kill();
        phone2->waitForFinished();
        QTRY_COMPARE(form.StatusText(1), QString::fromUtf8("通信無効(%1)").arg(p2));
        phone2 = PhoneSim::Start(p2, {"--own-number", "09022222222"});
        QVERIFY(phone2);
        QTRY_COMPARE_WITH_TIMEOUT(form.StatusText(1), QString::fromUtf8("通信有効"), 15000);

        // One menu entry per phone, in list order.
        QCOMPARE(form.PopCallCom->actions().size(), 2);
        QCOMPARE(form.PopCallCom->actions().at(1)->text(), QString::fromUtf8("支店 から発信"));

        // Dial through the second phone: it gets the command, the call is logged on its port.
        form.edtCall->setText("0311112222");
        form.PopCallCom->actions().at(1)->trigger();
        QByteArray out;
        QTRY_VERIFY((out += phone2->readAllStandardOutput()).contains("< ATD0311112222;"));
        QTRY_COMPARE(cell(form.sgdLog, 0, 1), QString("0311112222"));
        QCOMPARE(cell(form.sgdLog, 0, 2), QString::fromUtf8("発信"));
        QCOMPARE(cell(form.sgdLog, 0, 3), QString::number(p2));

        // No number: asked for one, nothing sent.
        form.edtCall->clear();
        form.ComTelCall(0);
        QCOMPARE(MessageService::shownTexts().last(), QString::fromUtf8("電話番号を入力してください。"));

        // A typed number with a command in it: refused by name, nothing sent; full-width
        // digits and hyphens are dialled as plain digits.
        form.edtCall->setText("0311;ATH");
        form.ComTelCall(1);
        QVERIFY(MessageService::shownTexts().last().startsWith(QString::fromUtf8("電話番号「0311;ATH」には発信できません。")));
        form.edtCall->setText(QString::fromUtf8("０３－１１１１－３３３３"));
        form.ComTelCall(1);
        QTRY_VERIFY((out += phone2->readAllStandardOutput()).contains("< ATD0311113333;"));
        QVERIFY(!out.contains("ATH"));

        // A caller on the first phone: its number and name on the called-line panels, its port logged.
        // (Calls within one second may list in either order.)
        phone1->write("0355556666\n");
        QTRY_VERIFY(rowOf(form.sgdLog, "0355556666") >= 0);
        QCOMPARE(cell(form.sgdLog, rowOf(form.sgdLog, "0355556666"), 3), QString::number(p1));

        // A dial address forwarded from another program dials through the first phone.
        form.OnDemoActivate("ZUVARO:dial?TELNO=0399990000");
        QByteArray out1;
        QTRY_VERIFY((out1 += phone1->readAllStandardOutput()).contains("< ATD0399990000;"));

        form.Teardown();
        // The disconnect events of the teardown connect nothing again.
        for (int i = 0; i < form.DeviceList().Count(); ++i)
            QVERIFY(!form.DeviceList().Items(i)->Active());
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::Any, quint16(p1)));
        probe.close();
        phone1->waitForFinished(5000);
        phone2->waitForFinished(5000);
    }

    void noPhonesConfigured()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        TfrmMain form;
        QVERIFY(form.FormCreate());
        // Asked once whether to set phones up (answered no); the status stays empty.
        QVERIFY(MessageService::shownTexts().contains(QString::fromUtf8(
            "通信設定されていません。Androidスマホとの通信設定を行ってください。\r\n今すぐ設定を行いますか？")));
        form.AndroidTimerTimer();
        QCOMPARE(form.StatusText(1), QString());
        // A number to dial and no phone to dial it with: said so, with the setup on offer,
        // for the button as for a forwarded dial address.
        const QString question = QString::fromUtf8(
            "通信設定されていません。Androidスマホとの通信設定を行ってください。\r\n今すぐ設定を行いますか？");
        form.edtCall->setText("0311112222");
        MessageService::setNextAnswer(MsgResult::No);
        form.btnCallClick();
        QCOMPARE(MessageService::shownTexts(), QStringList({question, question}));
        form.OnDemoActivate("zuvaro:dial?telno=0311113333");
        QCOMPARE(MessageService::shownTexts().size(), 3);
        QCOMPARE(MessageService::shownTexts().last(), question);
        QString opened;
        QTimer::singleShot(0, &form, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                opened = d->objectName() + "|" + d->windowTitle();
                d->close();
            }
        });
        MessageService::setNextAnswer(MsgResult::Yes);
        form.btnCallClick();
        QCOMPARE(opened, QString::fromUtf8("frmDeviceSetup|Androidスマホとの通信設定"));
        form.Teardown();
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestMainWindowPhones t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainwindow_phones.moc"
