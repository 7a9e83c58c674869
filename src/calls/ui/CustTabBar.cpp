#include "calls/ui/CustTabBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QTabWidget>

namespace {
const QColor kActive(0xA6, 0xCA, 0xF0);
constexpr int kMarkZone = 20;
}

CustTabBar::CustTabBar(QWidget* parent) : QTabBar(parent)
{
    setMouseTracking(true);
}

void CustTabBar::SetCaption(QTabWidget* pages, int index, const QString& caption)
{
    if (!pages || index < 0 || index >= pages->count())
        return;
    const QString label = caption.isEmpty() ? caption : caption.chopped(1);
    pages->setTabText(index, label.left(15));
    pages->tabBar()->setTabData(index, caption.right(1));
}

QString CustTabBar::Mode(const QTabBar* bar, int index)
{
    return bar->tabData(index).toString();
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
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, tabText(active).left(15) + QLatin1Char(' '));
    if (active < FFirstCustomer)
        return;
    const QRect mark(tabRect(active).right() - 22, tabRect(active).top() + 4, 16, 16);
    p.setRenderHint(QPainter::Antialiasing);
    if (Mode(this, active) == QLatin1String("E")) {
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
        Mode(this, active) == QLatin1String("B") && closeMarkHit(active, event->position().toPoint()))
        emit closeRequested(active);
}
