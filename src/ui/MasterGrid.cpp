#include "ui/MasterGrid.h"

#include "ui/GridHelpers.h"

#include <QDateTime>
#include <QHeaderView>
#include <QTableWidget>

namespace MasterGrid {

namespace {
const QColor kGrey(128, 128, 128);
}

void Setup(QTableWidget* grid, const QStringList& headers, const QList<int>& widths)
{
    grid->setColumnCount(headers.size());
    grid->setHorizontalHeaderLabels(headers);
    for (int c = 0; c < widths.size(); ++c)
        grid->setColumnWidth(c, widths.at(c));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->hide();
    GridHelpers::ClearRows(grid);
}

void Fill(QTableWidget* grid, const QList<QStringList>& cells, const QList<bool>& deleted)
{
    grid->clearContents();
    grid->setRowCount(qMax(1, int(cells.size())));
    for (int r = 0; r < cells.size(); ++r) {
        const bool grey = deleted.value(r);
        for (int c = 0; c < grid->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(r).value(c));
            if (grey) {
                // The selection colours paint over these, so a selected deleted row reads as selected.
                item->setBackground(kGrey);
                item->setForeground(Qt::white);
            }
            grid->setItem(r, c, item);
        }
    }
    GridHelpers::ClearSelection(grid);
}

bool IsGrey(const QTableWidget* grid, int row)
{
    const QTableWidgetItem* item = grid->item(row, 0);
    return item && item->background().color() == kGrey && item->background().style() != Qt::NoBrush;
}

QString Text(const QTableWidget* grid, int row, int column)
{
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

bool SelectKey(QTableWidget* grid, int column, const QString& key)
{
    for (int r = 0; r < grid->rowCount(); ++r) {
        if (grid->item(r, column) && grid->item(r, column)->text() == key) {
            grid->setCurrentCell(r, 0);
            grid->selectRow(r);
            GridHelpers::ScrollToCurrentRow(grid);
            return true;
        }
    }
    return false;
}

QString DateTimeText(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("yyyy/MM/dd hh:mm")) : QString();
}

} // namespace MasterGrid
