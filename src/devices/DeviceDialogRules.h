#pragma once

#include "core/MessageService.h"

#include <QList>
#include <QSerialPortInfo>
#include <QString>
#include <QStringList>

#include <functional>

class DeviceHost;
class TTelCom;
class TTelComList;

// The rules behind the device setup and status dialogs, kept out of the widgets.
namespace DeviceDialogRules {

constexpr int DefaultPortNo = 60600;
constexpr int MaxPortNo = 99999999;

// "切断中" (transport down), "接続中" (a phone attached) or "接続待ち".
QString StateText(bool connecting, bool clientConnecting);
QString StateText(const TTelCom& device);
// Every device of the list shows "接続中" (true for an empty list).
bool AllAttached(const TTelComList& list);

// The texts of one grid row.
struct TDeviceRow
{
    QString PortNo;
    QString Kind;
    QString TelNo;
    QString State;
    QString DispName;
    QString ReadName;
    QString DeviceIndex;
};
TDeviceRow Row(const TTelCom& device);

// The five hint lines of the setup dialog for a device index (any other index: all empty).
QStringList HintLines(int deviceIndex);
bool ShowsPortNote(int deviceIndex);      // Wi-Fi: each phone needs a port of its own
bool ShowsDeviceManager(int deviceIndex); // Bluetooth: the user looks the port number up
// The device index kept in a grid's hidden column; -1 when it is not a number.
int ParseDeviceIndex(const QString& text);

struct TSetupInput
{
    QString PortText;
    int DeviceIndex = -1;
    QString DispName;
    QString ReadName;
};
enum class TSetupField { None, PortNo, DeviceKind, DispName };
struct TSetupCheck
{
    TSetupField Field = TSetupField::None;
    QString Message; // empty when the input is fine
    int PortNo = 0;
};
// Checks in the order the user sees the fields: port, kind, name.
TSetupCheck Check(const TSetupInput& input);

TTelCom* FindByPort(const TTelComList& list, int portNo);
// The device a delete acts on: a data row (0-based, -1 for none) is selected, its port
// cell holds a number and a device of that port is listed; otherwise null.
TTelCom* DeviceToDelete(const TTelComList& list, int selectedRow, const QString& portCell);

// "この端末のみ許可": the allow-list that lets in the phone now on chosen's link and the
// phones on the other listed devices' links (so they keep working), nobody else. Empty,
// with message set, when chosen has no phone on its link.
QString AllowOnlyPeers(const TTelComList& list, const TTelCom* chosen, QString* message);

// Waiting for the phone's own number after registering.
struct TFetchTimings
{
    int WifiRounds = 20;   // rounds of the progress bar
    int WifiTries = 10;    // own-number requests per round
    int WifiPauseMs = 100; // pause before each request, with events running
    int RequestTimeout = 10000;
    int BlinkIntervalMs = 1000; // Bluetooth: one progress step and colour change a tick
};

// What the dialog shows while the number is fetched.
class FetchView
{
public:
    virtual ~FetchView() = default;
    virtual void FetchBegin(bool wifi, int rounds) = 0;
    virtual void FetchRound() = 0; // Wi-Fi: each round
    virtual void FetchEnd() = 0;
};

// Asks a freshly connected device for its number: Wi-Fi in rounds, so that a phone app
// that connects during the wait is still caught; Bluetooth once. Events keep running.
// Empty when no number came (or the device went away during the wait).
QString FetchOwnTelNo(TTelCom& device, const TFetchTimings& timings, FetchView* view);

enum class TRegisterResult { Registered, ConnectFailed, NotListening, NoTelNo };
struct TRegisterOutcome
{
    TRegisterResult Result = TRegisterResult::Registered;
    TTelCom* Device = nullptr; // null only when the device was deleted during the wait
    QString TelNo;
    QString Error; // the connection failure's text
};
using FetchFunction = std::function<QString(TTelCom&)>;

// Registers a checked input: reuses (and first disconnects) the device of that port or
// has the host create one, sets name, kind and reading, connects it, fetches the number.
// The device stays in the list whatever happens, and the host stores the list and
// rebuilds its call menu.
TRegisterOutcome Register(DeviceHost& host, const TSetupInput& input, int portNo, const FetchFunction& fetch);
// The message for a result; empty for Registered.
QString RegisterMessage(TRegisterResult result);
MsgKind RegisterMessageKind(TRegisterResult result);

// One serial port of the system for the port list window.
struct TSerialPortRow
{
    QString PortNo;   // the number to type as port number, when the device fits the template
    QString Location; // /dev/...
    QString Description;
    QString Manufacturer;
    bool Bluetooth = false;
};
// Bluetooth ports (rfcomm) first, then the rest; each group by port number, then by name.
QList<TSerialPortRow> SerialPortRows(const QList<QSerialPortInfo>& ports);
// The port number whose serial device (TTelCom::SerialDevicePath) is location; -1 if none.
int PortNoOfSerialDevice(const QString& location);

// Takes the device out of the list, disconnects and frees it, and has the host store the
// list and rebuild its call menu.
void Remove(DeviceHost& host, TTelCom* device);

} // namespace DeviceDialogRules
