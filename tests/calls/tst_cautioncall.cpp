// Calls the shop should be warned about: a phone-book entry flagged 要注意, a call from
// abroad, and what the panel says of a caller the phone book does not name.
#include "admin/TelsBook.h"
#include "admin/ui/ExternalPlugin.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "core/Clock.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "reports/BandReport.h"
#include "reports/TfrmTotal.h"
#include "support/FakeWindowLayer.h"
#include "support/RecordingLauncher.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

void addLink()
{
    dmCmn->ExecSql("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EXEC_PATH, COMMAND, CAPTION, END_REQ) "
                   "values (1, 'crm', 'EXE', '/opt/crm/crm', '/t=', 'CRM', 9)");
}
} // namespace

class TestCautionCall : public QObject
{
    Q_OBJECT

    struct World
    {
        explicit World(const QString& ini)
        {
            env.writeIni(ini);
            LoadStartupSettings();
            db = std::make_unique<TestDatabase>(env.path("shop.fdb"));
            addLink();
            WindowLayer::SetCurrent(std::unique_ptr<WindowLayer>(new FakeWindowLayer));
            form = std::make_unique<TfrmMain>();
            form->SetFlashInterval(1);
            QVERIFY(form->FormCreate());
            form->SetCustFrameFactory(makeFrame);
            ExternalPlugin::Of(*form)->SetLauncher(launcher);
            form->SetSpeaker([this](const QString& caller, const QString&, const QString& prefix) {
                spoken << prefix + "|" + caller;
            });
        }
        // A call through the real pipeline, until it is shown.
        void call(const QString& number)
        {
            const int before = spoken.size();
            form->QueueCall(TIncomingCall{number, QString(), 1, QString()});
            QTRY_COMPARE(spoken.size(), before + 1);
            QTRY_VERIFY(!form->Flashing());
        }
        QString panelStyle() const { return form->pnlCallName->styleSheet(); }

        TestEnv env;
        std::unique_ptr<TestDatabase> db;
        RecordingLauncher launcher;
        std::unique_ptr<TfrmMain> form;
        QStringList spoken;
    };

private slots:
    void flaggedCallerEndToEnd()
    {
        World w("[LINK]\nENABLED=1\nAUTO_LAUNCH=1\nIF_NO=1\n[BASIC]\nAUTO_CUST_INFO=1\n");
        TelsBook(*dmCmn).Store(TelsBook::Normalised(TTels{"090-1111-2222", "090-1111-2222", "迷惑太郎", "めいわく",
                                                          true, QString::fromUtf8("代金引換の詐欺")}));
        TelsBook(*dmCmn).Store(TTels{"0311112222", "0311112222", "山田商店", "やまだ"});
        const int pages = w.form->PageMain->count();

        // A flagged caller: red, the note, the caution first, no program and no tab.
        w.call("09011112222");
        QCOMPARE(w.form->pnlCallName->text(), QString::fromUtf8("迷惑太郎"));
        QVERIFY2(w.panelStyle().contains("#ff6b6b"), qPrintable(w.panelStyle()));
        QCOMPARE(w.form->pnlCallInfo->text(), QString::fromUtf8("要注意　代金引換の詐欺"));
        QVERIFY(w.form->pnlCallInfo->isVisibleTo(w.form.get()));
        QCOMPARE(w.spoken.last(), QString::fromUtf8("ご注意ください、|めいわく"));
        QVERIFY(w.launcher.Starts.isEmpty());
        QCOMPARE(w.form->PageMain->count(), pages);
        // The call log keeps the bare number; the grid shows it grouped.
        QCOMPARE(w.form->sgdLog->text(0, 1), QString("09011112222"));
        QCOMPARE(w.form->sgdLog->model()->index(0, 1).data().toString(), QString("090-1111-2222"));

        // An ordinary caller afterwards: the panel is plain again, the program starts.
        w.call("0311112222");
        QVERIFY(!w.panelStyle().contains("#ff6b6b"));
        QVERIFY(!w.form->pnlCallInfo->isVisibleTo(w.form.get()));
        QCOMPARE(w.spoken.last(), QString::fromUtf8("|やまだ"));
        QCOMPARE(w.launcher.Starts.size(), 1);
        QCOMPARE(w.launcher.Starts[0].Arguments, QStringList{"/t=0311112222"});
        QTRY_COMPARE(w.form->PageMain->count(), pages + 1);

        // With the settings allowing it, a flagged caller gets the program and the tab too.
        GCautionLaunch = true;
        GCautionCustTab = true;
        w.call("09011112222");
        QCOMPARE(w.launcher.Starts.size(), 2);
        QCOMPARE(w.launcher.Starts[1].Arguments, QStringList{"/t=09011112222"});
        QTRY_COMPARE(w.form->PageMain->count(), pages + 2);

        // The totals list the flagged number's calls of the period, and only those.
        QList<int> rowsShown;
        QStringList numbers;
        TfrmTotal::SetPreviewer([&](const BandReport& report, QWidget*) {
            rowsShown << report.Rows().Count();
            for (int r = 0; r < report.Rows().Count(); ++r)
                numbers << report.Rows().Value(r, report.Rows().ColumnIndex("TEL_NO")).toString();
        });
        TfrmTotal totals(*dmCmn, false);
        totals.SetPeriod(Clock::today(), Clock::today());
        totals.btnCaution->click();
        QCOMPARE(rowsShown, QList<int>{2});
        QCOMPARE(numbers, (QStringList{"09011112222", "09011112222"}));
        totals.SetPeriod(Clock::today().addDays(-3), Clock::today().addDays(-1));
        totals.btnCaution->click();
        QCOMPARE(rowsShown.last(), 0);
        TfrmTotal::SetPreviewer(nullptr);
    }

