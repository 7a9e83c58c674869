#pragma once

#include "devices/PeerAllowList.h"
#include "devices/TelLineProtocol.h"

#include <QAbstractSocket>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QEventLoop;
class QTcpServer;
class QTcpSocket;
class QTimer;
class TTelComLogger;

// Link kinds; the value names are written to the device log.
enum TDeviceType { dtNone = -1, dtAndroid = 0, dtAndroidWifi = 1 };

QString DeviceTypeName(TDeviceType type);
// Device kinds of the application, in the order of the setup dialog's choice.
QStringList DeviceKindNames();
// Device index (DEVICE_INDEX_n, kept in the object's Tag) to display name and link kind;
// an unknown index gives an empty name and dtNone.
QString DeviceIndexToDispName(int index);
TDeviceType DeviceIndexToDeviceType(int index);

// Limits of the connection set-up and of supervision. The application keeps the defaults;
// tests shorten them instead of waiting for real ten-second time-outs.
struct TTelComTimings
{
    int SetupOwnTelNoTimeout = 10000;
    int SetupRequestCtiTimeout = 10000;
    int SetupPauseMs = 500;
    int SupervisionOwnTelNoTimeout = 10000;
};

// One phone: a TCP server its app connects to (dtAndroidWifi) or the serial port of its
// Bluetooth serial profile (dtAndroid). Everything runs on the thread that owns it; the
// request operations wait in a local event loop, so events (of this and other devices)
// are delivered during the wait. An owner that wants to delete a device from one of its
// event handlers must use deleteLater().
class TTelCom : public QObject, private TelLineSink
{
    Q_OBJECT
public:
    static const QString VersionText;

    explicit TTelCom(QObject* owner = nullptr);
    ~TTelCom() override;

    int PortNo() const { return FPortNo; }
    void SetPortNo(int value) { FPortNo = value; }
    QString SelfTelNo() const { return FProtocol.SelfTelNo(); }
    bool Connecting() const { return FConnecting; }
    bool ClientConnecting() const { return FClientConnecting; }
    // A phone app has connected over Wi-Fi and its set-up (own number, caller reports) is
    // still running; OnTcpClientConnect follows when it ends, OnTcpClientDisconnect when
    // the link goes first.
    bool ClientSettingUp() const { return FDeviceType == dtAndroidWifi && !FClients.isEmpty() && !FClientConnecting; }
    void SetClientConnecting(bool value) { FClientConnecting = value; }
    bool Active() const { return FActive; }
    QString Version() const { return VersionText; }
    QString DispName() const { return FDispName; }
    void SetDispName(const QString& value) { FDispName = value; }
    QString ReadName() const { return FReadName; }
    void SetReadName(const QString& value) { FReadName = value; }
    // The device index of the application.
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }
    TDeviceType DeviceType() const { return FDeviceType; }

    // Opens the link and starts supervision. Throws AppError with a text for the user.
    void Connect(int PortNo, TDeviceType DeviceType, bool NoRequestCti, int ConnectingCheckInterval,
                 const QString& LogDir, bool TraceLog);
    void Disconnect();

    // The phone's own number; empty on any failure.
    void GetOwnTellNo(int Timeout, QString& TelNo);
    QString GetOwnTellNo(int Timeout);
    // Switches caller reporting on; true when the phone answered OK.
    bool MobileRequestCTI(int Timeout);
    // Sends one command line; true when the phone answered OK, or once sent with Timeout -1.
    bool SendCommand(const QString& Command, int Timeout);
    bool GetConnecting();
    bool TcpIsClientActive();

    // [ANDROID] ALLOWED_PEERS of the settings file, read by Connect: who may take the link.
    static QString AllowedPeersText();
    const PeerAllowList& AllowedPeers() const { return FAllowedPeers; }
    // Reads the allow-list again (after the setup dialog changed it); the phone on the
    // link now stays.
    void ReloadAllowedPeers();
    // The address of the phone on the link now (IPv4 plain); null without one.
    QHostAddress PeerAddress() const;

    // The serial device of port n: the template of [ANDROID] SERIAL_DEVICE in the settings
    // file ("%1" is replaced by n), /dev/rfcomm%1 when unset.
    static QString SerialDevicePath(int portNo);

    void SetTimings(const TTelComTimings& timings) { FTimings = timings; }
    const TTelComTimings& Timings() const { return FTimings; }
    bool SupervisionRunning() const;
    // The listening port (useful when Connect was given a port in use by a test).
    TTelComLogger* Logger() const { return FLogger.get(); }
    QString DeviceText() const { return FProtocol.DeviceText(); }
    TCommandType PendingCommand() const { return FProtocol.Pending(); }

