#include "customers/TfrmSearch.h"

#include "ui/GridHelpers.h"

#include "core/AppGlobals.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString kSection = QStringLiteral("SEARCH");

template <typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

bool readInt(const QString& key, int* out)
{
    return gIni && ProfileFile::ParseInteger(gIni->ReadString(kSection, key, QString()), out);
}
} // namespace

TfrmSearch::TfrmSearch(SearchQuery::Mode mode, QWidget* parent) : QDialog(parent), FQuery(mode, GKanaType)
{
    setObjectName(QStringLiteral("frmSearch"));
    setWindowTitle(FQuery.Caption());
    auto* v = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("項目"), this));
    cbxItem = named(new QComboBox(this), "cbxItem");
    cbxItem->setMaxVisibleItems(9);
    for (const auto& item : FQuery.Items())
        cbxItem->addItem(item.Caption);
    edtVal = named(new QLineEdit(this), "edtVal");
    rbLeft = named(new QRadioButton(QStringLiteral("左一致"), this), "rbLeft");
    rbPart = named(new QRadioButton(QStringLiteral("部分一致"), this), "rbPart");
    rbLeft->setChecked(true);
    btnSearch = named(new QPushButton(QStringLiteral("検索"), this), "btnSearch");
    bar->addWidget(cbxItem);
    bar->addWidget(edtVal, 1);
    bar->addWidget(rbLeft);
    bar->addWidget(rbPart);
    bar->addWidget(btnSearch);
    v->addLayout(bar);
    sgdMain = named(new QTableWidget(1, int(FQuery.Columns().size()), this), "sgdMain");
    QStringList headers;
    for (const auto& c : FQuery.Columns())
        headers << c.Header;
    sgdMain->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < FQuery.Columns().size(); ++c) {
        sgdMain->setColumnWidth(c, FQuery.Columns().at(c).Width);
        sgdMain->setColumnHidden(c, FQuery.Columns().at(c).Width == 0);
    }
    sgdMain->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgdMain->setSelectionMode(QAbstractItemView::SingleSelection);
    sgdMain->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdMain->setAlternatingRowColors(true);
    sgdMain->setSortingEnabled(true);
    sgdMain->verticalHeader()->hide();
    v->addWidget(sgdMain, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = named(new QPushButton(QStringLiteral("OK"), this), "btnOk");
    btnCancel = named(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this), "btnCancel");
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    v->addLayout(buttons);
    resize(640, 420);
    DialogKit::Apply(this);

    connect(btnSearch, &QPushButton::clicked, this, &TfrmSearch::btnSearchClick);
    connect(btnOk, &QPushButton::clicked, this, &TfrmSearch::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(sgdMain, &QTableWidget::cellDoubleClicked, this, [this]() { btnOkClick(); });
    connect(cbxItem, &QComboBox::currentIndexChanged, this, [this]() { SetInputMode(); });

    // Remembered placement, widths and choices.
    int left = 0, top = 0, width = 0, height = 0;
    if (readInt(QStringLiteral("WIDTH"), &width) && readInt(QStringLiteral("HEIGHT"), &height))
        resize(qMax(width, minimumWidth()), qMax(height, minimumHeight()));
    if (readInt(QStringLiteral("LEFT"), &left) && readInt(QStringLiteral("TOP"), &top))
        move(left, top);
    if (gIni) {
        const QStringList widths = gIni->ReadString(kSection, FQuery.WidthKey(), QString()).split(QLatin1Char(','));
        for (int c = 0; c < widths.size() && c < sgdMain->columnCount(); ++c) {
            int w = 0;
            if (ProfileFile::ParseInteger(widths.at(c), &w))
                sgdMain->setColumnWidth(c, w);
        }
        int index = 0;
        if (ProfileFile::ParseInteger(gIni->ReadString(kSection, FQuery.IndexKey(), FQuery.DefaultIndex()), &index) &&
            index >= 0 && index < cbxItem->count())
            cbxItem->setCurrentIndex(index);
        if (gIni->ReadString(kSection, FQuery.PartKey(), QStringLiteral("0")) == QLatin1String("1"))
            rbPart->setChecked(true);
    } else {
        cbxItem->setCurrentIndex(FQuery.DefaultIndex().toInt());
    }
    SetInputMode();
    ShowRows(FQuery.Run(dmCmn->sqlWork2, FQuery.InitialSql()));
}

