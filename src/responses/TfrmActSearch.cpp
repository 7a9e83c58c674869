#include "responses/TfrmActSearch.h"

#include "calls/MasterLists.h"
#include "calls/TfrmMain.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "customers/TfraCust.h"
#include "customers/TfrmSearch.h"
#include "db/StorableText.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"
#include "ui/Named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QPointer<TfrmActSearch>& instance()
{
    static QPointer<TfrmActSearch> window;
    return window;
}

QDateEdit* dateEdit(QWidget* parent, const char* name)
{
    auto* d = named(new QDateEdit(parent), name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    return d;
}

void fill(QComboBox* combo, const QStringList& names)
{
    combo->clear();
    combo->addItems(names);
    combo->setCurrentIndex(-1);
}
} // namespace

TfrmActSearch* TfrmActSearch::Open(TfrmMain& main)
{
    TfrmActSearch* w = instance();
    if (!w)
        w = new TfrmActSearch(main);
    if (!w->isVisible()) {
        w->ResetConditions();
        w->show();
    }
    w->raise();
    w->activateWindow();
    return w;
}

TfrmActSearch* TfrmActSearch::Instance()
{
    return instance();
}

TfrmActSearch::TfrmActSearch(TfrmMain& main) : QDialog(&main), FMain(main)
{
    instance() = this;
    setObjectName(QStringLiteral("frmActSearch"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("対応履歴検索"));

    auto* v = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("期間"), this), 0, 0);
    auto* period = new QHBoxLayout;
    chkFrom = named(new QCheckBox(this), "chkFrom");
    dtpFrom = dateEdit(this, "dtpFrom");
    chkTo = named(new QCheckBox(this), "chkTo");
    dtpTo = dateEdit(this, "dtpTo");
    period->addWidget(chkFrom);
    period->addWidget(dtpFrom);
    period->addWidget(new QLabel(QStringLiteral("～"), this));
    period->addWidget(chkTo);
    period->addWidget(dtpTo);
    period->addStretch(1);
    grid->addLayout(period, 0, 1, 1, 3);

    grid->addWidget(new QLabel(QStringLiteral("顧客名"), this), 1, 0);
    lblCustName = named(new QLabel(this), "lblCustName");
    lblCustName->setFrameShape(QFrame::StyledPanel);
    btnCust = named(new QPushButton(QStringLiteral("..."), this), "btnCust");
    btnCust->setAutoDefault(false);
    grid->addWidget(lblCustName, 1, 1, 1, 2);
    grid->addWidget(btnCust, 1, 3);

    grid->addWidget(new QLabel(QStringLiteral("検索文字列"), this), 2, 0);
    cbxText = named(new QComboBox(this), "cbxText");
    cbxText->setEditable(true);
    cbxText->setInsertPolicy(QComboBox::NoInsert);
    chkTitle = named(new QCheckBox(QStringLiteral("件名"), this), "chkTitle");
    chkContent = named(new QCheckBox(QStringLiteral("内容"), this), "chkContent");
    grid->addWidget(cbxText, 2, 1);
    grid->addWidget(chkTitle, 2, 2);
    grid->addWidget(chkContent, 2, 3);

    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QStringLiteral("対応区分"), this));
    cbxType = named(new QComboBox(this), "cbxType");
    choices->addWidget(cbxType, 1);
    choices->addWidget(new QLabel(QStringLiteral("対応結果"), this));
    cbxResult = named(new QComboBox(this), "cbxResult");
    choices->addWidget(cbxResult, 1);
    choices->addWidget(new QLabel(QStringLiteral("対応者"), this));
    cbxUser = named(new QComboBox(this), "cbxUser");
    choices->addWidget(cbxUser, 1);
    grid->addLayout(choices, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    v->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    btnSearch = named(new QPushButton(QStringLiteral("検索(&S)"), this), "btnSearch");
    btnSearch->setDefault(true);
    btnPrev = named(new QPushButton(QStringLiteral("<"), this), "btnPrev");
    btnNext = named(new QPushButton(QStringLiteral(">"), this), "btnNext");
    btnPrev->setAutoDefault(false);
    btnNext->setAutoDefault(false);
    buttons->addWidget(btnSearch);
    buttons->addStretch(1);
    buttons->addWidget(btnPrev);
    buttons->addWidget(btnNext);
    v->addLayout(buttons);

    sgdMain = named(new QTableWidget(0, ActSearch::ColumnCount, this), "sgdMain");
    sgdMain->setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("顧客名"), QStringLiteral("件名"),
                                        QStringLiteral("対応区分"), QStringLiteral("対応結果"), QStringLiteral("対応者"),
                                        QStringLiteral("対応番号"), QStringLiteral("代表電話番号")});
    const int widths[6] = {130, 100, 120, 100, 100, 80};
    for (int c = 0; c < 6; ++c)
        sgdMain->setColumnWidth(c, widths[c]);
    sgdMain->setColumnHidden(ActSearch::ColActNo, true);
    sgdMain->setColumnHidden(ActSearch::ColCustTelNon, true);
    sgdMain->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgdMain->setSelectionMode(QAbstractItemView::SingleSelection);
    sgdMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdMain->verticalHeader()->hide();
    v->addWidget(sgdMain, 1);

    connect(btnSearch, &QPushButton::clicked, this, &TfrmActSearch::btnSearchClick);
    connect(btnCust, &QPushButton::clicked, this, &TfrmActSearch::btnCustClick);
    connect(btnPrev, &QPushButton::clicked, this, &TfrmActSearch::btnPrevClick);
    connect(btnNext, &QPushButton::clicked, this, &TfrmActSearch::btnNextClick);
    connect(sgdMain, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { sgdMainDblClick(row); });

    if (gIni)
        FHistory = ActSearch::ReadHistory(*gIni);
    resize(700, 420);
    DialogKit::Apply(this);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - frameGeometry().width() + 1, area.top());
    }
}

