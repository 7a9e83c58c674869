#include "calls/TfrmMain.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "db/StorableText.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QLayout>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {
// An object whose event handler fails the way a database call can.
class Thrower : public QObject
{
public:
    QString message;
    QString unstorable; // when set, the value checked for storing instead
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User && !unstorable.isNull())
            CheckStorableText(QStringLiteral("件名"), unstorable);
        if (e->type() == QEvent::User)
            throw AppError(message);
        return QObject::event(e);
    }
};
} // namespace

class TestFrmMainFrame : public QObject
{
    Q_OBJECT

private slots:
    void statusBarAndHandle()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        QCOMPARE(form.windowTitle(), QString::fromUtf8("Zuvaro３"));
        QVERIFY(form.StatusText(2).startsWith(QString::fromUtf8("Android版 Ver. ") + gVersion.Text + " / IP: "));
        QVERIFY(!gVersion.Text.isEmpty());
        QCOMPARE(gIni->ReadString("MAIN_FORM", "HANDLE", ""), QString::number(QCoreApplication::applicationPid()));
        QCOMPARE(form.minimumWidth(), form.DesignWidth());
        // The height is what the layout needs, never below 250.
        form.layout()->activate();
        QCOMPARE(form.minimumHeight(), form.layout()->totalMinimumSize().height());
        QVERIFY(form.minimumHeight() >= 250);
        // Every menu button has its dialog plugged in; the close buttons work.
        for (const char* name : {"btnCustInfo", "btnTels", "btnTotal", "btnMemo", "btnSettings", "btnExport",
                                 "btnDelete", "btnInterface", "btnMaster"})
            QVERIFY2(form.findChild<QPushButton*>(name)->isEnabled(), name);
        QVERIFY(form.findChild<QPushButton*>("btnClose")->isEnabled());
    }

    // Resident mode on a desktop without a notification area: minimised, never lost.
    void residentWithoutATray()
    {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this desktop has a notification area");
        TestEnv env;
        env.writeIni("[BASIC]\nJOUCHU=1\nJOUCHU_KIDOU=1\n");
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        TfrmMain form;
        QVERIFY(form.FormCreate());
        QVERIFY(form.StartHidden());
        form.ShowMainWindow();
        QVERIFY(form.isVisible());
        QVERIFY(form.isMinimized());
        form.Open1Click();
        QVERIFY(!form.isMinimized());
        form.btnCloseClick();
        QVERIFY(form.isVisible());
        QVERIFY(form.isMinimized());
        QVERIFY(ProgramRunner::logText().contains(QString::fromUtf8("タスクトレイがないため")));
        form.Teardown();
    }

    void logMenu()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        form.UpdateLogMenu();
        QVERIFY(form.mnuTrace->isChecked());
        QVERIFY(form.mnuOpenLog->isEnabled());

        // Off: trace lines stop, always-written lines go on, DEBUG=0.
        form.TraceMenuClick();
        QVERIFY(!gTraceOn);
        QCOMPARE(gIni->ReadString("COMMON", "DEBUG", ""), QString("0"));
        WriteTraceLog("not written");
        WriteLog("written");
        QVERIFY(!ProgramRunner::logText().contains("not written"));
        QVERIFY(ProgramRunner::logText().contains("written"));

        // On: a fresh file.
        form.TraceMenuClick();
        QVERIFY(gTraceOn);
        QCOMPARE(gIni->ReadString("COMMON", "DEBUG", ""), QString("1"));
        QVERIFY(!QFile::exists(gCurLogFile));
        QVERIFY(!form.mnuOpenLog->isEnabled());
        form.OpenLogMenuClick();
        QCOMPARE(MessageService::shownTexts().last(), QString::fromUtf8("ログファイルはありません。"));
    }

    void escapedExceptionsAreLoggedShownAndReconnect()
    {
        TestEnv env;
        QStringList reconnects;
        ZuvaroApplication::setReconnectHandler([&](const QString& m) { reconnects << m; });
        Thrower thrower;
        thrower.message = "Error writing data to the connection.";
        QEvent event(QEvent::User);
        // QApplication::notify is where our handler sits; call it as the loop would.
        QVERIFY(!static_cast<ZuvaroApplication*>(qApp)->notify(&thrower, &event));
        QVERIFY(ProgramRunner::logText().contains(
            "This is on AppException Proc., E.Message=Error writing data to the connection."));
        QCOMPARE(MessageService::shown().last().kind, MsgKind::Error);
        QCOMPARE(MessageService::shown().last().text, thrower.message);
        QCOMPARE(reconnects, QStringList{thrower.message});

        // Always written, even with tracing off.
        gTraceOn = false;
        thrower.message = "plain failure";
        QVERIFY(!static_cast<ZuvaroApplication*>(qApp)->notify(&thrower, &event));
        QVERIFY(ProgramRunner::logText().contains("E.Message=plain failure"));

        // A value that cannot be stored is the user's to correct: a warning naming the field,
        // no error box, no reconnection.
        reconnects.clear();
        const int before = int(MessageService::shown().size());
        thrower.unstorable = QStringLiteral("お見積り😀");
        QVERIFY(!static_cast<ZuvaroApplication*>(qApp)->notify(&thrower, &event));
        QCOMPARE(MessageService::shown().size(), before + 1);
        QCOMPARE(MessageService::shown().last().kind, MsgKind::Warning);
        QCOMPARE(MessageService::shown().last().text, QStringLiteral("「件名」に登録できない文字（😀）が含まれています。"));
        QVERIFY(reconnects.isEmpty());
        ZuvaroApplication::setReconnectHandler(nullptr);
    }
};

int main(int argc, char** argv)
{
    ZuvaroApplication app(argc, argv);
    TestFrmMainFrame t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_frmmain_frame.moc"
