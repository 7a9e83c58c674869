#include "platform/WindowLayer.h"

#include "platform/XcbWindowLayer.h"

namespace {

// No X11 display (Wayland without XWayland, a headless run): nothing is ever running.
class NoWindowLayer : public WindowLayer
{
public:
    WindowId FindWindow(const QString&) override { return 0; }
    WindowId FindChild(WindowId, const QString&) override { return 0; }
    bool PostMessage(WindowId, quint32, quint32, quint32) override { return false; }
    bool PostClose(WindowId) override { return false; }
    bool SendCopyData(WindowId, const QString&, int) override { return false; }
};

std::unique_ptr<WindowLayer>& current()
{
    static std::unique_ptr<WindowLayer> layer;
    return layer;
}

} // namespace

std::unique_ptr<WindowLayer> WindowLayer::Create()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        auto xcb = std::make_unique<XcbWindowLayer>();
        if (xcb->IsConnected())
            return xcb;
    }
    return std::make_unique<NoWindowLayer>();
}

WindowLayer& WindowLayer::Current()
{
    if (!current())
        current() = Create();
    return *current();
}

void WindowLayer::SetCurrent(std::unique_ptr<WindowLayer> layer)
{
    current() = std::move(layer);
}
