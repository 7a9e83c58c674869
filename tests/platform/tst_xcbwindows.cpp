// The window layer against a real X server: Xvfb started by the test on a free display, and a
// tiny window of our own, run by a thread on a connection of its own, that records what it gets.

#include "platform/WindowLayer.h"
#include "platform/XcbWindowLayer.h"
#include "support/Xvfb.h"

#include <QtTest>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

// A top-level window with a caption, an MDIClient child holding an OForm child, taking the
// delete protocol; records client messages and answers the number hand-over.
class TestWindow
{
public:
    struct Message
    {
        xcb_window_t Window;
        QByteArray Type;
        quint32 Data[5];
        QByteArray Property; // the hand-over text read when the message arrived
    };

    TestWindow(const QByteArray& display, const QString& caption, bool answerHandOver = true)
        : FAnswer(answerHandOver)
    {
        c = xcb_connect(display.constData(), nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        root = screen->root;
        top = xcb_generate_id(c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, top, root, 0, 0, 50, 50, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, XCB_CW_EVENT_MASK, &mask);
        const QByteArray name = caption.toUtf8();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, top, atom(c, "_NET_WM_NAME"), atom(c, "UTF8_STRING"), 8,
                            uint32_t(name.size()), name.constData());
        const xcb_atom_t del = atom(c, "WM_DELETE_WINDOW");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, top, atom(c, "WM_PROTOCOLS"), XCB_ATOM_ATOM, 32, 1, &del);
        mdi = child(top, QByteArray("mdi\0MDIClient\0", 14));
        form = child(mdi, QByteArray("frm\0OForm\0", 10));
        xcb_map_window(c, top);
        xcb_flush(c);
        FThread = std::thread([this]() { run(); });
    }
    ~TestWindow()
    {
        FStop = true;
        FThread.join();
        xcb_disconnect(c);
    }
    // Plays window manager: announces the close request and lists our window.
    void ActAsWindowManager()
    {
        const xcb_atom_t supported[2] = {atom(c, "_NET_CLOSE_WINDOW"), atom(c, "_NET_CLIENT_LIST")};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 32, 2, supported);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 32, 1, &top);
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }
    QList<Message> Messages()
    {
        std::lock_guard<std::mutex> lock(FMutex);
        return FMessages;
    }
    bool WaitForMessages(int n)
    {
        return QTest::qWaitFor([&]() { return Messages().size() >= n; }, 5000);
    }

    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0, top = 0, mdi = 0, form = 0;

private:
    xcb_window_t child(xcb_window_t parent, const QByteArray& wmClass)
    {
        const xcb_window_t w = xcb_generate_id(c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, parent, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            uint32_t(wmClass.size()), wmClass.constData());
        xcb_map_window(c, w);
        return w;
    }
    void run()
    {
        const xcb_atom_t copyData = atom(c, "ZUVARO_COPYDATA");
        while (!FStop) {
            xcb_generic_event_t* ev = xcb_poll_for_event(c);
            if (!ev) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            if ((ev->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                auto* cm = reinterpret_cast<xcb_client_message_event_t*>(ev);
                Message m{cm->window, {}, {}, {}};
                auto* name = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, cm->type), nullptr);
                if (name)
                    m.Type = QByteArray(xcb_get_atom_name_name(name), xcb_get_atom_name_name_length(name));
                std::free(name);
                std::memcpy(m.Data, cm->data.data32, sizeof m.Data);
                if (cm->type == copyData) {
                    auto* p = xcb_get_property_reply(
                        c, xcb_get_property(c, 0, cm->window, copyData, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
                    if (p)
                        m.Property = QByteArray(static_cast<const char*>(xcb_get_property_value(p)),
                                                xcb_get_property_value_length(p));
                    std::free(p);
                    if (FAnswer)
                        xcb_delete_property(c, cm->window, copyData);
                    xcb_flush(c);
                }
                std::lock_guard<std::mutex> lock(FMutex);
                FMessages.append(m);
            }
            std::free(ev);
        }
    }

    bool FAnswer;
    std::atomic<bool> FStop{false};
    std::mutex FMutex;
    QList<Message> FMessages;
    std::thread FThread;
};

} // namespace

class TestXcbWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            QSKIP("Xvfb is not installed");
    }

    void findMessageAndClose()
    {
        Xvfb server;
        QVERIFY2(!server.display().isEmpty(), "Xvfb did not start");
        TestWindow window(server.display(), QString::fromUtf8("顧客管理 - テスト"));
        XcbWindowLayer layer(server.display());
        QVERIFY(layer.IsConnected());

        // Found by its exact caption only; an empty caption finds nothing.
        QCOMPARE(layer.FindWindow(QString::fromUtf8("顧客管理 - テスト")), window.top);
        QCOMPARE(layer.FindWindow(QString::fromUtf8("顧客管理")), 0u);
        QCOMPARE(layer.FindWindow(QString()), 0u);
        QCOMPARE(layer.FindChild(window.top, "MDIClient"), window.mdi);
        QCOMPARE(layer.FindChild(window.mdi, "OForm"), window.form);
        QCOMPARE(layer.FindChild(window.top, "OForm"), window.form);
        QCOMPARE(layer.FindChild(window.top, "Nothing"), 0u);

        // The number hand-over: the property is read and deleted as the receipt.
        QVERIFY(layer.SendCopyData(window.top, "03-1234 \"5678\""));
        QVERIFY(window.WaitForMessages(1));
        TestWindow::Message m = window.Messages().at(0);
        QCOMPARE(m.Type, QByteArray("ZUVARO_COPYDATA"));
        QCOMPARE(m.Window, window.top);
        QCOMPARE(m.Data[0], 1u);
        QCOMPARE(m.Data[1], 15u);
        QCOMPARE(m.Property, QByteArray("03-1234 \"5678\""));

        // A posted message: number and both parameters.
        QVERIFY(layer.PostMessage(window.form, 1029, 0, 0));
        QVERIFY(window.WaitForMessages(2));
        m = window.Messages().at(1);
        QCOMPARE(m.Type, QByteArray("ZUVARO_MESSAGE"));
        QCOMPARE(m.Window, window.form);
        QCOMPARE(m.Data[0], 1029u);
        QCOMPARE(m.Data[1], 0u);

        // No window manager: the close request goes to the window's delete protocol.
        QVERIFY(layer.PostClose(window.top));
        QVERIFY(window.WaitForMessages(3));
        m = window.Messages().at(2);
        QCOMPARE(m.Type, QByteArray("WM_PROTOCOLS"));

        // With a window manager that supports it, the request goes to the manager.
        window.ActAsWindowManager();
        QCOMPARE(layer.FindWindow(QString::fromUtf8("顧客管理 - テスト")), window.top);
        QVERIFY(layer.PostClose(window.top));
        QVERIFY(window.WaitForMessages(4));
        m = window.Messages().at(3);
        QCOMPARE(m.Type, QByteArray("_NET_CLOSE_WINDOW"));
        QCOMPARE(m.Window, window.top);
    }

    void handOverToSilentReceiverTimesOut()
    {
        Xvfb server;
        QVERIFY2(!server.display().isEmpty(), "Xvfb did not start");
        TestWindow window(server.display(), "Silent", false);
        XcbWindowLayer layer(server.display());
        QVERIFY(!layer.SendCopyData(window.top, "0312345678", 300));
        QVERIFY(window.WaitForMessages(1));
        // A window that vanished: nothing is sent, nothing hangs.
        QVERIFY(!layer.PostMessage(0x3fffff, 1024, 0, 0));
        QVERIFY(!layer.SendCopyData(0x3fffff, "1", 300));
    }

    void noDisplayFindsNothing()
    {
        qputenv("DISPLAY", "");
        auto layer = WindowLayer::Create();
        QCOMPARE(layer->FindWindow("anything"), 0u);
        QVERIFY(!layer->PostClose(1));
        XcbWindowLayer unreachable(":4999");
        QVERIFY(!unreachable.IsConnected());
        QCOMPARE(unreachable.FindWindow("x"), 0u);
    }
};

QTEST_GUILESS_MAIN(TestXcbWindows)
#include "tst_xcbwindows.moc"
