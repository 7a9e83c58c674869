#pragma once

#include <QStyledItemDelegate>

// The response column of a call log: a cell holding a response number shows the response
// mark instead of the number while responses are in use. The number stays the cell's text.
class AcceptMarkDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
