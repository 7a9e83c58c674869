#include "calls/ui/CustTabBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>

namespace {
const QColor kActive(0xA6, 0xCA, 0xF0);
constexpr int kMarkZone = 20;
}

CustTabBar::CustTabBar(QWidget* parent) : QTabBar(parent)
{
    setMouseTracking(true);
}

QSize CustTabBar::tabSizeHint(int index) const
{
    QSize s = QTabBar::tabSizeHint(index);
    if (index >= FFirstCustomer)
        s.setWidth(s.width() + kMarkZone);
    return s;
}

bool CustTabBar::closeMarkHit(int index, const QPoint& pos) const
{
    const QRect r = tabRect(index);
    return r.contains(pos) && pos.x() >= r.right() - kMarkZone;
}

void CustTabBar::paintEvent(QPaintEvent* event)
{
    QTabBar::paintEvent(event);
    const int active = currentIndex();
    if (active < 0)
        return;
    QPainter p(this);
    const QRect r = tabRect(active).adjusted(2, 2, -2, 0);
    p.fillRect(r, kActive);
    const QString caption = tabText(active);
    p.setPen(palette().color(QPalette::WindowText));
    // A page's caption ends in its mode letter, which is shown by the mark, not as text.
    const QString label = active >= FFirstCustomer && !caption.isEmpty() ? caption.chopped(1) : caption.left(15);
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, label + QLatin1Char(' '));
    if (active < FFirstCustomer)
        return;
    const QRect mark(tabRect(active).right() - 22, tabRect(active).top() + 4, 16, 16);
    p.setRenderHint(QPainter::Antialiasing);
    if (caption.endsWith(QLatin1Char('E'))) {
        // Edit mode: a pencil.
        p.setPen(QPen(QColor(0x80, 0x50, 0x10), 2));
        p.drawLine(mark.bottomLeft() + QPoint(3, -3), mark.topRight() + QPoint(-3, 3));
        p.drawLine(mark.bottomLeft() + QPoint(2, -2), mark.bottomLeft() + QPoint(5, -2));
    } else {
        p.setPen(QPen(FOverClose ? Qt::red : QColor(0x40, 0x40, 0x40), 2));
        p.drawLine(mark.topLeft() + QPoint(4, 4), mark.bottomRight() - QPoint(4, 4));
        p.drawLine(mark.topRight() + QPoint(-4, 4), mark.bottomLeft() + QPoint(4, -4));
    }
}

void CustTabBar::mouseMoveEvent(QMouseEvent* event)
{
    const bool over = currentIndex() >= FFirstCustomer && closeMarkHit(currentIndex(), event->position().toPoint());
    if (over != FOverClose) {
        FOverClose = over;
        update();
    }
    QTabBar::mouseMoveEvent(event);
}

void CustTabBar::mouseReleaseEvent(QMouseEvent* event)
{
    QTabBar::mouseReleaseEvent(event);
    const int active = currentIndex();
    // Only a customer tab in browse mode closes; one being edited must be saved first.
    if (event->button() == Qt::LeftButton && active >= FFirstCustomer &&
        tabText(active).contains(QLatin1Char('B')) && closeMarkHit(active, event->position().toPoint()))
        emit closeRequested(active);
}