TfrmSearch::~TfrmSearch() = default;

void TfrmSearch::SetInputMode()
{
    const int i = cbxItem->currentIndex();
    const int mode = i >= 0 && i < FQuery.Items().size() ? FQuery.Items().at(i).InputMode : 0;
    edtVal->setAttribute(Qt::WA_InputMethodEnabled, mode == 1 || (mode == 2 && GKanaType != 2));
}

void TfrmSearch::ShowRows(const QList<QStringList>& rows)
{
    sgdMain->setSortingEnabled(false);
    sgdMain->clearContents();
    sgdMain->setRowCount(qMax(1, int(rows.size())));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size() && c < sgdMain->columnCount(); ++c)
            sgdMain->setItem(r, c,
                             NumberColumn(c) ? GridHelpers::NumberItem(rows.at(r).at(c))
                                             : new QTableWidgetItem(rows.at(r).at(c)));
    // Rows stay in the statement's order; only a header click sorts them.
    sgdMain->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    sgdMain->setSortingEnabled(true);
    sgdMain->setCurrentCell(0, 0);
    sgdMain->selectRow(0);
}

void TfrmSearch::btnSearchClick()
{
    const QString typed = edtVal->text();
    const int item = cbxItem->currentIndex();
    const bool anywhere = rbPart->isChecked();
    // A failing statement leaves the grid as it was; the error goes to the general handler.
    const QList<QStringList> rows =
        FQuery.Run(dmCmn->sqlWork2, FQuery.SearchSql(item, typed, anywhere), item, typed, anywhere);
    ShowRows(rows);
}

void TfrmSearch::btnOkClick()
{
    SaveState(true);
    accept();
}

bool TfrmSearch::NumberColumn(int column) const
{
    if (column >= FQuery.Columns().size())
        return false;
    const QString& field = FQuery.Columns().at(column).Field;
    return field == QLatin1String("TEL_NO") || field == QLatin1String("CUST_TEL_NON") ||
           field == QLatin1String("FAX_NO_NON");
}

bool TfrmSearch::SelectedRow(QStringList& cells) const
{
    cells.clear();
    const int row = sgdMain->currentRow();
    if (row < 0)
        return false;
    for (int c = 0; c < sgdMain->columnCount(); ++c) {
        cells << GridHelpers::StoredText(sgdMain->item(row, c));
    }
    return true;
}

void TfrmSearch::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    edtVal->clear();
    edtVal->setFocus();
}

void TfrmSearch::done(int result)
{
    SaveState(false);
    QDialog::done(result);
}

void TfrmSearch::SaveState(bool withChoices)
{
    if (!gIni)
        return;
    if (withChoices) {
        gIni->WriteString(kSection, FQuery.IndexKey(), QString::number(cbxItem->currentIndex()));
        gIni->WriteString(kSection, FQuery.PartKey(), rbPart->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        return;
    }
    auto value = [](int v) { return v > 0 ? QString::number(v) : QString(); };
    gIni->WriteString(kSection, QStringLiteral("LEFT"), value(x()));
    gIni->WriteString(kSection, QStringLiteral("TOP"), value(y()));
    gIni->WriteString(kSection, QStringLiteral("WIDTH"), value(width()));
    gIni->WriteString(kSection, QStringLiteral("HEIGHT"), value(height()));
    QStringList widths;
    for (int c = 0; c < sgdMain->columnCount(); ++c)
        widths << QString::number(sgdMain->columnWidth(c));
    gIni->WriteString(kSection, FQuery.WidthKey(), widths.join(QLatin1Char(',')));
}
