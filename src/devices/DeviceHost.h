#pragma once

class TTelCom;
class TTelComList;

// What the device dialogs need from the window that owns the devices. The main window
// implements it; the dialogs never see the window itself.
class DeviceHost
{
public:
    virtual ~DeviceHost() = default;

    // A new device object owned by the host, with the host's event handlers attached.
    // The caller adds it to DeviceList().
    virtual TTelCom* CreateAdrTelCom() = 0;
    // Stores DeviceList() in the settings file (sorting it by port on the way).
    virtual void SaveAdrTelComList() = 0;
    // Rebuilds the outgoing-call menu, one entry per device in the list.
    virtual void RebuildCallMenu() = 0;
    // The process-wide device list.
    virtual TTelComList& DeviceList() = 0;
};
