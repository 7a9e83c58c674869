#include "calls/WindowPlacement.h"

TWindowPlacement PlaceWindow(const TWindowState& saved, const QList<QRect>& screens, const QSize& designSize)
{
    TWindowPlacement p;
    if (saved.State == 1) {
        QPoint at(saved.Left, saved.Top);
        bool onScreen = false;
        for (const QRect& s : screens)
            onScreen = onScreen || s.contains(at);
        if (!onScreen)
            at = QPoint(0, 0);
        p.Geometry = QRect(at, QSize(saved.Width, saved.Height));
    } else if (saved.State == 2) {
        p.Maximized = true;
        p.Geometry = QRect(QPoint(0, 0), designSize);
    } else {
        p.Geometry = QRect(QPoint(0, 0), designSize);
    }
    return p;
}
