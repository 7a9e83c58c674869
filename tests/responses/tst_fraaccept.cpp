// Responses on a customer's lower tabs, on the real main window over a real database.
#include "calls/TUpTable.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "customers/TfraCust.h"
#include "db/ColumnWidths.h"
#include "db/TdmCmn.h"
#include "responses/TfraAccept.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/AcceptMarkDelegate.h"
#include "ui/DialogKit.h"
#include "ui/QtMessagePresenter.h"
#include "ui/ZuvaroApplication.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimeEdit>
#include <QtTest>

namespace {
// A tab's caption as the frames write it: the shown label and the mode letter kept in the
// tab's data.
QString caption(const QTabWidget* pages, int index)
{
    return pages->tabText(index) + pages->tabBar()->tabData(index).toString();
}
const QString kTel = QStringLiteral("0312345678");
// How the call log shows it.
const QString kTelShown = QStringLiteral("03-1234-5678");

QString cell(const QAbstractItemView* grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

struct World
{
    TestEnv env;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<TfrmMain> form;

    explicit World(const QString& ini = QStringLiteral("[BASIC]\nUSE_ACCEPT=1\n"))
    {
        env.writeIni(ini);
        db = std::make_unique<TestDatabase>(env.path("shop.fdb"));
        ColumnWidths::Reset();
        LoadStartupSettings();
        gCurrentUser = TUser();
        form = std::make_unique<TfrmMain>();
        form->SetFlashInterval(1);
        form->SetSpeaker([](const QString&, const QString&, const QString&) {});
        if (!form->FormCreate())
            qFatal("FormCreate failed");
        MessageService::clearShown();
        MessageService::clearAnswers();
    }
    ~World()
    {
        form.reset();
        gCurrentUser = TUser();
    }
    int addCustomer(const QString& tel = kTel)
    {
        TCust c;
        c.CustTel = tel;
        c.CustTelNon = tel;
        c.CustName = QStringLiteral("山田商店");
        const int custNo = dmCmn->InsertCustData(c);
        dmCmn->InsertTels(TTels{tel, tel, QStringLiteral("山田商店"), QStringLiteral("やまだ")});
        return custNo;
    }
    int addCall(int secondsLater = 0)
    {
        TLog log;
        log.DtFrom = Clock::now().addSecs(secondsLater);
        log.TelNo = kTel;
        log.TelType = QStringLiteral("着信");
        log.PortNo = 1;
        return dmCmn->InsertLog(log);
    }
    int addAccept(int custNo, const QString& title, const QString& typeId = "0001", const QString& userId = "admin")
    {
        TAccept a;
        a.ActDt = QDateTime(QDate(2026, 1, 2), QTime(10, 30));
        a.CustNo = QString::number(custNo);
        a.TypeId = typeId;
        a.ResultId = "0002";
        a.UserId = userId;
        a.Title = title;
        a.Content = title + QStringLiteral(" の内容\n二行目");
        return dmCmn->InsertAccept(a);
    }
    TfraCust* open(const QString& number = kTel)
    {
        const int index = form->OpenCustTab(number);
        QCoreApplication::processEvents();
        return qobject_cast<TfraCust*>(form->PageMain->widget(index));
    }
    QString scalar(const QString& sql) { return TestDatabase::Scalar(sql); }
    int count(const QString& where = QString())
    {
        return scalar("select count(*) from ACCEPT_T" + (where.isEmpty() ? QString() : " where " + where)).toInt();
    }
};

TfraAccept* page(TfraCust* cust, int index)
{
    return qobject_cast<TfraAccept*>(cust->PageHistory->widget(index));
}

TfraAccept* current(TfraCust* cust)
{
    return qobject_cast<TfraAccept*>(cust->PageHistory->currentWidget());
}

// A new response on the customer's tab whose inputs take text past the typing limit, as
// text put in by other means than typing would.
TfraAccept* openUnlimited(TfraCust* cust)
{
    cust->OpenAcceptTab(-1, QString(), false);
    TfraAccept* fra = current(cust);
    DialogKit::LimitBytes(fra->edtTitle, -1);
    DialogKit::LimitBytes(fra->richContent, -1);
    return fra;
}
} // namespace

class TestFraAccept : public QObject
{
    Q_OBJECT
private slots:
    void savingFromACallAndFromTheAddButton()
    {
        World w;
        const int custNo = w.addCustomer();
        const int logNo = w.addCall();
        TfraCust* cust = w.open();
        QVERIFY(cust);
        cust->OpenAcceptTab(-1, QString::number(logNo), false);
        QCOMPARE(cust->PageHistory->count(), 3);
        TfraAccept* fra = current(cust);
        QVERIFY(fra);
        QCOMPARE(caption(cust->PageHistory, 2), QString::fromUtf8(" 新 規         E"));
        QVERIFY(fra->btnSave->isEnabled() && !fra->btnActEdit->isEnabled());
        QVERIFY(fra->btnSave->styleSheet().contains("128,255,0"));
        QCOMPARE(DialogKit::ByteLimit(fra->edtTitle), 100);

        fra->dtpActDate->setDate(QDate(2026, 2, 3));
        fra->dtpActTime->setTime(QTime(9, 15));
        fra->cbxType->setCurrentIndex(2);
        fra->cbxResult->setCurrentIndex(0);         // the empty first entry
        QCOMPARE(fra->cbxUser->currentIndex(), -1); // nobody logged in
        fra->edtTitle->setText(QString::fromUtf8("見積の件"));
        fra->richContent->setPlainText(QString::fromUtf8("一行目\n二行目"));
        QTest::mouseClick(fra->btnSave, Qt::LeftButton);

        QCOMPARE(w.count(), 1);
        QVERIFY(fra->FActNo > 0);
        const QString act = QString::number(fra->FActNo);
        QCOMPARE(w.scalar("select LOG_NO from ACCEPT_T"), QString::number(logNo));
        QCOMPARE(w.scalar("select CUST_NO from ACCEPT_T"), QString::number(custNo));
        QCOMPARE(w.scalar("select TYPE_ID from ACCEPT_T"), QString("0002"));
        // Empty choices are stored as empty texts, not null.
        QCOMPARE(w.count("RESULT_ID = '' and USERID = ''"), 1);
        QCOMPARE(w.scalar("select TITLE from ACCEPT_T"), QString::fromUtf8("見積の件"));
        QCOMPARE(w.scalar("select CONTENT from ACCEPT_T"), QString::fromUtf8("一行目\n二行目"));
        QCOMPARE(w.count("ACT_DT = '2026/02/03 09:15:00'"), 1);
        // The caption turns into the number, in browse mode.
        QCOMPARE(caption(cust->PageHistory, 2), QString("No.%1").arg(act).leftJustified(15) + "B");
        QCOMPARE(cust->PageHistory->tabText(2), QString("No.%1").arg(act).leftJustified(15));
        QVERIFY(fra->Browsing() && !fra->btnSave->isEnabled() && fra->btnActEdit->isEnabled());
        QVERIFY(fra->richContent->isReadOnly());
        // The call's rows show the response in both call logs, and the customer's list has it.
        QCOMPARE(cell(cust->sgdLog, 0, 6), act);
        QCOMPARE(cell(w.form->sgdLog, 0, 6), act);
        QCOMPARE(cust->AcceptList()->rowCount(), 1);
        QVERIFY(cust->btnActEdit->isEnabled() && cust->btnActDel->isEnabled());

        // A response from the add button is tied to no call.
        QTest::mouseClick(fra->btnActAdd, Qt::LeftButton);
        QCOMPARE(cust->PageHistory->count(), 4);
        QCOMPARE(cust->PageHistory->currentIndex(), 3);
        current(cust)->btnSaveClick();
        QCOMPARE(w.count("LOG_NO is null"), 1);
        QCOMPARE(w.count(), 2);
    }

