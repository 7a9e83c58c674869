#include "platform/XcbWindowLayer.h"

#include <QDeadlineTimer>

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {
const quint32 kAnyPropertyType = 0; // XCB_GET_PROPERTY_TYPE_ANY
}

XcbWindowLayer::XcbWindowLayer(const QByteArray& display)
{
    int screenNo = 0;
    xcb_connection_t* conn = xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNo);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; i < screenNo && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(conn);
        return;
    }
    FConn = conn;
    FRoot = it.data->root;
}

XcbWindowLayer::~XcbWindowLayer()
{
    if (FConn)
        xcb_disconnect(FConn);
}

quint32 XcbWindowLayer::Atom(const char* name)
{
    const QByteArray key(name);
    auto found = FAtoms.constFind(key);
    if (found != FAtoms.constEnd())
        return *found;
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(FConn, xcb_intern_atom(FConn, 0, uint16_t(key.size()), key.constData()), nullptr);
    const quint32 atom = reply ? reply->atom : 0;
    std::free(reply);
    if (atom)
        FAtoms.insert(key, atom);
    return atom;
}

QByteArray XcbWindowLayer::Property(WindowId window, quint32 property, quint32 type)
{
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(FConn, xcb_get_property(FConn, 0, window, property, type, 0, 1u << 16), nullptr);
    QByteArray value;
    if (reply && reply->type != XCB_ATOM_NONE) {
        value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    }
    std::free(reply);
    return value;
}

QString XcbWindowLayer::Caption(WindowId window)
{
    const QByteArray netName = Property(window, Atom("_NET_WM_NAME"), Atom("UTF8_STRING"));
    if (!netName.isEmpty())
        return QString::fromUtf8(netName);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        FConn, xcb_get_property(FConn, 0, window, XCB_ATOM_WM_NAME, kAnyPropertyType, 0, 1u << 16), nullptr);
    QString caption;
    if (reply && reply->type != XCB_ATOM_NONE) {
        const QByteArray raw(static_cast<const char*>(xcb_get_property_value(reply)),
                             xcb_get_property_value_length(reply));
        caption = reply->type == Atom("UTF8_STRING") ? QString::fromUtf8(raw) : QString::fromLatin1(raw);
    }
    std::free(reply);
    return caption;
}

QList<XcbWindowLayer::WindowId> XcbWindowLayer::Children(WindowId window)
{
    QList<WindowId> children;
    xcb_query_tree_reply_t* reply = xcb_query_tree_reply(FConn, xcb_query_tree(FConn, window), nullptr);
    if (reply) {
        const xcb_window_t* ids = xcb_query_tree_children(reply);
        for (int i = 0; i < xcb_query_tree_children_length(reply); ++i)
            children.append(ids[i]);
    }
    std::free(reply);
    return children;
}

