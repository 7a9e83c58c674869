#pragma once

#include <QTableView>

class CallLogModel;

// The main window's call-log grid: a view over the day's calls with the cell-level
// conveniences the window and its plug-ins use (row count, cell text, current row).
class CallLogGrid : public QTableView
{
    Q_OBJECT
public:
    explicit CallLogGrid(CallLogModel* model, QWidget* parent = nullptr);

    CallLogModel* Model() const { return FModel; }
    int rowCount() const;
    int columnCount() const;
    // The cell's text; empty for an empty row or outside the grid.
    QString text(int row, int column) const;
    // The row of the current cell, -1 when there is none.
    int currentRow() const;

signals:
    void cellClicked(int row, int column);
    void cellDoubleClicked(int row, int column);

private:
    CallLogModel* FModel;
};
