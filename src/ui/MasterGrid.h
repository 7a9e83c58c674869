#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QDateTime;
class QTableWidget;

// The grid of a master dialog: a header row, whole-row selection, deleted rows painted grey
// (RGB(128,128,128)) with white text unless selected, and one empty row when there is none.
namespace MasterGrid {

void Setup(QTableWidget* grid, const QStringList& headers, const QList<int>& widths);
// Replaces the rows; cells[i] is row i, deleted[i] whether it is painted grey.
void Fill(QTableWidget* grid, const QList<QStringList>& cells, const QList<bool>& deleted);
bool IsGrey(const QTableWidget* grid, int row);
// The text of a cell, empty for a missing item.
QString Text(const QTableWidget* grid, int row, int column);
// Selects and scrolls to the first row whose column equals key exactly; false when none.
bool SelectKey(QTableWidget* grid, int column, const QString& key);
// Deletion times as the grids show them.
QString DateTimeText(const QDateTime& t);

} // namespace MasterGrid