    void oneUnsavedNewResponsePerCustomer()
    {
        World w;
        w.addCustomer();
        TfraCust* cust = w.open();
        cust->EnsureAcceptPage();
        QTest::mouseClick(cust->btnActAdd, Qt::LeftButton);
        QCOMPARE(cust->PageHistory->count(), 3);
        cust->PageHistory->setCurrentIndex(0);
        // The list's add button, a call without a response and the main window all land on it.
        QTest::mouseClick(cust->btnActAdd, Qt::LeftButton);
        cust->OpenAcceptTab(-1, "5", false);
        w.form->OpenCustAccept(kTel, QString(), "6", false);
        QCOMPARE(cust->PageHistory->count(), 3);
        QCOMPARE(cust->PageHistory->currentIndex(), 2);
        QCOMPARE(current(cust)->FLogNo, QString());

        // The list's search button hands this customer to the response search.
        TfraCust* searched = nullptr;
        TfraCust::SetHistorySearchOpener([&](TfraCust& frame) { searched = &frame; });
        QTest::mouseClick(cust->btnHistorySearch, Qt::LeftButton);
        TfraCust::SetHistorySearchOpener(nullptr);
        QCOMPARE(searched, cust);
    }

    void cancelRestoresOrClosesAndOpenResponsesAreFound()
    {
        World w;
        const int custNo = w.addCustomer();
        const int a1 = w.addAccept(custNo, "first");
        TfraCust* cust = w.open();
        QCOMPARE(cust->AcceptList()->rowCount(), 1);
        // Edit from the list: an existing response in edit mode, with its stored values.
        cust->sgdAccept->setCurrentCell(0, 0);
        QTest::mouseClick(cust->btnActEdit, Qt::LeftButton);
        TfraAccept* fra = current(cust);
        QVERIFY(fra && !fra->Browsing());
        QCOMPARE(caption(cust->PageHistory, 2), QString("No.%1").arg(a1).leftJustified(15) + "E");
        QCOMPARE(fra->edtTitle->text(), QString("first"));
        QCOMPARE(fra->cbxType->currentIndex(), 1);
        QCOMPARE(fra->cbxResult->currentIndex(), 2);
        QCOMPARE(fra->dtpActDate->date(), QDate(2026, 1, 2));
        fra->edtTitle->setText("changed");
        fra->richContent->setPlainText("changed too");
        fra->cbxType->setCurrentIndex(0);
        QTest::mouseClick(fra->btnCancel, Qt::LeftButton);
        QVERIFY(fra->Browsing());
        QCOMPARE(fra->edtTitle->text(), QString("first"));
        QCOMPARE(fra->richContent->toPlainText(), QString::fromUtf8("first の内容\n二行目"));
        QCOMPARE(fra->cbxType->currentIndex(), 1);
        QCOMPARE(caption(cust->PageHistory, 2).right(1), QString("B"));

        // Viewing it again (double-click on the list) activates the open tab.
        cust->PageHistory->setCurrentIndex(1);
        emit cust->sgdAccept->cellDoubleClicked(0, 0);
        QCOMPARE(cust->PageHistory->count(), 3);
        QCOMPARE(cust->PageHistory->currentIndex(), 2);

        // Cancel of a new response closes its tab once the handler has returned.
        cust->OpenAcceptTab(-1, QString(), false);
        QCOMPARE(cust->PageHistory->count(), 4);
        QPointer<TfraAccept> fresh = current(cust);
        QTest::mouseClick(fresh->btnCancel, Qt::LeftButton);
        QCOMPARE(cust->PageHistory->count(), 4);
        QTRY_VERIFY(fresh.isNull());
        QCOMPARE(cust->PageHistory->count(), 3);
        QCOMPARE(cust->PageHistory->currentIndex(), 2);
        QCOMPARE(w.count(), 1);
    }

