#include "responses/ui/AcceptPageView.h"

#include "calls/TfrmMain.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"
#include "responses/AcceptPage.h"
#include "responses/TfrmActSearch.h"
#include "ui/DialogKit.h"
#include "ui/Named.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
constexpr int kDefaultGridWidth = 580;

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& hint)
{
    auto* b = named(new QPushButton(caption, parent), name);
    b->setToolTip(hint);
    return b;
}
} // namespace

AcceptPageView::AcceptPageView(TfrmMain& form) : QObject(&form), FForm(form), sgdAccept(form.sgdAccept)
{
    setObjectName(QStringLiteral("AcceptPageView"));
    QWidget* page = form.tabAccept;
    QLayout* layout = page->layout();
    layout->removeWidget(sgdAccept);

    splAccept = named(new QSplitter(Qt::Horizontal, page), "splAccept");
    splAccept->addWidget(sgdAccept);
    auto* side = named(new QWidget(splAccept), "pnlContent");
    auto* v = new QVBoxLayout(side);
    v->setContentsMargins(4, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("内容"), side));
    bar->addStretch(1);
    btnHistorySearch = button(side, "btnHistorySearch", QStringLiteral("&S"), QStringLiteral("検索(Alt+S)"));
    btnActEdit = button(side, "btnActEdit", QStringLiteral("&E"), QStringLiteral("編集(Alt+E)"));
    btnActDel = button(side, "btnActDel", QStringLiteral("&D"), QStringLiteral("削除(Alt+D)"));
    bar->addWidget(btnHistorySearch);
    bar->addWidget(btnActEdit);
    bar->addWidget(btnActDel);
    v->addLayout(bar);
    richContent = named(new QTextEdit(side), "richContent");
    richContent->setAcceptRichText(false);
    DialogKit::SetReadOnlyLook(richContent);
    v->addWidget(richContent, 1);
    splAccept->addWidget(side);
    // The grid keeps the width the user gave it; the content takes what the window adds.
    splAccept->setStretchFactor(0, 0);
    splAccept->setStretchFactor(1, 1);
    splAccept->setSizes({kDefaultGridWidth, 300});
    layout->addWidget(splAccept);

    InitAcceptGrid();

    connect(sgdAccept, &QTableWidget::currentCellChanged, this, [this]() { sgdAcceptClick(); });
    connect(sgdAccept, &QTableWidget::cellClicked, this, [this]() { sgdAcceptClick(); });
    connect(sgdAccept, &QTableWidget::cellDoubleClicked, this, [this]() { sgdAcceptDblClick(); });
    connect(btnActEdit, &QPushButton::clicked, this, &AcceptPageView::btnActEditClick);
    connect(btnActDel, &QPushButton::clicked, this, &AcceptPageView::btnActDelClick);
    connect(btnHistorySearch, &QPushButton::clicked, this, &AcceptPageView::btnHistorySearchClick);
    connect(splAccept, &QSplitter::splitterMoved, this, [this](int pos) { FForm.SetActWidth(pos); });
}

void AcceptPageView::InitAcceptGrid()
{
    sgdAccept->clear();
    sgdAccept->setColumnCount(AcceptPage::ColumnCount);
    sgdAccept->setRowCount(1);
    sgdAccept->setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("顧客名"), QStringLiteral("件名"),
                                          QStringLiteral("区分"), QStringLiteral("結果"), QStringLiteral("対応者")});
    const int widths[6] = {124, 100, 100, 80, 80, 80};
    for (int c = 0; c < 6; ++c)
        sgdAccept->setColumnWidth(c, widths[c]);
    for (int c = 6; c < AcceptPage::ColumnCount; ++c)
        sgdAccept->setColumnHidden(c, true);
    sgdAccept->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgdAccept->setSelectionMode(QAbstractItemView::SingleSelection);
    sgdAccept->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdAccept->setShowGrid(true);
    sgdAccept->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    sgdAccept->verticalHeader()->setDefaultSectionSize(22);
    btnActEdit->setEnabled(false);
    btnActDel->setEnabled(false);
}

void AcceptPageView::MakeAcceptGrid()
{
    const QList<QStringList> rows = AcceptPage::Load(*dmCmn, FForm.DateTimePicker1->date());
    {
        const QSignalBlocker block(sgdAccept);
        sgdAccept->clearContents();
        sgdAccept->setRowCount(rows.isEmpty() ? 1 : int(rows.size()));
        for (int r = 0; r < rows.size(); ++r)
            for (int c = 0; c < AcceptPage::ColumnCount; ++c)
                sgdAccept->setItem(r, c, new QTableWidgetItem(rows.at(r).value(c)));
        sgdAccept->setCurrentCell(0, 0);
    }
    btnActEdit->setEnabled(!rows.isEmpty());
    btnActDel->setEnabled(!rows.isEmpty());
    ShowContent();
}

QString AcceptPageView::Cell(int row, int column) const
{
    QTableWidgetItem* item = row >= 0 ? sgdAccept->item(row, column) : nullptr;
    return item ? item->text() : QString();
}

void AcceptPageView::ShowContent()
{
    const int row = sgdAccept->currentRow();
    richContent->setPlainText(Cell(row, AcceptPage::ColContent));
}

void AcceptPageView::sgdAcceptClick()
{
    ShowContent();
    const int row = sgdAccept->currentRow();
    if (row < 0)
        return;
    FForm.edtCall->setText(Cell(row, AcceptPage::ColCustTelNon));
    FForm.pnlCallName->setText(Cell(row, AcceptPage::ColCustName));
}

void AcceptPageView::OpenSelected(bool browse)
{
    const int row = sgdAccept->currentRow();
    if (row < 0) {
        MessageService::Warning(AcceptPage::NoSelectionMessage());
        return;
    }
    FForm.OpenCustAccept(Cell(row, AcceptPage::ColCustTelNon), Cell(row, AcceptPage::ColActNo), QString(), browse);
}

void AcceptPageView::sgdAcceptDblClick()
{
    OpenSelected(true);
}

void AcceptPageView::btnActEditClick()
{
    OpenSelected(false);
}

void AcceptPageView::btnActDelClick()
{
    const int row = sgdAccept->currentRow();
    if (row < 0) {
        MessageService::Warning(AcceptPage::NoSelectionMessage());
        return;
    }
    const AcceptPage::TDeleteTarget target{Cell(row, AcceptPage::ColActNo), Cell(row, AcceptPage::ColCustNo),
                                           Cell(row, AcceptPage::ColCustTelNon)};
    if (AcceptPage::Delete(*dmCmn, target) == AcceptPage::DeleteOutcome::Deleted)
        FForm.RefreshTables(AcceptPage::RefreshAfterDelete(target));
}

void AcceptPageView::btnHistorySearchClick()
{
    TfrmActSearch::Open(FForm);
}

void AcceptPageView::RestoreWidth()
{
    const int width = FForm.ActWidth();
    if (width > 0 && width < FForm.width())
        splAccept->setSizes({width, FForm.width() - width});
}
