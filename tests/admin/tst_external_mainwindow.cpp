// The external links in the main window: the program menu, "顧客情報(&I)", the launch on an
// incoming call, the end requests at teardown and the restart after a settings change.

#include "admin/TfrmInterface.h"
#include "admin/TfrmSet.h"
#include "admin/ui/ExternalPlugin.h"
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "support/FakeWindowLayer.h"
#include "support/RecordingLauncher.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

namespace {
QWidget* makeFrame(const QString& number, QWidget* parent)
{
    auto* w = new QWidget(parent);
    w->setObjectName("fraCust");
    w->setProperty("CustTelNon", number);
    return w;
}

void addLink(int ifNo, const QString& name, const QString& path, const QString& command, const QString& caption)
{
    dmCmn->ExecSql(QString("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EXEC_PATH, COMMAND, CAPTION, END_REQ) "
                           "values (%1, '%2', 'EXE', '%3', '%4', '%5', 9)")
                       .arg(ifNo)
                       .arg(name, path, command, caption));
}

QStringList captions(QMenu* menu)
{
    QStringList out;
    for (QAction* a : menu->actions())
        out << a->text() + (a->font().bold() ? "*" : "");
    return out;
}
} // namespace

class TestExternalMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void menuButtonCallsAndTeardown()
    {
        TestEnv env;
        env.writeIni("[LINK]\nENABLED=1\nIF_NO=2\n");
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        addLink(1, "crm", "/opt/crm/crm", "", "CRM");
        addLink(2, "reader", "/opt/x/reader", "/t=", "Reader");
        auto* windows = new FakeWindowLayer;
        WindowLayer::SetCurrent(std::unique_ptr<WindowLayer>(windows));
        RecordingLauncher launcher;

        TfrmMain form;
        QVERIFY(form.FormCreate());
        form.SetCustFrameFactory(makeFrame);
        ExternalPlugin* plugin = ExternalPlugin::Of(form);
        QVERIFY(plugin);
        plugin->SetLauncher(launcher);
        for (const char* b : {"btnCustInfo", "btnSettings", "btnInterface", "btnMaster"})
            QVERIFY2(form.findChild<QPushButton*>(b)->isEnabled(), b);
        QCOMPARE(captions(form.PopMaster).last(), QStringLiteral("外部接続登録"));

        // The program menu: one entry per link, the chosen one bold, our own customer last.
        QCOMPARE(captions(plugin->PopLink), (QStringList{"crm", "reader*", "Zuvaroの顧客情報"}));

        form.edtCall->setText("0312345678");
        form.findChild<QPushButton*>("btnCustInfo")->click();
        QCOMPARE(launcher.Starts.size(), 1);
        QCOMPARE(launcher.Starts[0].Program, QString("/opt/x/reader"));
        QCOMPARE(launcher.Starts[0].Arguments, QStringList{"/t=0312345678"});
        plugin->PopLink->actions().at(0)->trigger();
        QCOMPARE(launcher.Starts.size(), 2);
        QCOMPARE(launcher.Starts[1].Program, QString("/opt/crm/crm"));

        // An incoming call launches the program only with the automatic start on.
        TCallResult call;
        call.TelNo = "0399990000";
        call.PortNo = 60600;
        form.PresentCall(call);
        QCOMPARE(launcher.Starts.size(), 2);
        GAutoLaunch = true;
        form.PresentCall(call);
        QCOMPARE(launcher.Starts.size(), 3);
        QCOMPARE(launcher.Starts[2].Arguments, QStringList{"/t=0399990000"});
        GAutoLaunch = false;

        // Without the link the button and the last menu entry open our own customer tab.
        GLinkEnabled = false;
        plugin->SetLinkMenuDefault();
        QCOMPARE(captions(plugin->PopLink), (QStringList{"crm", "reader", "Zuvaroの顧客情報"}));
        const int pages = form.PageMain->count();
        form.findChild<QPushButton*>("btnCustInfo")->click();
        QCOMPARE(form.PageMain->count(), pages + 1);
        QCOMPARE(launcher.Starts.size(), 3);
        form.edtCall->setText("0311110000");
        plugin->PopLink->actions().last()->trigger();
        QCOMPARE(form.PageMain->count(), pages + 2);

        // At the end, each started program still running gets its end message.
        const auto reader = windows->AddWindow("Reader");
        form.Teardown();
        QCOMPARE(windows->PostedMessages.size(), 1);
        QCOMPARE(windows->PostedMessages[0].Window, reader);
        QCOMPARE(windows->PostedMessages[0].Message, 1033u);
        WindowLayer::SetCurrent(nullptr);
    }

    void unknownLinkOpensTheSettings()
    {
        TestEnv env;
        env.writeIni("[LINK]\nENABLED=1\nIF_NO=-1\n");
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        WindowLayer::SetCurrent(std::make_unique<FakeWindowLayer>());
        TfrmMain form;
        QVERIFY(form.FormCreate());
        bool opened = false;
        QTimer::singleShot(0, &form, [&]() {
            if (auto* dlg = form.findChild<TfrmSet*>()) {
                opened = true;
                dlg->reject();
            }
        });
        form.findChild<QPushButton*>("btnCustInfo")->click();
        QVERIFY(opened);
        QVERIFY(MessageService::shownTexts().contains("起動プログラムを設定してください。"));
        WindowLayer::SetCurrent(nullptr);
    }

    void masterChangesRebuildTheMenu()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        TfrmMain form;
        QVERIFY(form.FormCreate());
        ExternalPlugin* plugin = ExternalPlugin::Of(form);
        QCOMPARE(captions(plugin->PopLink), QStringList{"Zuvaroの顧客情報"});
        QTimer::singleShot(0, &form, [&]() {
            auto* dlg = form.findChild<TfrmInterface*>();
            QVERIFY(dlg);
            dlg->btnAdd->click();
            dlg->edtIfNo->setText("4");
            dlg->edtIfName->setText("新規");
            dlg->cbxIfType->setCurrentText("TXT");
            dlg->btnOK->click();
            dlg->btnClose->click();
            if (dlg->isVisible())
                dlg->done(QDialog::Rejected);
        });
        form.PopMaster->actions().last()->trigger();
        QCOMPARE(captions(plugin->PopLink), (QStringList{"新規", "Zuvaroの顧客情報"}));
    }

    void settingsChangeRestartsTheProgram()
    {
        TestEnv env;
        env.writeIni("[BASIC]\nUSE_ACCEPT=0\n");
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        gRestartRequested = false;
        TfrmMain form;
        QVERIFY(form.FormCreate());
        form.show();
        QVERIFY(!form.PageMain->isTabVisible(1));
        QSignalSpy teardown(&form, &TfrmMain::tearingDown);
        QTimer::singleShot(0, &form, [&]() {
            auto* dlg = form.findChild<TfrmSet*>();
            QVERIFY(dlg);
            dlg->chkUseAccept->setChecked(true);
            MessageService::setNextAnswer(MsgResult::Ok);
            dlg->btnOK->click();
        });
        form.findChild<QPushButton*>("btnSettings")->click();
        QVERIFY(gRestartRequested);
        QVERIFY(form.PageMain->isTabVisible(1)); // applied at once
        QCOMPARE(teardown.count(), 1);           // and the window closed for the restart
        QVERIFY(!form.isVisible());
        gRestartRequested = false;
    }
};

QTEST_MAIN(TestExternalMainWindow)
#include "tst_external_mainwindow.moc"