QList<XcbWindowLayer::WindowId> XcbWindowLayer::TopLevels()
{
    const QByteArray list = Property(FRoot, Atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    if (list.isEmpty())
        return Children(FRoot);
    QList<WindowId> windows;
    for (int i = 0; i + 4 <= list.size(); i += 4) {
        quint32 id = 0;
        std::memcpy(&id, list.constData() + i, 4);
        windows.append(id);
    }
    return windows;
}

XcbWindowLayer::WindowId XcbWindowLayer::FindWindow(const QString& caption)
{
    if (!FConn || caption.isEmpty())
        return 0;
    for (WindowId w : TopLevels()) {
        if (Caption(w) == caption)
            return w;
    }
    return 0;
}

XcbWindowLayer::WindowId XcbWindowLayer::FindChild(WindowId parent, const QString& className)
{
    if (!FConn || !parent)
        return 0;
    // WM_CLASS holds "instance\0class\0".
    QList<WindowId> pending = Children(parent);
    while (!pending.isEmpty()) {
        const WindowId w = pending.takeFirst();
        const QList<QByteArray> parts = Property(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0');
        if (parts.size() >= 2 && QString::fromLatin1(parts.at(1)) == className)
            return w;
        pending.append(Children(w));
    }
    return 0;
}

bool XcbWindowLayer::SendClientMessage(WindowId to, WindowId about, quint32 type, const quint32 (&data)[5],
                                       quint32 eventMask)
{
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = about;
    ev.type = type;
    for (int i = 0; i < 5; ++i)
        ev.data.data32[i] = data[i];
    xcb_generic_error_t* error =
        xcb_request_check(FConn, xcb_send_event_checked(FConn, 0, to, eventMask, reinterpret_cast<const char*>(&ev)));
    const bool ok = error == nullptr;
    std::free(error);
    return ok;
}

bool XcbWindowLayer::PostMessage(WindowId window, quint32 message, quint32 wParam, quint32 lParam)
{
    if (!FConn || !window)
        return false;
    const quint32 data[5] = {message, wParam, lParam, 0, 0};
    return SendClientMessage(window, window, Atom("ZUVARO_MESSAGE"), data, XCB_EVENT_MASK_NO_EVENT);
}

bool XcbWindowLayer::PostClose(WindowId window)
{
    if (!FConn || !window)
        return false;
    // A window manager that supports it closes the window the way its own close button does.
    const QByteArray supported = Property(FRoot, Atom("_NET_SUPPORTED"), XCB_ATOM_ATOM);
    const quint32 netClose = Atom("_NET_CLOSE_WINDOW");
    for (int i = 0; i + 4 <= supported.size(); i += 4) {
        quint32 atom = 0;
        std::memcpy(&atom, supported.constData() + i, 4);
        if (atom == netClose) {
            const quint32 data[5] = {XCB_CURRENT_TIME, 2, 0, 0, 0};
            return SendClientMessage(FRoot, window, netClose, data,
                                     XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
        }
    }
    // No window manager: ask the window itself through its delete protocol.
    const quint32 deleteWindow = Atom("WM_DELETE_WINDOW");
    const QByteArray protocols = Property(window, Atom("WM_PROTOCOLS"), XCB_ATOM_ATOM);
    for (int i = 0; i + 4 <= protocols.size(); i += 4) {
        quint32 atom = 0;
        std::memcpy(&atom, protocols.constData() + i, 4);
        if (atom == deleteWindow) {
            const quint32 data[5] = {deleteWindow, XCB_CURRENT_TIME, 0, 0, 0};
            return SendClientMessage(window, window, Atom("WM_PROTOCOLS"), data, XCB_EVENT_MASK_NO_EVENT);
        }
    }
    return false;
}

bool XcbWindowLayer::SendCopyData(WindowId window, const QString& text, int timeoutMs)
{
    if (!FConn || !window)
        return false;
    const quint32 property = Atom("ZUVARO_COPYDATA");
    const QByteArray bytes = text.toUtf8();
    // Watch the window's properties before setting ours, so the deletion cannot be missed.
    const quint32 watch = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_generic_error_t* error =
        xcb_request_check(FConn, xcb_change_window_attributes_checked(FConn, window, XCB_CW_EVENT_MASK, &watch));
    if (error) {
        std::free(error);
        return false;
    }
    xcb_change_property(FConn, XCB_PROP_MODE_REPLACE, window, property, Atom("UTF8_STRING"), 8,
                        uint32_t(bytes.size()), bytes.constData());
    // Identifier word 1 and the byte count with the terminating zero, as receivers expect.
    const quint32 data[5] = {1, quint32(bytes.size() + 1), 0, 0, 0};
    bool received = false;
    if (SendClientMessage(window, window, property, data, XCB_EVENT_MASK_NO_EVENT)) {
        const QDeadlineTimer deadline(timeoutMs);
        const int fd = xcb_get_file_descriptor(FConn);
        while (!received) {
            xcb_generic_event_t* ev = xcb_poll_for_event(FConn);
            if (!ev) {
                if (xcb_connection_has_error(FConn) || deadline.hasExpired())
                    break;
                pollfd pfd{fd, POLLIN, 0};
                ::poll(&pfd, 1, int(qMin<qint64>(deadline.remainingTime(), 100)));
                continue;
            }
            if ((ev->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                auto* pn = reinterpret_cast<xcb_property_notify_event_t*>(ev);
                received = pn->window == window && pn->atom == property && pn->state == XCB_PROPERTY_DELETE;
            }
            std::free(ev);
        }
    }
    const quint32 none = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(FConn, window, XCB_CW_EVENT_MASK, &none);
    xcb_flush(FConn);
    return received;
}
