#include "calls/ui/CallLogGrid.h"

#include "calls/CallLogModel.h"

CallLogGrid::CallLogGrid(CallLogModel* model, QWidget* parent)
    : QTableView(parent)
    , FModel(model)
{
    setModel(model);
    connect(this, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& i) { emit cellClicked(i.row(), i.column()); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { emit cellDoubleClicked(i.row(), i.column()); });
}

int CallLogGrid::rowCount() const
{
    return FModel->rowCount();
}

int CallLogGrid::columnCount() const
{
    return FModel->columnCount();
}

QString CallLogGrid::text(int row, int column) const
{
    return FModel->Text(row, column);
}

int CallLogGrid::currentRow() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}
