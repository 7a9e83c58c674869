// The main window's page of the day's responses and the response search window, on the real
// main window over a real database.
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "customers/TfraCust.h"
#include "customers/TfrmSearch.h"
#include "db/TdmCmn.h"
#include "platform/UserRegistry.h"
#include "responses/TfrmActSearch.h"
#include "responses/ui/AcceptPageView.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

namespace {
const QDate kToday(2026, 6, 15);

struct World
{
    TestEnv env;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<TfrmMain> form;
    int aoki = -1;
    int baba = -1;

    explicit World(bool useAccept = true, int actWidth = 0)
    {
        Clock::setNow(QDateTime(kToday, QTime(10, 0)));
        env.writeIni(QStringLiteral("[BASIC]\nUSE_ACCEPT=%1\n").arg(useAccept ? 1 : 0));
        db = std::make_unique<TestDatabase>(env.path("shop.fdb"));
        if (actWidth > 0)
            UserRegistry().WriteInteger("frmMainActWidth", actWidth);
        aoki = customer("0311110000", "青木商店");
        baba = customer("0322220000", "馬場工務店");
        LoadStartupSettings();
        form = std::make_unique<TfrmMain>();
        form->resize(1000, 680);
    }
    void create()
    {
        if (!form->FormCreate())
            qFatal("FormCreate failed");
        MessageService::clearShown();
        MessageService::clearAnswers();
    }
    int customer(const QString& tel, const QString& name)
    {
        TCust c;
        c.CustTel = c.CustTelNon = tel;
        c.CustName = name;
        return dmCmn->InsertCustData(c);
    }
    int response(int custNo, const QDateTime& at, const QString& title, const QString& content = QString())
    {
        TAccept a;
        a.ActDt = at;
        a.CustNo = QString::number(custNo);
        a.Title = title;
        a.Content = content;
        return dmCmn->InsertAccept(a);
    }
    int count(const QString& table)
    {
        dmCmn->sqlWork.setSql("select count(*) from " + table);
        dmCmn->sqlWork.open();
        const int n = dmCmn->sqlWork.field(0).asInteger();
        dmCmn->sqlWork.close();
        return n;
    }
    QTableWidget* grid() const { return form->sgdAccept; }
    AcceptPageView* page() const { return form->findChild<AcceptPageView*>(); }
    QString cell(int row, int column) const
    {
        QTableWidgetItem* item = grid()->item(row, column);
        return item ? item->text() : QString();
    }
    TfraCust* frameAt(int index) const { return qobject_cast<TfraCust*>(form->PageMain->widget(index)); }
};

QString hitCell(TfrmActSearch* w, int row, int column)
{
    QTableWidgetItem* item = w->sgdMain->item(row, column);
    return item ? item->text() : QString();
}
} // namespace

