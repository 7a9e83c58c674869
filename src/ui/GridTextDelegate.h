#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// Plain one-line cells drawn from laid-out text kept per cell text, for grids repainted whole
// on every change (a new call on top moves every row down). Laying the same texts out again
// on each repaint was most of the grid's painting. Text is cut at the cell's edge, as the
// grids have always shown it, instead of being shortened with an ellipsis.
class GridTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QStaticText& Laid(const QString& text, const QFont& font) const;

    mutable QHash<QString, QStaticText> FTexts;
    mutable QFont FFont;
};
