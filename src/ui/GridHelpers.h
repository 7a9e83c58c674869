#pragma once

class QString;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

// Small operations on string grids that several windows share.
namespace GridHelpers {
// No cell selected (and no current cell).
void ClearSelection(QTableWidget* grid);
// Selects the rectangle of cells from (top, left) to (bottom, right).
void SelectCells(QTableWidget* grid, int left, int top, int right, int bottom);
// Scrolls so that the current row is visible: a row above the view becomes the first
// visible row, one below it the last.
void ScrollToCurrentRow(QTableWidget* grid);
// Empties every data row and leaves exactly one empty data row.
void ClearRows(QTableWidget* grid);
// Puts an in-cell editor exactly over a cell and raises it.
void PlaceOverCell(QTableWidget* grid, QWidget* editor, int row, int column);
// A cell of a phone number: shown as NumberDisplay writes it, the stored form kept beside.
QTableWidgetItem* NumberItem(const QString& number);
// What a cell holds: the stored form of a number cell, else its text; empty without an item.
QString StoredText(const QTableWidgetItem* item);
}