class TestResponsePage : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete TfrmActSearch::Instance();
        Clock::reset();
    }

    void pageListsTheSelectedDay()
    {
        World w;
        w.response(w.aoki, QDateTime(kToday, QTime(9, 0)), "見積", "見積書を送付");
        w.response(w.baba, QDateTime(kToday, QTime(11, 30)), "修理", "水漏れ");
        w.response(w.baba, QDateTime(kToday.addDays(-1), QTime(11, 30)), "昨日");
        w.create();
        QVERIFY(w.form->PageMain->isTabVisible(1));
        QTableWidget* g = w.grid();
        QCOMPARE(g->columnCount(), 10);
        QCOMPARE(g->horizontalHeaderItem(0)->text(), QString("日時"));
        QCOMPARE(g->horizontalHeaderItem(5)->text(), QString("対応者"));
        QCOMPARE(g->columnWidth(0), 124);
        for (int c = 6; c < 10; ++c)
            QVERIFY(g->isColumnHidden(c));
        QCOMPARE(g->rowCount(), 2);
        QCOMPARE(w.cell(0, 2), QString("修理"));
        QCOMPARE(w.cell(0, 1), QString("馬場工務店"));
        AcceptPageView* page = w.page();
        QVERIFY(page->btnActEdit->isEnabled() && page->btnActDel->isEnabled());
        QCOMPARE(page->btnActEdit->toolTip(), QString("編集(Alt+E)"));
        QVERIFY(page->richContent->isReadOnly());
        QCOMPARE(page->richContent->toPlainText(), QString("水漏れ"));

        // A click shows the content and puts the customer into the caller display.
        g->setCurrentCell(1, 0);
        QCOMPARE(page->richContent->toPlainText(), QString("見積書を送付"));
        QCOMPARE(w.form->edtCall->text(), QString("0311110000"));
        QCOMPARE(w.form->pnlCallName->text(), QString("青木商店"));

        // The day before: one row; a day without responses: one empty row, nothing to edit.
        w.form->BitBtn1->click();
        QCOMPARE(g->rowCount(), 1);
        QCOMPARE(w.cell(0, 2), QString("昨日"));
        w.form->BitBtn1->click();
        QCOMPARE(g->rowCount(), 1);
        QCOMPARE(w.cell(0, 2), QString());
        QVERIFY(!page->btnActEdit->isEnabled() && !page->btnActDel->isEnabled());
        QVERIFY(page->richContent->toPlainText().isEmpty());

        // A refresh for a changed master reloads the page.
        w.form->BtnNextDay->click();
        w.form->BtnNextDay->click();
        w.response(w.aoki, QDateTime(kToday, QTime(12, 0)), "追加");
        w.form->RefreshTables(TUpTable::With({TUpTable::TypeTable}));
        QCOMPARE(g->rowCount(), 3);
        QCOMPARE(w.cell(0, 2), QString("追加"));
        // A refresh of the call log alone does not.
        w.response(w.aoki, QDateTime(kToday, QTime(13, 0)), "もう一件");
        w.form->RefreshTables(TUpTable::With({TUpTable::LogTable}));
        QCOMPARE(g->rowCount(), 3);
    }

    void editOpensTheCustomerAndDeleteReloads()
    {
        World w;
        const int act = w.response(w.aoki, QDateTime(kToday, QTime(9, 0)), "見積");
        w.response(w.baba, QDateTime(kToday, QTime(11, 30)), "修理");
        w.create();
        AcceptPageView* page = w.page();
        QTableWidget* g = w.grid();

        // Nothing selected: a warning for edit, double-click and delete alike.
        g->setCurrentCell(-1, -1);
        page->btnActEdit->click();
        page->sgdAcceptDblClick();
        page->btnActDel->click();
        QCOMPARE(MessageService::shownTexts(), QStringList(3, "対応履歴を選択してください。"));
        QCOMPARE(w.form->PageMain->count(), 2);

        g->setCurrentCell(1, 0);
        page->sgdAcceptDblClick();
        QCOMPARE(w.form->PageMain->count(), 3);
        QCOMPARE(w.frameAt(2)->FCustNo, w.aoki);

        MessageService::clearShown();
        MessageService::setNextAnswer(MsgResult::Cancel);
        page->btnActDel->click();
        QCOMPARE(MessageService::shownTexts(), QStringList{"選択されている対応履歴を削除してよろしいですか？"});
        QCOMPARE(w.count("ACCEPT_T"), 2);

        MessageService::setNextAnswer(MsgResult::Ok);
        page->btnActDel->click();
        QCOMPARE(w.count("ACCEPT_T"), 1);
        QCOMPARE(g->rowCount(), 1);
        QCOMPARE(w.cell(0, 2), QString("修理"));
        QVERIFY(w.cell(0, 6) != QString::number(act));
    }

    void offMeansNothingRuns()
    {
        World w(false);
        w.response(w.aoki, QDateTime(kToday, QTime(9, 0)), "見積");
        w.create();
        QVERIFY(!w.form->PageMain->isTabVisible(1));
        QCOMPARE(w.grid()->rowCount(), 1);
        QVERIFY(!w.grid()->item(0, 0));
        w.form->RefreshTables(TUpTable::All());
        w.form->BitBtn1->click();
        QVERIFY(!w.grid()->item(0, 0));
    }

    void gridWidthIsKept()
    {
        World w(true, 300);
        w.create();
        w.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
        QSplitter* split = w.page()->splAccept;
        w.form->PageMain->setCurrentIndex(1);
        QTRY_COMPARE(split->sizes().value(0), 300);
        // Dragging the splitter is what the window saves.
        QMetaObject::invokeMethod(split, "splitterMoved", Q_ARG(int, 420), Q_ARG(int, 1));
        QCOMPARE(w.form->ActWidth(), 420);
        // A width the window cannot hold is not applied.
        w.form->SetActWidth(5000);
        w.page()->RestoreWidth();
        QCOMPARE(split->sizes().value(0), 300);
    }

    void searchWindowIsOneAndResetsWhenShown()
    {
        World w;
        w.create();
        TfrmActSearch* s = TfrmActSearch::Open(*w.form);
        QCOMPARE(s->windowTitle(), QString("対応履歴検索"));
        QVERIFY(s->isVisible() && !s->isModal());
        QCOMPARE(s->minimumSize(), s->size());
        QVERIFY(s->chkFrom->isChecked() && s->chkTo->isChecked());
        QCOMPARE(s->dtpFrom->date(), kToday);
        QCOMPARE(s->dtpTo->date(), kToday);
        QVERIFY(s->chkTitle->isChecked() && s->chkContent->isChecked());
        QCOMPARE(s->CustNo(), -1);
        QCOMPARE(s->cbxType->count(), 3); // the empty entry and the two types of a new database
        QCOMPARE(s->cbxType->currentIndex(), -1);

        // Raising the visible window keeps what the user set.
        s->chkTitle->setChecked(false);
        s->SetCustomer(w.aoki, "青木商店");
        QCOMPARE(TfrmActSearch::Open(*w.form), s);
        QVERIFY(!s->chkTitle->isChecked());
        QCOMPARE(s->CustNo(), w.aoki);
        // Closing destroys it; the next opening is a fresh window.
        QPointer<TfrmActSearch> old(s);
        s->close();
        QTRY_VERIFY(!old);
        QVERIFY(!TfrmActSearch::Instance());
        s = TfrmActSearch::Open(*w.form);
        QVERIFY(s->chkTitle->isChecked());
        QCOMPARE(s->CustNo(), -1);
        QVERIFY(s->lblCustName->text().isEmpty());
    }

    void searchChecksThePeriodAndKeepsHistory()
    {
        World w;
        w.response(w.aoki, QDateTime(kToday, QTime(23, 59)), "遅い", "夜の電話");
        w.response(w.aoki, QDateTime(kToday.addDays(1), QTime(0, 0)), "翌日", "夜の電話");
        w.create();
        TfrmActSearch* s = TfrmActSearch::Open(*w.form);

        s->dtpFrom->setDate(kToday.addDays(1));
        s->btnSearch->click();
        QCOMPARE(MessageService::shownTexts(), QStringList{"終了期間より開始期間の方が大きい日付になっています。"});
        QCOMPARE(s->sgdMain->rowCount(), 0);

        s->dtpFrom->setDate(kToday);
        // A character the database cannot hold is refused before it reaches the history.
        MessageService::clearShown();
        s->cbxText->setEditText("夜😀");
        s->btnSearch->click();
        QCOMPARE(MessageService::shownTexts(), QStringList{"「検索文字列」に登録できない文字（😀）が含まれています。"});
        QVERIFY(s->History().isEmpty());

        s->cbxText->setEditText("夜");
        s->btnSearch->click();
        QCOMPARE(s->sgdMain->rowCount(), 1);
        QCOMPARE(hitCell(s, 0, 2), QString("遅い"));
        QCOMPARE(s->sgdMain->columnWidth(0), 130);
        QVERIFY(s->sgdMain->isColumnHidden(6) && s->sgdMain->isColumnHidden(7));

        // Both boxes off: the text is ignored but remembered.
        s->chkTitle->setChecked(false);
        s->chkContent->setChecked(false);
        s->chkTo->setChecked(false);
        s->cbxText->setEditText("no such text");
        s->btnSearch->click();
        QCOMPARE(s->sgdMain->rowCount(), 2);
        QCOMPARE(s->History(), (QStringList{"夜", "no such text"}));
        QCOMPARE(gIni->ReadString("SEARCH", "CONENT_STRING", ""), QString("夜,\"no such text\""));
        QCOMPARE(s->cbxText->count(), 2);
        QCOMPARE(s->cbxText->currentText(), QString("no such text"));

        // A new window reads the history back.
        s->close();
        QTRY_VERIFY(!TfrmActSearch::Instance());
        s = TfrmActSearch::Open(*w.form);
        QCOMPARE(s->cbxText->count(), 2);
        QVERIFY(s->cbxText->currentText().isEmpty());
    }

    void stepsThroughHitsAndOpensThem()
    {
        World w;
        int acts[3];
        for (int i = 0; i < 3; ++i)
            acts[i] = w.response(i == 1 ? w.baba : w.aoki, QDateTime(kToday, QTime(9 + i, 0)), QString("件%1").arg(i));
        w.create();
        TfrmActSearch* s = TfrmActSearch::Open(*w.form);
        s->btnPrev->click(); // empty list: nothing
        s->btnSearch->click();
        QCOMPARE(s->sgdMain->rowCount(), 3);
        QVERIFY(!s->sgdMain->selectionModel()->hasSelection());

        // ">" with nothing selected only selects the first hit.
        s->btnNext->click();
        QCOMPARE(s->sgdMain->currentRow(), 0);
        QCOMPARE(w.form->PageMain->count(), 2);
        // Again: the second hit, opened on its customer's tab with the response selected.
        s->btnNext->click();
        QCOMPARE(s->sgdMain->currentRow(), 1);
        QCOMPARE(w.form->PageMain->count(), 3);
        TfraCust* baba = w.frameAt(2);
        QCOMPARE(baba->FCustNo, w.baba);
        QCOMPARE(w.form->PageMain->currentWidget(), baba);
        QCOMPARE(baba->PageHistory->currentIndex(), 1);
        const int r = baba->sgdAccept->currentRow();
        QVERIFY(r >= 0);
        QCOMPARE(baba->sgdAccept->item(r, 5)->text(), QString::number(acts[1]));
        s->btnNext->click();
        QCOMPARE(s->sgdMain->currentRow(), 2);
        QCOMPARE(w.form->PageMain->count(), 4);
        s->btnNext->click(); // the last row: stays
        QCOMPARE(s->sgdMain->currentRow(), 2);
        s->btnPrev->click();
        QCOMPARE(s->sgdMain->currentRow(), 1);
        QCOMPARE(w.form->PageMain->currentWidget(), baba); // the open tab again, no new one
        QCOMPARE(w.form->PageMain->count(), 4);

        // "<" with nothing selected only selects the last hit; on the first it does nothing.
        s->sgdMain->clearSelection();
        s->btnPrev->click();
        QCOMPARE(s->sgdMain->currentRow(), 2);
        s->sgdMain->selectRow(0);
        s->btnPrev->click();
        QCOMPARE(s->sgdMain->currentRow(), 0);

        // A double-click opens the hit under the mouse.
        w.form->PageMain->setCurrentIndex(0);
        s->sgdMainDblClick(0);
        QCOMPARE(w.frameAt(w.form->PageMain->currentIndex())->FCustNo, w.aoki);
    }

    void customerFrameAndCustomerPicker()
    {
        World w;
        w.response(w.aoki, QDateTime(kToday, QTime(9, 0)), "青木の件");
        w.response(w.baba, QDateTime(kToday, QTime(10, 0)), "馬場の件");
        w.create();
        const int index = w.form->OpenCustTab("0322220000");
        TfraCust* frame = w.frameAt(index);
        QVERIFY(TfraCust::HistorySearch());
        TfraCust::HistorySearch()(*frame);
        TfrmActSearch* s = TfrmActSearch::Instance();
        QVERIFY(s && s->isVisible());
        QCOMPARE(s->CustNo(), w.baba);
        QCOMPARE(s->lblCustName->text(), QString("馬場工務店"));
        s->btnSearch->click();
        QCOMPARE(s->sgdMain->rowCount(), 1);
        QCOMPARE(hitCell(s, 0, 2), QString("馬場の件"));

        // The picker: the chosen customer replaces it, and the caller display is emptied.
        w.form->edtCall->setText("0999");
        QTimer::singleShot(0, [&]() {
            auto* search = qobject_cast<TfrmSearch*>(QApplication::activeModalWidget());
            QVERIFY(search);
            search->cbxItem->setCurrentIndex(1);
            search->edtVal->setText("青木");
            search->btnSearchClick();
            search->sgdMain->selectRow(0);
            search->btnOk->click();
        });
        s->btnCust->click();
        QCOMPARE(s->CustNo(), w.aoki);
        QCOMPARE(s->lblCustName->text(), QString("青木商店"));
        QVERIFY(w.form->edtCall->text().isEmpty());
        s->btnSearch->click();
        QCOMPARE(hitCell(s, 0, 2), QString("青木の件"));
    }

    void stopRequestClosesTheWindow()
    {
        World w;
        w.create();
        QPointer<TfrmActSearch> s(TfrmActSearch::Open(*w.form));
        ZuvaroApplication::CloseAllDialogs();
        QTRY_VERIFY(!s);
    }
};

QTEST_MAIN(TestResponsePage)
#include "tst_responsepage.moc"
