#include "ui/AcceptMarkDelegate.h"

#include "core/StartupSettings.h"
#include "ui/Icons.h"

#include <QApplication>
#include <QPainter>

void AcceptMarkDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!GUseAccept || index.data(Qt::DisplayRole).toString().isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    cell.text.clear();
    const QWidget* view = option.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);
    painter->drawPixmap(option.rect.topLeft() + QPoint(8, 2), Icons::ResponseMark());
}
