#include "devices/TTelCom.h"

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/ProfileFile.h"
#include "core/StopRequest.h"
#include "devices/TTelComLogger.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

const QString TTelCom::VersionText = QStringLiteral("3.2.3.39");

namespace {
const QString kNotConnected = QStringLiteral("(reason=client disconnected.)");
const QString kLinkLost = QStringLiteral("client disconnected.");

QString BoolText(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

// Text for a control character inside a command: a dial request comes from outside
// (a forwarded address), and a CR inside it would smuggle further commands to the phone.
bool HasControlCharacter(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    return false;
}
} // namespace

QString DeviceTypeName(TDeviceType type)
{
    switch (type) {
    case dtAndroid:
        return QStringLiteral("dtAndroid");
    case dtAndroidWifi:
        return QStringLiteral("dtAndroidWifi");
    default:
        return QString();
    }
}

QStringList DeviceKindNames()
{
    return {QStringLiteral("Android（Wi-Fi）"), QStringLiteral("Android（Bluetooth）")};
}

QString DeviceIndexToDispName(int index)
{
    const QStringList names = DeviceKindNames();
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

TDeviceType DeviceIndexToDeviceType(int index)
{
    switch (index) {
    case 0:
        return dtAndroidWifi;
    case 1:
        return dtAndroid;
    default:
        return dtNone;
    }
}

TTelCom::TTelCom(QObject* owner)
    : QObject(owner), FProtocol(this), FConnectingCheckTimer(new QTimer(this)), FSerial(new QSerialPort(this)),
      FTcpServer(new QTcpServer(this))
{
    connect(FConnectingCheckTimer, &QTimer::timeout, this, &TTelCom::ConnectingCheckTimerTimer);
    connect(FSerial, &QSerialPort::readyRead, this, &TTelCom::VaCommRxChar);
    connect(FSerial, &QSerialPort::errorOccurred, this, &TTelCom::VaCommError);
    connect(FTcpServer, &QTcpServer::newConnection, this, &TTelCom::TcpClientConnect);
}

TTelCom::~TTelCom()
{
    Trace(QStringLiteral("Destroy"));
    // Nobody hears from a device that is going away, and waits inside it end now.
    blockSignals(true);
    FConnectingCheckTimer->stop();
    WakeWaits();
    for (const QPointer<QTcpSocket>& s : FClients)
        if (s) {
            s->disconnect(this);
            s->abort();
        }
    FClients.clear();
    if (FTcpServer->isListening())
        FTcpServer->close();
    FSerial->disconnect(this);
    if (FSerial->isOpen())
        FSerial->close();
    FLogger.reset(); // writes what is still queued
}

void TTelCom::Log(const QString& text)
{
    if (!FLogger)
        return;
    if (FPortNo >= 1)
        FLogger->Enqueue(QStringLiteral("COM") + QString::number(FPortNo) + QStringLiteral(": ") + text);
    else
        FLogger->Enqueue(text);
}

void TTelCom::Trace(const QString& text)
{
    if (FTraceLog)
        Log(text);
}

void TTelCom::Error(const QString& text)
{
    Log(text);
}

QString TTelCom::SerialDevicePath(int portNo)
{
    const QString def = QStringLiteral("/dev/rfcomm%1");
    QString pattern = gIni ? gIni->ReadString(QStringLiteral("ANDROID"), QStringLiteral("SERIAL_DEVICE"), def) : def;
    if (pattern.trimmed().isEmpty())
        pattern = def;
    return pattern.replace(QStringLiteral("%1"), QString::number(portNo));
}

QString TTelCom::AllowedPeersText()
{
    return gIni ? gIni->ReadString(QStringLiteral("ANDROID"), QStringLiteral("ALLOWED_PEERS"), QString()) : QString();
}

void TTelCom::ReloadAllowedPeers()
{
    QStringList invalid;
    FAllowedPeers = PeerAllowList::Parse(AllowedPeersText(), &invalid);
    if (!invalid.isEmpty())
        Error(QStringLiteral("ALLOWED_PEERS: not an address or network: ") + invalid.join(QLatin1Char(' ')));
}

QHostAddress TTelCom::PeerAddress() const
{
    const QTcpSocket* s = FirstClient();
    return s ? PeerAllowList::Plain(s->peerAddress()) : QHostAddress();
}

QString TTelCom::AvailableLogDir(const QString& logDir) const
{
    if (logDir.isEmpty()) {
        QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : gExeDir;
        while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
            dir.chop(1);
        return dir;
    }
    if (QDir(logDir).exists())
        return logDir;
    if (!QDir().mkpath(logDir) || !QDir(logDir).exists())
        throw AppError(QStringLiteral("ログディレクトリが無効です。"));
    return logDir;
}

bool TTelCom::SupervisionRunning() const
{
    return FConnectingCheckTimer->isActive();
}

void TTelCom::Connect(int PortNo, TDeviceType DeviceType, bool NoRequestCti, int ConnectingCheckInterval,
                      const QString& LogDir, bool TraceLog)
{
    Trace(QStringLiteral("TTelCom.Connect begin"));
    ClosePort();
    const QString logDir = AvailableLogDir(LogDir);
    FTraceLog = TraceLog;
    FPortNo = PortNo;
    FLogger.reset();
    FLogger = std::make_unique<TTelComLogger>(logDir, QStringLiteral(".log"),
                                              QStringLiteral("TelCom") + QString::number(PortNo));
    Trace(QStringLiteral("TelCom Version=") + VersionText);
    Trace(QStringLiteral("PortNo=") + QString::number(PortNo));
    Trace(QStringLiteral("DeviceType=") + DeviceTypeName(DeviceType));
    Trace(QStringLiteral("ConnectingCheckInterval=") + QString::number(ConnectingCheckInterval));
    Trace(QStringLiteral("LogDir=") + LogDir);
    Trace(QStringLiteral("AvailableLogDir=") + logDir);
    Trace(QStringLiteral("connecting..."));
    FDeviceType = DeviceType;
    FNoRequestCti = NoRequestCti;

    if (DeviceType == dtAndroidWifi) {
        ReloadAllowedPeers();
        FConnecting = StartListening();
    } else {
        QString failure;
        if (!OpenSerial(&failure)) {
            Error(QStringLiteral("Connect Port Open error. Message=") + failure);
            throw AppError(QString::number(PortNo) + QStringLiteral(" ポートをオープンできませんでした。"));
        }
        FConnecting = true;
        FClientConnecting = true;
    }

    FConnectingCheckTimer->setInterval(ConnectingCheckInterval);
    FTimerHolds = 0;
    FConnectingCheckTimer->start();
    FActive = true;
    Trace(QStringLiteral("connected."));
}

bool TTelCom::StartListening()
{
    bool ok = false;
    // QTcpServer takes a 16-bit port: 60600 + 65536 would silently listen on 60600.
    if (FPortNo < 1 || FPortNo > 65535) {
        Error(QStringLiteral("server socket open error 1. Message=invalid port number ") + QString::number(FPortNo));
    } else {
        ok = FTcpServer->listen(QHostAddress::Any, quint16(FPortNo));
        if (!ok)
            Error(QStringLiteral("server socket open error 1. Message=") + FTcpServer->errorString());
    }
    Trace(QStringLiteral("FTcpServer.Active=") + BoolText(FTcpServer->isListening()));
    Trace(QStringLiteral("FConnecting=") + BoolText(ok));
    return ok;
}

bool TTelCom::OpenSerial(QString* failure)
{
    if (FDeviceType == dtAndroid) {
        FSerial->setBaudRate(256000);
        FSerial->setDataBits(QSerialPort::Data8);
        FSerial->setParity(QSerialPort::NoParity);
        FSerial->setStopBits(QSerialPort::OneStop);
        FSerial->setFlowControl(QSerialPort::NoFlowControl);
    }
    FSerial->setPortName(SerialDevicePath(FPortNo));
    FOpeningSerial = true;
    const bool ok = FSerial->open(QIODevice::ReadWrite);
    if (ok && FDeviceType == dtAndroid) {
        // Pseudo-terminals and some adapters have no modem lines; that is no reason to fail.
        FSerial->setDataTerminalReady(false);
        FSerial->setRequestToSend(false);
    }
    FOpeningSerial = false;
    if (!ok) {
        *failure = FSerial->errorString();
        FSerial->clearError();
        return false;
    }
    FSerial->clearError();
    FProtocol.ResetReceive();
    return true;
}

void TTelCom::Disconnect()
{
    Trace(QStringLiteral("disconnecting..."));
    FConnectingCheckTimer->stop();
    FActive = false;
    ClosePort();
    Trace(QStringLiteral("disconnected."));
}

void TTelCom::ClosePort()
{
    Trace(QStringLiteral("TTelCom.ClosePort begin"));
    FProtocol.ClearSelfTelNo();
    FClientConnecting = false;
    FConnecting = false;
    // Both kinds are closed: Connect may switch a device from one kind to the other.
    CloseClients();
    if (FTcpServer->isListening()) {
        FTcpServer->close();
        if (FTcpServer->serverError() != QAbstractSocket::UnknownSocketError && FTcpServer->isListening())
            Error(QStringLiteral("Close TCP Server error. Message=") + FTcpServer->errorString());
    }
    if (FSerial->isOpen()) {
        FSerial->close();
        if (FSerial->isOpen())
            Error(QStringLiteral("Close COM Port error. Message=") + FSerial->errorString());
    }
    FProtocol.ResetReceive();
    WakeWaits();
    Trace(QStringLiteral("Closed Port"));
}

void TTelCom::CloseClients()
{
    const QList<QPointer<QTcpSocket>> clients = FClients;
    for (const QPointer<QTcpSocket>& s : clients) {
        if (!s)
            continue;
        s->disconnect(this);
        s->abort();
        TcpClientDisconnect(s);
    }
    FClients.clear();
}

void TTelCom::Retire(QTcpSocket* socket)
{
    if (socket && !FRetired.contains(socket))
        FRetired.append(socket);
    if (FBusy == 0)
        PurgeRetired();
}

void TTelCom::PurgeRetired()
{
    const QList<QPointer<QTcpSocket>> retired = FRetired;
    FRetired.clear();
    for (const QPointer<QTcpSocket>& s : retired)
        if (s)
            s->deleteLater();
}

TTelCom::TBusy::TBusy(TTelCom* d) : FDevice(d)
{
    ++d->FBusy;
}

TTelCom::TBusy::~TBusy()
{
    if (!FDevice)
        return;
    if (--FDevice->FBusy == 0)
        FDevice->PurgeRetired();
}

QTcpSocket* TTelCom::FirstClient() const
{
    for (const QPointer<QTcpSocket>& s : FClients)
        if (s && s->state() == QAbstractSocket::ConnectedState)
            return s;
    return nullptr;
}

bool TTelCom::GetConnecting()
{
    Trace(QStringLiteral("TTelCom.GetConnecting begin"));
    bool result = false;
    if (FDeviceType == dtAndroidWifi) {
        result = FTcpServer->isListening();
    } else {
        result = FSerial->isOpen();
        if (result)
            Trace(QStringLiteral("GetConnecting=true"));
    }
    Trace(QStringLiteral("TTelCom.GetConnecting end"));
    return result;
}

bool TTelCom::TcpIsClientActive()
{
    if (!FTcpServer->isListening()) {
        Trace(QStringLiteral("TTelCom.TcpIsClientActive1=false"));
        return false;
    }
    const bool active = FirstClient() != nullptr;
    Trace(QStringLiteral("TTelCom.TcpIsClientActive2=") + BoolText(active));
    return active;
}

// Supervision must never run inside a request wait or a receive handler. Holds nest;
// the timer runs again when the last one ends, and only on a device still connected.
void TTelCom::HoldTimer()
{
    ++FTimerHolds;
    FConnectingCheckTimer->stop();
}

void TTelCom::ReleaseTimer()
{
    if (FTimerHolds > 0)
        --FTimerHolds;
    if (FTimerHolds == 0 && FActive)
        FConnectingCheckTimer->start();
}

void TTelCom::WakeWaits()
{
    for (QEventLoop* loop : FWaitLoops)
        loop->quit();
}

TTelCom::TWait TTelCom::WaitFor(const std::function<bool()>& done, int timeoutMs, QTcpSocket* link,
                                quint64 linkSerial)
{
    QPointer<TTelCom> self(this);
    const TBusy busy(this);
    QPointer<QTcpSocket> socket(link);
    const bool serial = link == nullptr && FDeviceType != dtAndroidWifi;
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        // A replaced link fails the request even when the new phone's answer looks like ours.
        if (link && linkSerial != 0 && linkSerial != FLinkSerial)
            return TWait::LinkLost;
        if (done())
            return TWait::Done;
        if (link && (!socket || socket->state() != QAbstractSocket::ConnectedState || !FClients.contains(socket)))
            return TWait::LinkLost;
        if (serial && !FSerial->isOpen())
            return TWait::LinkLost;
        const qint64 left = timeoutMs - elapsed.elapsed();
        if (left <= 0 || StopRequest::Requested())
            return TWait::TimedOut;
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        deadline.setTimerType(Qt::PreciseTimer);
        connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(int(left));
        FWaitLoops.append(&loop);
        StopRequest::Exec(loop);
        if (!self)
            return TWait::Destroyed;
        FWaitLoops.removeOne(&loop);
    }
}

bool TTelCom::SendText(QTcpSocket* target, const QByteArray& bytes, QString* failure)
{
    if (target) {
        if (target->write(bytes) != bytes.size()) {
            *failure = target->errorString();
            return false;
        }
        target->flush();
        return true;
    }
    if (!FSerial->isOpen()) {
        *failure = QStringLiteral("port not open");
        return false;
    }
    if (FSerial->write(bytes) != bytes.size()) {
        *failure = FSerial->errorString();
        return false;
    }
    FSerial->flush();
    return true;
}

TTelCom::TExchange TTelCom::Exchange(TCommandType kind, const QString& line, int timeout, const QString& notConnected,
                                     const QString& errorPrefix)
{
    HoldTimer();
    QTcpSocket* target = nullptr;
    if (FDeviceType == dtAndroidWifi) {
        target = FirstClient();
        if (!target) {
            Error(notConnected);
            ReleaseTimer();
            return TExchange::NotConnected;
        }
    }
    const QString sent = line + QLatin1Char('\r');
    QString failure;
    if (!SendText(target, sent.toLatin1(), &failure)) {
        Error(errorPrefix + failure);
        ReleaseTimer();
        return TExchange::Failed;
    }
    Trace(QStringLiteral("SendMsg=") + sent);
    if (timeout == -1) {
        ReleaseTimer();
        return TExchange::Sent;
    }
    const TWait w =
        WaitFor([this, kind] { return !FProtocol.Result(kind).isEmpty(); }, timeout, target, FLinkSerial);
    if (w == TWait::Destroyed)
        return TExchange::Destroyed;
    ReleaseTimer();
    switch (w) {
    case TWait::Done:
        return TExchange::Result;
    case TWait::TimedOut:
        return TExchange::TimedOut;
    default:
        // The phone went away in the middle of the request: say so now rather than
        // waiting out the time-out.
        Error(errorPrefix + kLinkLost);
        return TExchange::Failed;
    }
}

void TTelCom::GetOwnTellNo(int Timeout, QString& TelNo)
{
    TelNo.clear();
    Trace(QStringLiteral("GetOwnTellNo begin"));
    FProtocol.BeginRequest(ctOwnTelNo);
    FProtocol.ClearSelfTelNo();
    const TExchange r =
        Exchange(ctOwnTelNo, QStringLiteral("AT+CNUM"), Timeout,
                 QStringLiteral("cannnot send message:AT+CNUM") + kNotConnected, QStringLiteral("GetOwnTellNo error. Message="));
    switch (r) {
    case TExchange::Result: {
        const QString result = FProtocol.Result(ctOwnTelNo);
        Trace(QStringLiteral("GetOwnTellNo FGetOwnTellNoResult=") + result + QStringLiteral(" FOwnTellNo=") +
              FProtocol.SelfTelNo());
        if (result == QLatin1String("OK")) {
            // Blanks and control characters around it are not part of the number.
            QString n = FProtocol.SelfTelNo();
            qsizetype a = 0, b = n.size();
            while (a < b && n.at(a).unicode() <= 0x20)
                ++a;
            while (b > a && n.at(b - 1).unicode() <= 0x20)
                --b;
            TelNo = n.mid(a, b - a);
        }
        break;
    }
    case TExchange::TimedOut:
        Error(QStringLiteral("GetOwnTellNo timeout"));
        break;
    default:
        break;
    }
}

QString TTelCom::GetOwnTellNo(int Timeout)
{
    QString telNo;
    GetOwnTellNo(Timeout, telNo);
    return telNo;
}

bool TTelCom::MobileRequestCTI(int Timeout)
{
    Trace(QStringLiteral("MobileRequestCTI begin"));
    FProtocol.BeginRequest(ctReceive);
    const TExchange r = Exchange(ctReceive, QStringLiteral("AT+CLIP=1"), Timeout,
                                 QStringLiteral("cannnot send message:AT+CLIP=1") + kNotConnected,
                                 QStringLiteral("MobileRequestCTI error. Message="));
    if (r == TExchange::Result) {
        const QString result = FProtocol.Result(ctReceive);
        Trace(QStringLiteral("SendEchoOn FRequestCTIResult=") + result);
        return result == QLatin1String("OK");
    }
    if (r == TExchange::TimedOut)
        Error(QStringLiteral("MobileRequestCTI TimeOut"));
    return false;
}

bool TTelCom::SendCommand(const QString& Command, int Timeout)
{
    Trace(QStringLiteral("SendCommand:") + Command);
    if (HasControlCharacter(Command) || Command.isEmpty()) {
        Error(QStringLiteral("SendCommand error. Message=invalid command text"));
        return false;
    }
    FProtocol.BeginRequest(ctCommand, Command);
    const TExchange r = Exchange(ctCommand, Command, Timeout,
                                 QStringLiteral("cannnot send command:") + Command + kNotConnected,
                                 QStringLiteral("SendCommand error. Message="));
    if (r == TExchange::Destroyed)
        return false;
    FProtocol.ClearAwaitedCommand();
    switch (r) {
    case TExchange::Sent:
        return true;
    case TExchange::Result: {
        const QString result = FProtocol.Result(ctCommand);
        Trace(QStringLiteral("FCommandResult=") + result);
        return result == QLatin1String("OK");
    }
    case TExchange::TimedOut:
        Trace(QStringLiteral("SendCommand TimeOut"));
        return false;
    default:
        return false;
    }
}

void TTelCom::ConnectingCheckTimerTimer()
{
    Trace(QStringLiteral("TTelCom.ConnectingCheckTimerTimer begin"));
    QPointer<TTelCom> self(this);
    if (FDeviceType == dtAndroidWifi) {
        if (!GetConnecting()) {
            ClosePort();
            FConnecting = StartListening();
        } else if (!FProtocol.SelfTelNo().isEmpty()) {
            if (TcpIsClientActive()) {
                Trace(QStringLiteral("send KEEP_ALIVE_COMMAND begin"));
                QString failure;
                if (!SendText(FirstClient(), TelLineProtocol::KeepAliveCommand, &failure)) {
                    FConnecting = false;
                    Error(QStringLiteral("server socket open error2. Message=") + failure);
                }
            }
        } else if (TcpIsClientActive()) {
            TcpClientConnIni(FirstClient());
            if (!self)
                return;
        }
    } else if (FDeviceType == dtAndroid) {
        if (!FSerial->isOpen()) {
            // The Bluetooth link vanished (device removed): try to open it again.
            QString failure;
            if (OpenSerial(&failure)) {
                FConnecting = FClientConnecting = true;
                Trace(QStringLiteral("FConnecting=true"));
            } else {
                Error(QStringLiteral("Connect Port Open error. Message=") + failure);
            }
        } else if (FProtocol.SelfTelNo().isEmpty()) {
            HoldTimer();
            QString telNo;
            GetOwnTellNo(FTimings.SupervisionOwnTelNoTimeout, telNo);
            if (!self)
                return;
            ReleaseTimer();
            if (!telNo.isEmpty()) {
                Error(QStringLiteral("dtAndroidのConnectingCheckTimer解除 FOwnTellNo=") + telNo);
                FConnectingCheckTimer->stop();
            } else {
                Error(QStringLiteral("番号の取得に失敗しました。"));
            }
        }
    }
    Trace(QStringLiteral("TTelCom.ConnectingCheckTimerTimer end"));
}

void TTelCom::TcpClientConnect()
{
    const TBusy busy(this);
    while (FTcpServer->hasPendingConnections()) {
        QTcpSocket* socket = FTcpServer->nextPendingConnection();
        if (!socket)
            break;
        // A peer that is not on the allow-list never gets near the link.
        if (!FAllowedPeers.Allows(socket->peerAddress())) {
            RefusePeer(socket);
            continue;
        }
        Trace(QStringLiteral("called TcpClientConnect event."));
        // The new phone app replaces the old one; the owner hears of each closed
        // connection before the new one is set up.
        CloseClients();
        ++FLinkSerial;
        FClients.append(socket);
        FProtocol.ResetReceive();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { TcpClientRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { TcpClientDisconnect(socket); });
        connect(socket, &QTcpSocket::errorOccurred, this,
                [this, socket](QAbstractSocket::SocketError e) { TcpClientError(socket, e); });
        QPointer<TTelCom> self(this);
        QPointer<QTcpSocket> guard(socket);
        TcpClientConnIni(socket);
        if (!self)
            return;
        // Replaced or gone during its set-up: its disconnect has been reported already.
        if (!guard || !FClients.contains(guard) || guard->state() != QAbstractSocket::ConnectedState)
            continue;
        FClientConnecting = true;
        emit OnTcpClientConnect(this, socket);
    }
}

void TTelCom::RefusePeer(QTcpSocket* socket)
{
    const QString peer = PeerAllowList::Plain(socket->peerAddress()).toString();
    socket->abort();
    socket->deleteLater(); // never connected to anything of ours
    // Once a minute per peer: a peer that keeps knocking must not fill the disk.
    const QDateTime now = Clock::now();
    const auto it = FRefusalLogged.constFind(peer);
    if (it != FRefusalLogged.constEnd() && it.value().msecsTo(now) < 60000 && it.value() <= now)
        return;
    if (FRefusalLogged.size() > 1000)
        FRefusalLogged.clear();
    FRefusalLogged.insert(peer, now);
    Error(QStringLiteral("refused a connection from ") + peer + QStringLiteral(" (not in ALLOWED_PEERS)"));
}

void TTelCom::TcpClientConnIni(QTcpSocket* socket)
{
    Trace(QStringLiteral("TTelCom.TcpClientConnIni begin"));
    QPointer<TTelCom> self(this);
    HoldTimer();
    QString telNo;
    GetOwnTellNo(FTimings.SetupOwnTelNoTimeout, telNo);
    if (!self)
        return;
    if (telNo.isEmpty()) {
        Error(QStringLiteral("番号の取得に失敗しました。"));
    } else if (!FNoRequestCti) {
        const TWait w = WaitFor([] { return false; }, FTimings.SetupPauseMs, socket, FLinkSerial);
        if (w == TWait::Destroyed)
            return;
        if (w == TWait::LinkLost) {
            // Replaced or gone: the next link gets its own set-up.
            ReleaseTimer();
            return;
        }
        if (!MobileRequestCTI(FTimings.SetupRequestCtiTimeout)) {
            if (!self)
                return;
            Error(QStringLiteral("携帯の着信設定に失敗しました。"));
        }
    }
    ReleaseTimer();
    Trace(QStringLiteral("TTelCom.TcpClientConnIni end"));
}

void TTelCom::TcpClientDisconnect(QTcpSocket* socket)
{
    const bool known = FClients.removeAll(socket) > 0;
    if (!known)
        return;
    FClientConnecting = false;
    socket->disconnect(this);
    WakeWaits();
    const TBusy busy(this);
    QPointer<TTelCom> self(this);
    emit OnTcpClientDisconnect(this, socket);
    if (!self)
        return;
    Trace(QStringLiteral("called TcpClientDisconnect event."));
    Retire(socket);
}

void TTelCom::TcpClientError(QTcpSocket* socket, QAbstractSocket::SocketError error)
{
    const TBusy busy(this);
    int code = int(error);
    Trace(QStringLiteral("TTelCom.TcpClientError ErrorCode=") + QString::number(code));
    emit OnTcpClientError(this, socket, error, code);
    Trace(QStringLiteral("called TcpClientError event."));
}

void TTelCom::TcpClientRead(QTcpSocket* socket)
{
    const TBusy busy(this);
    QPointer<QTcpSocket> previous = FReadSocket;
    FReadSocket = socket;
    try {
        const QByteArray bytes = socket->readAll();
        if (!bytes.isEmpty())
            FProtocol.TcpClientRead(bytes);
    } catch (const std::exception& e) {
        Error(QStringLiteral("TcpClientRead error. Message=") + QString::fromUtf8(e.what()));
    }
    FReadSocket = previous;
}

void TTelCom::SendKeepAliveReply()
{
    QString failure;
    // A link replaced while its lines were being handled gets no answer any more.
    if (FReadSocket && FClients.contains(FReadSocket) &&
        !SendText(FReadSocket, TelLineProtocol::KeepAliveReply, &failure))
        Error(QStringLiteral("TcpClientRead error. Message=") + failure);
}

void TTelCom::VaCommRxChar()
{
    QPointer<TTelCom> self(this);
    HoldTimer();
    try {
        if (FDeviceType == dtAndroid) {
            const QByteArray bytes = FSerial->readAll();
            if (!bytes.isEmpty())
                FProtocol.GetMobileTelNo(bytes, bytes.size());
        } else {
            // Without a device type nothing is listening to the bytes, but leaving them in
            // the port's buffer would let it grow without end.
            FSerial->readAll();
        }
    } catch (const std::exception& e) {
        if (self)
            Error(QStringLiteral("TTelCom.VaCommRxChar error. Message=") + QString::fromUtf8(e.what()));
    }
    if (self)
        ReleaseTimer();
}

void TTelCom::VaCommError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || FOpeningSerial)
        return;
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError && error != QSerialPort::ResourceError &&
        error != QSerialPort::UnknownError)
        return;
    QPointer<TTelCom> self(this);
    emit OnError(this, qint32(error));
    if (!self)
        return;
    Error(QStringLiteral("Called  Error Event. Errors=") + QString::number(int(error)));
    if ((error == QSerialPort::ResourceError || error == QSerialPort::ReadError) && FSerial->isOpen()) {
        // The device is gone (Bluetooth link dropped). Its dead descriptor would fire a read
        // error every few milliseconds, each one an event for the owner: close it and let
        // supervision open it again.
        FSerial->close();
        FConnecting = false;
        FClientConnecting = false;
        FProtocol.ClearSelfTelNo();
        WakeWaits();
        if (FActive && FTimerHolds == 0)
            FConnectingCheckTimer->start();
    }
    FSerial->clearError();
}

void TTelCom::DeliverTelNo(const QString& telNo)
{
    QPointer<TTelCom> self(this);
    emit OnReceivedTelNo(this, telNo, 1);
    if (self)
        Trace(QStringLiteral("Called Received TellNo Event. TelNo=") + telNo + QStringLiteral(" SubPort=1"));
}

void TTelCom::DeliverSmsResponse(const QString& phoneNo, const QString& centerTime, const QString& message)
{
    emit OnReceiveSMSResponse(this, phoneNo, centerTime, message);
}

void TTelCom::DeliverSmsRecieve(const QString& phoneNo, const QString& message)
{
    emit OnReceiveSMSRecieve(this, phoneNo, message);
}