TfrmActSearch::~TfrmActSearch() = default;

void TfrmActSearch::FillChoices()
{
    MasterLists* lists = MasterLists::Current();
    FTypeIds = lists ? lists->TypeIds : QStringList();
    FResultIds = lists ? lists->ResultIds : QStringList();
    FUserIds = lists ? lists->UserIds : QStringList();
    fill(cbxType, lists ? lists->TypeNames : QStringList());
    fill(cbxResult, lists ? lists->ResultNames : QStringList());
    fill(cbxUser, lists ? lists->UserNames : QStringList());
}

void TfrmActSearch::ResetConditions()
{
    const QDate today = Clock::today();
    chkFrom->setChecked(true);
    chkTo->setChecked(true);
    dtpFrom->setDate(today);
    dtpTo->setDate(today);
    SetCustomer(-1, QString());
    cbxText->clear();
    cbxText->addItems(FHistory);
    cbxText->setCurrentIndex(-1);
    cbxText->setEditText(QString());
    chkTitle->setChecked(true);
    chkContent->setChecked(true);
    FillChoices();
    sgdMain->setRowCount(0);
}

void TfrmActSearch::SetCustomer(qint32 custNo, const QString& name)
{
    FCustNo = custNo;
    lblCustName->setText(custNo == -1 ? QString() : name);
}

TActSearchCond TfrmActSearch::Conditions() const
{
    TActSearchCond c;
    c.UseFrom = chkFrom->isChecked();
    c.From = dtpFrom->date();
    c.UseTo = chkTo->isChecked();
    c.To = dtpTo->date();
    c.CustNo = FCustNo;
    c.Text = cbxText->currentText();
    c.InTitle = chkTitle->isChecked();
    c.InContent = chkContent->isChecked();
    // Entry 0 is the empty "nothing chosen" entry.
    if (cbxType->currentIndex() > 0)
        c.TypeId = FTypeIds.value(cbxType->currentIndex());
    if (cbxResult->currentIndex() > 0)
        c.ResultId = FResultIds.value(cbxResult->currentIndex());
    c.UserChosen = cbxUser->currentIndex() > 0;
    if (c.UserChosen)
        c.UserId = FUserIds.value(cbxUser->currentIndex());
    return c;
}