    void responseListIsBuiltWhenFirstShown()
    {
        World w;
        const int custNo = w.addCustomer();
        const int old = w.addAccept(custNo, "old");
        TfraCust* cust = w.open();
        QVERIFY(!cust->sgdAccept && !cust->findChild<QSplitter*>());
        // A refresh meanwhile is not lost: the list shows it when it is first shown.
        const int fresh = w.addAccept(custNo, "fresh");
        TUpTable flags = TUpTable::With({TUpTable::AcceptTable});
        flags.CustNo = custNo;
        w.form->RefreshTables(flags);
        QVERIFY(!cust->sgdAccept);
        cust->PageHistory->setCurrentIndex(1);
        QVERIFY(cust->sgdAccept && cust->sgdAccept->isVisibleTo(cust));
        QStringList shown;
        for (int r = 0; r < cust->sgdAccept->rowCount(); ++r)
            shown << cell(cust->sgdAccept, r, 5);
        QStringList stored{QString::number(old), QString::number(fresh)};
        shown.sort();
        stored.sort();
        QCOMPARE(shown, stored);
        QCOMPARE(cust->richContent->toPlainText(), cell(cust->sgdAccept, 0, 7));
        QVERIFY(cust->btnActEdit->isEnabled() && cust->btnActDel->isEnabled());
    }

