#pragma once

#include "platform/WindowLayer.h"

#include <QList>
#include <QMap>
#include <QString>

// Windows that exist only in the test: top-level ones with a caption, children with a class.
// Records everything sent to them.
class FakeWindowLayer : public WindowLayer
{
public:
    struct Posted
    {
        WindowId Window;
        quint32 Message;
        quint32 WParam;
        quint32 LParam;
    };
    struct Handed
    {
        WindowId Window;
        QString Text;
    };

    WindowId AddWindow(const QString& caption)
    {
        const WindowId id = FNext++;
        FCaptions.insert(id, caption);
        return id;
    }
    WindowId AddChild(WindowId parent, const QString& className)
    {
        const WindowId id = FNext++;
        FChildren.insert(id, {parent, className});
        return id;
    }
    void RemoveWindow(WindowId id) { FCaptions.remove(id); }

    WindowId FindWindow(const QString& caption) override
    {
        ++Lookups;
        if (caption.isEmpty())
            return 0;
        for (auto it = FCaptions.cbegin(); it != FCaptions.cend(); ++it)
            if (it.value() == caption)
                return it.key();
        return 0;
    }
    WindowId FindChild(WindowId parent, const QString& className) override
    {
        for (auto it = FChildren.cbegin(); it != FChildren.cend(); ++it)
            if (it.value().first == parent && it.value().second == className)
                return it.key();
        return 0;
    }
    bool PostMessage(WindowId window, quint32 message, quint32 wParam, quint32 lParam) override
    {
        PostedMessages.append({window, message, wParam, lParam});
        return true;
    }
    bool PostClose(WindowId window) override
    {
        Closed.append(window);
        return true;
    }
    bool SendCopyData(WindowId window, const QString& text, int) override
    {
        HandedOver.append({window, text});
        return true;
    }

    QList<Posted> PostedMessages;
    QList<WindowId> Closed;
    QList<Handed> HandedOver;
    int Lookups = 0;

private:
    WindowId FNext = 100;
    QMap<WindowId, QString> FCaptions;
    QMap<WindowId, QPair<WindowId, QString>> FChildren;
};
