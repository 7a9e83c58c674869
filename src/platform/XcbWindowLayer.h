#pragma once

#include "platform/WindowLayer.h"

#include <QByteArray>
#include <QHash>

struct xcb_connection_t;

// WindowLayer over an X11 display through xcb. Top-level windows come from the window
// manager's _NET_CLIENT_LIST; without a window manager (a bare server) from the root's
// children.
class XcbWindowLayer : public WindowLayer
{
public:
    // display: as for DISPLAY; empty takes the environment's.
    explicit XcbWindowLayer(const QByteArray& display = QByteArray());
    ~XcbWindowLayer() override;
    XcbWindowLayer(const XcbWindowLayer&) = delete;
    XcbWindowLayer& operator=(const XcbWindowLayer&) = delete;

    bool IsConnected() const { return FConn != nullptr; }

    WindowId FindWindow(const QString& caption) override;
    WindowId FindChild(WindowId parent, const QString& className) override;
    bool PostMessage(WindowId window, quint32 message, quint32 wParam, quint32 lParam) override;
    bool PostClose(WindowId window) override;
    bool SendCopyData(WindowId window, const QString& text, int timeoutMs = 5000) override;

private:
    quint32 Atom(const char* name);
    QByteArray Property(WindowId window, quint32 property, quint32 type);
    QString Caption(WindowId window);
    QList<WindowId> TopLevels();
    QList<WindowId> Children(WindowId window);
    bool SendClientMessage(WindowId to, WindowId about, quint32 type, const quint32 (&data)[5], quint32 eventMask);

    xcb_connection_t* FConn = nullptr;
    WindowId FRoot = 0;
    QHash<QByteArray, quint32> FAtoms;
};