    void deleteClosesExactlyItsTab()
    {
        World w;
        const int custNo = w.addCustomer();
        const int a1 = w.addAccept(custNo, "one");
        const int a2 = w.addAccept(custNo, "two");
        const int a3 = w.addAccept(custNo, "three");
        TfraCust* cust = w.open();
        for (int a : {a1, a2, a3})
            cust->OpenAcceptTab(a, QString(), true);
        QCOMPARE(cust->PageHistory->count(), 5);

        // From the frame: asked, deleted, and only its own tab goes.
        cust->PageHistory->setCurrentIndex(3);
        QPointer<TfraAccept> second = current(cust);
        QCOMPARE(second->FActNo, a2);
        MessageService::setNextAnswer(MsgResult::Cancel);
        QTest::mouseClick(second->btnActDel, Qt::LeftButton);
        QCOMPARE(w.count(), 3);
        MessageService::setNextAnswer(MsgResult::Ok);
        QTest::mouseClick(second->btnActDel, Qt::LeftButton);
        QCOMPARE(MessageService::shownTexts().last(),
                 QString::fromUtf8("開いているいる対応内容を削除してよろしいですか？"));
        QTRY_VERIFY(second.isNull());
        QCOMPARE(w.count(), 2);
        QCOMPARE(cust->PageHistory->count(), 4);
        QCOMPARE(page(cust, 2)->FActNo, a1);
        QCOMPARE(page(cust, 3)->FActNo, a3);
        QCOMPARE(cust->PageHistory->currentIndex(), 2);
        QCOMPARE(cust->AcceptList()->rowCount(), 2);

        // From the customer's list: the response of the selected row, and its tab with it.
        int row = -1;
        for (int r = 0; r < cust->sgdAccept->rowCount(); ++r)
            if (cell(cust->sgdAccept, r, 5) == QString::number(a3))
                row = r;
        cust->sgdAccept->setCurrentCell(row, 0);
        MessageService::setNextAnswer(MsgResult::Ok);
        QTest::mouseClick(cust->btnActDel, Qt::LeftButton);
        QCOMPARE(w.count(), 1);
        QCOMPARE(cust->PageHistory->count(), 3);
        QCOMPARE(page(cust, 2)->FActNo, a1);

        // No row selected: the warning, nothing deleted.
        cust->sgdAccept->setRowCount(0);
        QTest::mouseClick(cust->btnActEdit, Qt::LeftButton);
        QCOMPARE(MessageService::shownTexts().last(), QString::fromUtf8("対応履歴を選択してください。"));
        QCOMPARE(w.count(), 1);
    }

