#include "ui/Icons.h"

#include <QPainter>
#include <QPixmap>

namespace Icons {

QIcon AppIcon(bool allAttached)
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(allAttached ? QColor(0x2e, 0x9e, 0x4f) : QColor(0x8a, 0x8a, 0x8a));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(int(size * 0.62));
        p.setFont(f);
        p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("Z"));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap ResponseMark()
{
    static const QPixmap mark = [] {
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setPen(QColor(0x30, 0x50, 0x90));
        p.setBrush(QColor(0xff, 0xfb, 0xe0));
        p.drawRect(2, 1, 11, 13);
        for (int y = 4; y <= 11; y += 3)
            p.drawLine(4, y, 11, y);
        return pm;
    }();
    return mark;
}

} // namespace Icons