    void unknownWithheldAndAbroad()
    {
        World w("[SPEAK]\nCAUTION_TEXT=国際電話です、\n");
        // An unknown landline: its grouping, kind and area beside the name.
        w.call("06-6321-1234");
        QCOMPARE(w.form->pnlCallName->text(), QString::fromUtf8("発信者不明"));
        QCOMPARE(w.form->pnlCallInfo->text(), QString::fromUtf8("06-6321-1234　固定・大阪"));
        QCOMPARE(w.form->edtCall->text(), QString("0663211234"));
        QCOMPARE(w.spoken.last(), QString::fromUtf8("|はっしんしゃふめい"));

        // Withheld: "非通知" in the panel, the one blank in the call log.
        w.call("");
        QCOMPARE(w.form->pnlCallName->text(), QString::fromUtf8("非通知"));
        QVERIFY(!w.form->pnlCallInfo->isVisibleTo(w.form.get()));
        QCOMPARE(w.form->sgdLog->text(0, 1), QString(" "));

        // From abroad: yellow, the cue, the caution text first.
        w.call("+1 212 555 1234");
        QVERIFY2(w.panelStyle().contains("#ffe45c"), qPrintable(w.panelStyle()));
        QCOMPARE(w.form->pnlCallInfo->text(), QString::fromUtf8("国際電話　+1 212-555-1234　国際"));
        QCOMPARE(w.spoken.last(), QString::fromUtf8("国際電話です、|はっしんしゃふめい"));
        QCOMPARE(w.form->sgdLog->text(0, 1), QString("+12125551234"));

        // The cue switched off; bare digits asked for.
        GWarnInternational = false;
        GNumberDisplay = false;
        w.call("+12125551234");
        QVERIFY(!w.panelStyle().contains("#ffe45c"));
        QCOMPARE(w.form->pnlCallInfo->text(), QString::fromUtf8("+12125551234　国際"));
        QCOMPARE(w.spoken.last(), QString::fromUtf8("|はっしんしゃふめい"));
        QCOMPARE(w.form->sgdLog->model()->index(0, 1).data().toString(), QString("+12125551234"));
    }
};

QTEST_MAIN(TestCautionCall)
#include "tst_cautioncall.moc"