    void retiredChoicesLoadEmptyAndAreWrittenBackEmpty()
    {
        World w;
        const int custNo = w.addCustomer();
        dmCmn->ExecSql("insert into USER_M (USERID, USERNM, PASSWD, AUTH, LISTID, TODT) values "
                       "('gone', 'Gone', '', 0, '2', '2020-01-01')");
        const int act = w.addAccept(custNo, "old", "0009", "gone");
        gCurrentUser.UserId = "admin";
        TfraCust* cust = w.open();
        cust->OpenAcceptTab(act, QString(), false);
        TfraAccept* fra = current(cust);
        // The logged-in user is not put in place of the expired one.
        QCOMPARE(fra->cbxUser->currentIndex(), -1);
        QCOMPARE(fra->cbxType->currentIndex(), -1);
        QCOMPARE(fra->cbxResult->currentIndex(), 2);
        fra->btnSaveClick();
        QCOMPARE(w.count("USERID = '' and TYPE_ID = '' and RESULT_ID = '0002'"), 1);
        QCOMPARE(w.scalar("select UPUSERID from ACCEPT_T"), QString("admin"));

        // A new response starts with the logged-in user.
        cust->OpenAcceptTab(-1, QString(), false);
        QCOMPARE(current(cust)->cbxUser->currentText(), QString::fromUtf8("管理者"));
    }

    void refusedSavesKeepTheInput()
    {
        World w;
        w.addCustomer();
        TfraCust* cust = w.open();
        TfraAccept* fra = openUnlimited(cust);
        const struct
        {
            QString title, content, message;
        } cases[] = {
            {QString(101, 'a'), QString(), QString::fromUtf8("件名は100バイト以内で入力してください。")},
            {QString(50, QChar(0x6f22)) + "a", QString(), QString::fromUtf8("件名は100バイト以内で入力してください。")},
            {QString("ok"), QString(399, 'b') + QChar(0x5b57),
             QString::fromUtf8("内容は400バイト以内で入力してください。")},
        };
        for (const auto& c : cases) {
            fra->edtTitle->setText(c.title);
            fra->richContent->setPlainText(c.content);
            MessageService::clearShown();
            QTest::mouseClick(fra->btnSave, Qt::LeftButton);
            QCOMPARE(MessageService::shownTexts(), QStringList{c.message});
            QCOMPARE(w.count(), 0);
            QVERIFY(!fra->Browsing());
            QCOMPARE(fra->FActNo, -1);
            QCOMPARE(fra->edtTitle->text(), c.title);
            QCOMPARE(fra->richContent->toPlainText(), c.content);
        }

        // A database refusal leaves the frame as it was too.
        fra->edtTitle->setText(QString::fromUtf8("絵文字 \U0001F600"));
        fra->richContent->clear();
        QVERIFY_THROWS_EXCEPTION(std::exception, fra->btnSaveClick());
        QCOMPARE(w.count(), 0);
        QVERIFY(!fra->Browsing());
        QCOMPARE(fra->FActNo, -1);
        QVERIFY(fra->edtTitle->text().startsWith(QString::fromUtf8("絵文字")));

        // A customer not stored yet cannot have responses stored.
        TfraCust* stranger = w.open("0399999999");
        QCOMPARE(stranger->FCustNo, -1);
        stranger->OpenAcceptTab(-1, QString(), false);
        MessageService::clearShown();
        current(stranger)->btnSaveClick();
        QCOMPARE(
            MessageService::shownTexts(),
            QStringList{QString::fromUtf8("顧客情報が未登録のため登録できません。顧客情報を先に保存してください。")});
        QVERIFY(!current(stranger)->Browsing());
    }