signals:
    void OnReceivedTelNo(TTelCom* Sender, const QString& TelNo, qint16 SubPort);
    void OnError(TTelCom* Sender, qint32 Errors);
    void OnTcpClientConnect(TTelCom* Sender, QTcpSocket* Socket);
    void OnTcpClientDisconnect(TTelCom* Sender, QTcpSocket* Socket);
    // ErrorCode is passed by reference so that a handler may change it.
    void OnTcpClientError(TTelCom* Sender, QTcpSocket* Socket, QAbstractSocket::SocketError ErrorEvent,
                          int& ErrorCode);
    void OnReceiveSMSResponse(TTelCom* Sender, const QString& PhoneNo, const QString& CenterTime,
                              const QString& SMSMessage);
    void OnReceiveSMSRecieve(TTelCom* Sender, const QString& PhoneNo, const QString& SMSMessage);

private:
    enum class TWait { Done, TimedOut, LinkLost, Destroyed };
    enum class TExchange { Result, Sent, NotConnected, Failed, TimedOut, Destroyed };

    void Trace(const QString& text);
    void Error(const QString& text);
    void Log(const QString& text);
    QString AvailableLogDir(const QString& logDir) const;
    void ClosePort();
    bool StartListening();
    bool OpenSerial(QString* failure);
    void CloseClients();
    QTcpSocket* FirstClient() const;
    void RefusePeer(QTcpSocket* socket);
    // A replaced or closed connection is kept, untouched, until no handler or wait of this
    // device is running: deleting it from a nested event loop would free a socket whose
    // own signal handler is still on the stack.
    void Retire(QTcpSocket* socket);
    void PurgeRetired();
    struct TBusy
    {
        explicit TBusy(TTelCom* d);
        ~TBusy();
        QPointer<TTelCom> FDevice;
    };

    void HoldTimer();
    void ReleaseTimer();
    TWait WaitFor(const std::function<bool()>& done, int timeoutMs, QTcpSocket* link, quint64 linkSerial = 0);
    void WakeWaits();
    bool SendText(QTcpSocket* target, const QByteArray& bytes, QString* failure);
    TExchange Exchange(TCommandType kind, const QString& line, int timeout, const QString& notConnected,
                       const QString& errorPrefix);

    void ConnectingCheckTimerTimer();
    void TcpClientConnect();
    void TcpClientConnIni(QTcpSocket* socket);
    void TcpClientDisconnect(QTcpSocket* socket);
    void TcpClientError(QTcpSocket* socket, QAbstractSocket::SocketError error);
    void TcpClientRead(QTcpSocket* socket);
    void VaCommRxChar();
    void VaCommError(QSerialPort::SerialPortError error);

    // TelLineSink
    void ProtocolTrace(const QString& text) override { Trace(text); }
    void ProtocolError(const QString& text) override { Error(text); }
    void SendKeepAliveReply() override;
    void DeliverTelNo(const QString& telNo) override;
    void DeliverSmsResponse(const QString& phoneNo, const QString& centerTime, const QString& message) override;
    void DeliverSmsRecieve(const QString& phoneNo, const QString& message) override;
    void ReplyArrived() override { WakeWaits(); }

    int FPortNo = 0;
    int FTag = 0;
    bool FConnecting = false;
    bool FClientConnecting = false;
    bool FActive = false;
    bool FNoRequestCti = false;
    bool FTraceLog = false;
    bool FOpeningSerial = false;
    QString FDispName;
    QString FReadName;
    TDeviceType FDeviceType = dtNone;
    TTelComTimings FTimings;
    TelLineProtocol FProtocol;
    QTimer* FConnectingCheckTimer;
    int FTimerHolds = 0;
    QSerialPort* FSerial;
    QTcpServer* FTcpServer;
    QList<QPointer<QTcpSocket>> FClients;
    QList<QPointer<QTcpSocket>> FRetired;
    int FBusy = 0;
    // Counts accepted connections: a request whose link was replaced meanwhile has failed,
    // whatever the new link answers.
    quint64 FLinkSerial = 0;
    PeerAllowList FAllowedPeers;
    QHash<QString, QDateTime> FRefusalLogged;
    QPointer<QTcpSocket> FReadSocket;
    QList<QEventLoop*> FWaitLoops;
    std::unique_ptr<TTelComLogger> FLogger;
};
