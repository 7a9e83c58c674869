#pragma once

#include <QList>
#include <QRect>
#include <QSize>

// Window state as remembered between runs: 1 normal, 2 maximised, 3 minimised.
struct TWindowState
{
    int State = 0;
    int Left = 0;
    int Top = 0;
    int Height = 250;
    int Width = 0;
};

struct TWindowPlacement
{
    QRect Geometry;
    bool Maximized = false;
};

// Where the main window opens: a normal window where it was (at the origin when that
// point is on no display any more), maximised when it ended maximised, else at the
// origin in its design size (also after ending minimised).
TWindowPlacement PlaceWindow(const TWindowState& saved, const QList<QRect>& screens, const QSize& designSize);