    void closeRequestsNeverTouchADestroyedFrame()
    {
        World w;
        const int custNo = w.addCustomer();
        TfraCust* cust = w.open();
        // The response frame goes before its close request runs.
        cust->OpenAcceptTab(-1, QString(), false);
        TfraAccept* fra = current(cust);
        fra->btnCancelClick();
        delete fra;
        QCoreApplication::processEvents();
        QCOMPARE(cust->PageHistory->count(), 2);

        // The whole customer frame goes before the request runs.
        cust->OpenAcceptTab(-1, QString(), false);
        current(cust)->btnCancelClick();
        const int index = w.form->PageMain->indexOf(cust);
        delete cust;
        QCoreApplication::processEvents();
        QCOMPARE(w.form->PageMain->count(), index);

        // The close mark of a browsed response removes it; one being edited stays.
        const int act = w.addAccept(custNo, "x");
        cust = w.open();
        cust->OpenAcceptTab(act, QString(), true);
        cust->OpenAcceptTab(-1, QString(), false);
        auto* bar = cust->PageHistory->tabBar();
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        QCOMPARE(cust->PageHistory->currentIndex(), 3);
        const QRect editTab = bar->tabRect(3);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(editTab.right() - 5, editTab.center().y()));
        QCOMPARE(cust->PageHistory->count(), 4);
        cust->PageHistory->setCurrentIndex(2);
        const QRect browseTab = bar->tabRect(2);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(browseTab.right() - 5, browseTab.center().y()));
        QCOMPARE(cust->PageHistory->count(), 3);
        QCOMPARE(page(cust, 2)->FActNo, -1);
    }

    void keysActWithinTheirArea()
    {
        World w;
        const int custNo = w.addCustomer();
        const int act = w.addAccept(custNo, "k");
        TfraCust* cust = w.open();
        cust->OpenAcceptTab(act, QString(), true);
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        w.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        TfraAccept* fra = current(cust);
        fra->richContent->setFocus();
        QTest::keyClick(fra->richContent, Qt::Key_E, Qt::AltModifier);
        QVERIFY(!fra->Browsing());
        QCOMPARE(fra->richContent->toPlainText(), QString::fromUtf8("k の内容\n二行目"));
        QTest::qWait(300);         // past the press animation of a button's own key
        QVERIFY(cust->Browsing()); // the customer's own Alt+E did not act

        // On the response list, Alt+A starts a response, not a new customer.
        const int pages = w.form->PageMain->count();
        cust->PageHistory->setCurrentIndex(1);
        cust->sgdAccept->setFocus();
        QTest::keyClick(cust->sgdAccept, Qt::Key_A, Qt::AltModifier);
        QCOMPARE(cust->PageHistory->count(), 4);
        QCOMPARE(w.form->PageMain->count(), pages);
        // Outside those areas the customer's own keys act as before.
        cust->PageCust->setCurrentIndex(1);
        cust->memOthers->setFocus();
        QTest::keyClick(cust->memOthers, Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(!cust->Browsing()); // a button's own key clicks after its press animation

        // Customer and response both in edit mode: Alt+V saves the one the focus is in.
        cust->PageHistory->setCurrentIndex(2);
        fra->edtTitle->setFocus();
        fra->edtTitle->setText(QStringLiteral("by key"));
        QTest::keyClick(fra->edtTitle, Qt::Key_V, Qt::AltModifier);
        QVERIFY(fra->Browsing());
        QCOMPARE(fra->edtTitle->text(), QStringLiteral("by key")); // the key typed nothing
        QVERIFY(!cust->Browsing());
        cust->memOthers->setFocus();
        QTest::keyClick(cust->memOthers, Qt::Key_V, Qt::AltModifier);
        QVERIFY(cust->Browsing());
    }

    void offCreatesNothing()
    {
        World w(QStringLiteral("[BASIC]\nUSE_ACCEPT=0\nAUTO_CUST_INFO=1\n"));
        const int custNo = w.addCustomer();
        w.addAccept(custNo, "kept");
        TfraCust* cust = w.open();
        QVERIFY(!cust->PageHistory->isTabVisible(1));
        QVERIFY(w.form->sgdLog->isColumnHidden(6));
        cust->OpenAcceptTab(-1, QString(), false);
        w.form->OpenCustAccept(kTel, QString(), "1", false);
        w.form->OnDemoActivate(kTel);
        QTRY_COMPARE(cell(w.form->sgdLog, 0, 1), kTelShown);
        QCoreApplication::processEvents();
        QCOMPARE(cust->PageHistory->count(), 2);
        QVERIFY(w.form->findChildren<TfraAccept*>().isEmpty());
        QCOMPARE(cell(cust->sgdLog, 0, 6), QString());
    }

    void incomingCallStartsOneResponseAndTheLogOpensIt()
    {
        World w(QStringLiteral("[BASIC]\nUSE_ACCEPT=1\nAUTO_CUST_INFO=1\n"));
        w.addCustomer();
        // The call arrives through the real pipeline.
        w.form->OnDemoActivate(kTel);
        QTRY_COMPARE(cell(w.form->sgdLog, 0, 1), kTelShown);
        const QString logNo = cell(w.form->sgdLog, 0, 9);
        QTRY_COMPARE(w.form->findChildren<TfraAccept*>().size(), 1);
        auto* cust = qobject_cast<TfraCust*>(w.form->PageMain->currentWidget());
        QVERIFY(cust);
        QCOMPARE(cust->PageHistory->count(), 3);
        TfraAccept* fra = current(cust);
        QCOMPARE(fra->FLogNo, logNo);
        fra->edtTitle->setText(QString::fromUtf8("折り返し"));
        QTest::mouseClick(fra->btnSave, Qt::LeftButton);
        QCOMPARE(w.scalar("select LOG_NO from ACCEPT_T"), logNo);
        const QString act = QString::number(fra->FActNo);
        QCOMPARE(cell(w.form->sgdLog, 0, 6), act);

        // Double-click on the response column: a response opens read-only on its tab,
        // an empty cell starts a new one for that call.
        cust->PageHistory->setCurrentIndex(0);
        emit w.form->logCellDoubleClicked(0, 6);
        QCOMPARE(cust->PageHistory->currentIndex(), 2);
        QVERIFY(current(cust)->Browsing());
        const int second = w.addCall(60);
        w.form->MakeLogGrid();
        QCOMPARE(cell(w.form->sgdLog, 0, 9), QString::number(second));
        emit w.form->logCellDoubleClicked(0, 6);
        QCOMPARE(cust->PageHistory->count(), 4);
        QCOMPARE(current(cust)->FLogNo, QString::number(second));
        QVERIFY(!current(cust)->Browsing());
    }

    void responseMarkReplacesTheNumber()
    {
        TestEnv env;
        QTableWidget grid(1, 2);
        grid.setItemDelegateForColumn(1, new AcceptMarkDelegate(&grid));
        grid.setItem(0, 0, new QTableWidgetItem(""));
        grid.setItem(0, 1, new QTableWidgetItem("12"));
        grid.resize(300, 100);
        auto markPixels = [&](int column) {
            const QImage img = grid.viewport()->grab(grid.visualItemRect(grid.item(0, column))).toImage();
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    n += img.pixelColor(x, y) == QColor(0x30, 0x50, 0x90);
            return n;
        };
        GUseAccept = true;
        QVERIFY(markPixels(1) > 10);
        QCOMPARE(markPixels(0), 0);
        QCOMPARE(grid.item(0, 1)->text(), QString("12"));
        GUseAccept = false;
        QCOMPARE(markPixels(1), 0);
    }

    void stopRequestWhileTheFrameAsks()
    {
        World w;
        w.addCustomer();
        TfraCust* cust = w.open();
        TfraAccept* fra = openUnlimited(cust);
        fra->edtTitle->setText(QString(120, 'x'));
        StopRequest::ResetForTests();
        StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
        QtMessagePresenter presenter;
        MessageService::setPresenter(&presenter);
        QTimer::singleShot(50, [] { StopRequest::Request(QStringLiteral("test")); });
        QElapsedTimer t;
        t.start();
        fra->btnSaveClick(); // a real warning box, closed by the stop request
        MessageService::setPresenter(nullptr);
        QVERIFY(StopRequest::Requested());
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(w.count(), 0);
        QVERIFY(!fra->Browsing());
        StopRequest::ResetForTests();
    }
};

QTEST_MAIN(TestFraAccept)
#include "tst_fraaccept.moc"
