#include "ui/GridHelpers.h"

#include "core/NumberDisplay.h"

#include <QTableWidget>

namespace GridHelpers {

void ClearSelection(QTableWidget* grid)
{
    grid->clearSelection();
    grid->setCurrentCell(-1, -1);
}

void SelectCells(QTableWidget* grid, int left, int top, int right, int bottom)
{
    grid->clearSelection();
    grid->setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);
    grid->setCurrentCell(top, left, QItemSelectionModel::NoUpdate);
}

void ScrollToCurrentRow(QTableWidget* grid)
{
    const int row = grid->currentRow();
    if (row < 0)
        return;
    const int first = grid->rowAt(0);
    if (first >= 0 && row < first) {
        grid->scrollToItem(grid->item(row, 0), QAbstractItemView::PositionAtTop);
        return;
    }
    const int last = grid->rowAt(grid->viewport()->height() - 1);
    if (last >= 0 && row > last)
        grid->scrollToItem(grid->item(row, 0), QAbstractItemView::PositionAtBottom);
}

void ClearRows(QTableWidget* grid)
{
    grid->clearContents();
    grid->setRowCount(1);
}

void PlaceOverCell(QTableWidget* grid, QWidget* editor, int row, int column)
{
    const QRect cell = grid->visualRect(grid->model()->index(row, column));
    editor->setParent(grid->viewport());
    editor->setGeometry(cell);
    editor->show();
    editor->raise();
}

} // namespace GridHelpers

namespace {
// Past the user role, which windows and tests use for marks of their own.
constexpr int kStoredRole = Qt::UserRole + 1;
} // namespace

QTableWidgetItem* GridHelpers::NumberItem(const QString& number)
{
    auto* item = new QTableWidgetItem(NumberDisplay::Show(number));
    item->setData(kStoredRole, number);
    return item;
}

QString GridHelpers::StoredText(const QTableWidgetItem* item)
{
    if (!item)
        return QString();
    const QVariant stored = item->data(kStoredRole);
    return stored.isValid() ? stored.toString() : item->text();
}
