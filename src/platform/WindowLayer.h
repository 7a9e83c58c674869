#pragma once

#include <QString>

#include <memory>

// Other programs' windows on this desktop: find one by its exact caption, find a child by
// class, post it a message, ask it to close, hand it a number. On X11 this goes through xcb;
// without an X11 display no window is ever found, so callers start programs instead of
// messaging them. Window ids are 0 for "none".
//
// Messages are client messages of type ZUVARO_MESSAGE with data32 = {message, wParam, lParam};
// the number hand-over is described in the README.
class WindowLayer
{
public:
    using WindowId = quint32;

    virtual ~WindowLayer() = default;

    // The top-level window whose caption equals caption exactly; 0 when none or caption is empty.
    virtual WindowId FindWindow(const QString& caption) = 0;
    // A window of class className (the class part of WM_CLASS) anywhere below parent.
    virtual WindowId FindChild(WindowId parent, const QString& className) = 0;
    // Does not wait for the receiver.
    virtual bool PostMessage(WindowId window, quint32 message, quint32 wParam, quint32 lParam) = 0;
    // The polite close request (the window manager's, or the window's own delete protocol).
    virtual bool PostClose(WindowId window) = 0;
    // Sets the text as property ZUVARO_COPYDATA on the window, tells it by a client message and
    // waits (at most timeoutMs) until the receiver deletes the property. True on receipt.
    virtual bool SendCopyData(WindowId window, const QString& text, int timeoutMs = 5000) = 0;

    // The layer of this desktop: xcb when an X11 display can be opened, else one that finds nothing.
    static std::unique_ptr<WindowLayer> Create();
    // The process's layer (created on first use); tests replace it.
    static WindowLayer& Current();
    static void SetCurrent(std::unique_ptr<WindowLayer> layer);
};
