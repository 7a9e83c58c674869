#pragma once

#include <QList>
#include <QString>

class ProfileFile;
class TTelCom;
class TTelComList;

// One entry of the settings section ADAPTA.
struct TDeviceSetting
{
    int PortNo = -1;
    QString DispName;
    QString ReadName;
    int DeviceIndex = -1; // kept in the device's Tag; -1 when DEVICE_INDEX_n is missing
};

// How the configured phones are read from and written to the settings file, and how a
// configured device is connected. Used by the main window and the device setup dialog.
class DeviceSettings
{
public:
    static const QString Section; // "ADAPTA"
    static constexpr int ConnectingCheckInterval = 30000;

    // Entries 1..COUNT (COUNT missing: none). Entries beyond COUNT are left alone; a
    // missing PORT_NO_n reads as -1 and a missing DEVICE_INDEX_n as -1.
    static QList<TDeviceSetting> Load(const ProfileFile& ini);
    static QList<TDeviceSetting> Load(); // from gIni

    // Sorts the list by port, then writes COUNT and PORT_NO_n, DISP_NAME_n, READ_NAME_n,
    // DEVICE_INDEX_n for each device from 1. False (and a diagnostic line) when the file
    // could not be written.
    static bool Save(TTelComList& list, ProfileFile& ini);
    static bool Save(TTelComList& list); // to gIni

    static TDeviceSetting FromDevice(const TTelCom& device);
    // Port, names and Tag of the device from the entry (no connection).
    static void Apply(TTelCom& device, const TDeviceSetting& setting);

    // Connect(port, link kind of the device's Tag, caller reporting on, 30 s supervision,
    // gLogDir, trace on). Throws AppError with the text for the user.
    static void Connect(TTelCom& device, int portNo);
};