void TfrmActSearch::btnSearchClick()
{
    const TActSearchCond c = Conditions();
    if (ActSearch::PeriodReversed(c)) {
        MessageService::Warning(QStringLiteral("終了期間より開始期間の方が大きい日付になっています。"));
        dtpFrom->setFocus();
        return;
    }
    // A character the database cannot hold would fail the statement; say which one instead.
    try {
        CheckStorableText(QStringLiteral("検索文字列"), c.Text);
    } catch (const AppError& e) {
        MessageService::Warning(e.message());
        cbxText->setFocus();
        return;
    }
    if (!c.Text.isEmpty()) {
        const QStringList history = ActSearch::AddToHistory(FHistory, c.Text);
        if (history != FHistory) {
            FHistory = history;
            const QSignalBlocker block(cbxText);
            cbxText->clear();
            cbxText->addItems(FHistory);
            cbxText->setCurrentIndex(-1);
            cbxText->setEditText(c.Text);
        }
        if (gIni)
            ActSearch::WriteHistory(*gIni, FHistory);
    }
    sgdMain->setRowCount(0);
    const QList<QStringList> rows = ActSearch::Run(*dmCmn, c);
    sgdMain->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int col = 0; col < ActSearch::ColumnCount; ++col)
            sgdMain->setItem(r, col, new QTableWidgetItem(rows.at(r).value(col)));
    sgdMain->clearSelection();
    sgdMain->setCurrentCell(-1, -1);
}

void TfrmActSearch::btnCustClick()
{
    TfrmSearch search(SearchQuery::Customers, this);
    if (search.exec() != QDialog::Accepted)
        return;
    FMain.edtCall->clear();
    FMain.pnlCallName->clear();
    QStringList cells;
    if (!search.SelectedRow(cells))
        return;
    bool ok = false;
    const qint32 custNo = cells.value(8).trimmed().toInt(&ok);
    if (ok)
        SetCustomer(custNo, cells.value(1));
}

void TfrmActSearch::btnPrevClick()
{
    Step(false);
}

void TfrmActSearch::btnNextClick()
{
    Step(true);
}

void TfrmActSearch::Step(bool forward)
{
    const int count = sgdMain->rowCount();
    if (count == 0)
        return;
    const int row = sgdMain->selectionModel()->hasSelection() ? sgdMain->currentRow() : -1;
    // Nothing selected: only select the end the user steps in from.
    if (row < 0) {
        sgdMain->selectRow(forward ? 0 : count - 1);
        return;
    }
    const int next = forward ? row + 1 : row - 1;
    if (next < 0 || next >= count)
        return;
    sgdMain->selectRow(next);
    OpenHit(next);
}

void TfrmActSearch::sgdMainDblClick(int row)
{
    if (row >= 0 && row < sgdMain->rowCount())
        OpenHit(row);
}

void TfrmActSearch::OpenHit(int row)
{
    auto cell = [this, row](int c) {
        QTableWidgetItem* item = sgdMain->item(row, c);
        return item ? item->text() : QString();
    };
    const QString custTelNon = cell(ActSearch::ColCustTelNon);
    bool ok = false;
    const int actNo = cell(ActSearch::ColActNo).toInt(&ok);
    if (custTelNon.isEmpty() || !ok)
        return;
    const int index = FMain.OpenCustTab(custTelNon);
    auto* frame = index >= 0 ? qobject_cast<TfraCust*>(FMain.PageMain->widget(index)) : nullptr;
    if (frame)
        frame->ShowAcceptRow(actNo);
}
