#include "devices/DeviceDialogRules.h"

#include <QHostAddress>

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/StopRequest.h"
#include "devices/DeviceHost.h"
#include "devices/DeviceSettings.h"
#include "devices/TTelCom.h"
#include "devices/TTelComList.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace DeviceDialogRules {

QString StateText(bool connecting, bool clientConnecting)
{
    if (!connecting)
        return QStringLiteral("切断中");
    return clientConnecting ? QStringLiteral("接続中") : QStringLiteral("接続待ち");
}

QString StateText(const TTelCom& device)
{
    return StateText(device.Connecting(), device.ClientConnecting());
}

bool AllAttached(const TTelComList& list)
{
    for (int i = 0; i < list.Count(); ++i)
        if (StateText(*list.Items(i)) != QStringLiteral("接続中"))
            return false;
    return true;
}

TDeviceRow Row(const TTelCom& device)
{
    TDeviceRow r;
    r.PortNo = QString::number(device.PortNo());
    r.Kind = DeviceIndexToDispName(device.Tag());
    r.TelNo = device.SelfTelNo();
    r.State = StateText(device);
    r.DispName = device.DispName();
    r.ReadName = device.ReadName();
    r.DeviceIndex = QString::number(device.Tag());
    return r;
}

QStringList HintLines(int deviceIndex)
{
    switch (DeviceIndexToDeviceType(deviceIndex)) {
    case dtAndroidWifi:
        return {QStringLiteral("①スマホアプリにこのパソコンのIPアドレスを設定してください。"),
                QStringLiteral("②スマホアプリとこの画面の設定ポート番号を同じにしてください。"),
                QStringLiteral("③スマホをパソコンを同じ wi-fi で接続してください。"),
                QStringLiteral("④セキュリティソフトで通信がブロックされないようにしてください。"),
                QStringLiteral("⑤スマホアプリで 停止 → 開始 ボタンをクリックしてください。")};
    case dtAndroid:
        return {QStringLiteral("①スマホとパソコンをCOMポート経由でBluetooth接続してください。"),
                QStringLiteral("　 詳しくは手順書をご参照ください。"),
                QStringLiteral("②下記のポート番号にはBluetooth接続で利用している"),
                QStringLiteral("   COMの番号を入力してください。"),
                QStringLiteral("③スマホアプリで 停止 → 開始 ボタンをクリックしてください。")};
    default:
        return {QString(), QString(), QString(), QString(), QString()};
    }
}

bool ShowsPortNote(int deviceIndex)
{
    return DeviceIndexToDeviceType(deviceIndex) == dtAndroidWifi;
}

bool ShowsDeviceManager(int deviceIndex)
{
    return DeviceIndexToDeviceType(deviceIndex) == dtAndroid;
}

int ParseDeviceIndex(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : -1;
}

TSetupCheck Check(const TSetupInput& input)
{
    TSetupCheck c;
    bool ok = false;
    const int port = input.PortText.trimmed().toInt(&ok);
    // The field only takes digits, but "0" or a pasted giant would still reach here.
    if (!ok || port < 1 || port > MaxPortNo) {
        c.Field = TSetupField::PortNo;
        c.Message = QStringLiteral("ポート番号を入力してください。");
        return c;
    }
    c.PortNo = port;
    if (DeviceIndexToDeviceType(input.DeviceIndex) == dtNone) {
        c.Field = TSetupField::DeviceKind;
        c.Message = QStringLiteral("種類を選択してください。");
        return c;
    }
    if (input.DispName.trimmed().isEmpty()) {
        c.Field = TSetupField::DispName;
        c.Message = QStringLiteral("名称を入力してください。");
        return c;
    }
    return c;
}

TTelCom* FindByPort(const TTelComList& list, int portNo)
{
    for (int i = 0; i < list.Count(); ++i)
        if (list.Items(i)->PortNo() == portNo)
            return list.Items(i);
    return nullptr;
}

TTelCom* DeviceToDelete(const TTelComList& list, int selectedRow, const QString& portCell)
{
    if (list.Count() == 0 || selectedRow < 0 || selectedRow >= list.Count())
        return nullptr;
    bool ok = false;
    const int port = portCell.trimmed().toInt(&ok);
    return ok ? FindByPort(list, port) : nullptr;
}

namespace {
void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    StopRequest::Exec(loop);
}
} // namespace

QString FetchOwnTelNo(TTelCom& device, const TFetchTimings& timings, FetchView* view)
{
    QPointer<TTelCom> guard(&device);
    QString telNo;
    if (device.DeviceType() == dtAndroidWifi) {
        if (view)
            view->FetchBegin(true, timings.WifiRounds);
        for (int round = 0; round < timings.WifiRounds && telNo.isEmpty() && guard && !StopRequest::Requested();
             ++round) {
            if (view)
                view->FetchRound();
            for (int t = 0; t < timings.WifiTries && telNo.isEmpty(); ++t) {
                Pause(timings.WifiPauseMs);
                if (!guard || StopRequest::Requested())
                    break;
                telNo = guard->GetOwnTellNo(timings.RequestTimeout);
            }
        }
    } else {
        if (view)
            view->FetchBegin(false, timings.WifiRounds);
        telNo = device.GetOwnTellNo(timings.RequestTimeout);
    }
    if (view)
        view->FetchEnd();
    return guard ? telNo : QString();
}

TRegisterOutcome Register(DeviceHost& host, const TSetupInput& input, int portNo, const FetchFunction& fetch)
{
    TRegisterOutcome out;
    TTelComList& list = host.DeviceList();
    TTelCom* device = FindByPort(list, portNo);
    if (device) {
        device->Disconnect();
    } else {
        device = host.CreateAdrTelCom();
        list.Add(device);
    }
    QPointer<TTelCom> guard(device);
    // The port is set before connecting: a Connect that fails early must not leave the
    // kept entry with a stale port number.
    device->SetPortNo(portNo);
    device->SetDispName(input.DispName);
    device->SetTag(input.DeviceIndex);
    device->SetReadName(input.ReadName);
    try {
        DeviceSettings::Connect(*device, portNo);
        if (!device->Connecting()) {
            out.Result = TRegisterResult::NotListening;
        } else {
            out.TelNo = fetch ? fetch(*device) : QString();
            if (out.TelNo.isEmpty())
                out.Result = TRegisterResult::NoTelNo;
        }
    } catch (const AppError& e) {
        out.Result = TRegisterResult::ConnectFailed;
        out.Error = e.message();
        WriteLog(QStringLiteral("DeviceSetup.Register: Connect error port=") + QString::number(portNo) +
                 QStringLiteral(" E.Message=") + e.message());
    }
    out.Device = guard.data();
    host.SaveAdrTelComList();
    host.RebuildCallMenu();
    return out;
}

QString RegisterMessage(TRegisterResult result)
{
    switch (result) {
    case TRegisterResult::ConnectFailed:
        return QStringLiteral("スマホとの接続ができませんでした。");
    case TRegisterResult::NotListening:
        return QStringLiteral("スマホとの通信ができませんでした。");
    case TRegisterResult::NoTelNo:
        return QStringLiteral("電話番号の取得に失敗しました。");
    default:
        return QString();
    }
}

MsgKind RegisterMessageKind(TRegisterResult result)
{
    switch (result) {
    case TRegisterResult::NoTelNo:
        return MsgKind::Error;
    case TRegisterResult::Registered:
        return MsgKind::Information;
    default:
        return MsgKind::Warning;
    }
}

int PortNoOfSerialDevice(const QString& location)
{
    // The template is only reachable through the path it gives; a marker number finds
    // where the port number sits in it.
    const int marker = 87654321;
    const QString sample = TTelCom::SerialDevicePath(marker);
    const QString markerText = QString::number(marker);
    const qsizetype at = sample.indexOf(markerText);
    if (at < 0)
        return -1;
    const QString prefix = sample.left(at);
    const QString suffix = sample.mid(at + markerText.size());
    if (!location.startsWith(prefix) || !location.endsWith(suffix) || location.size() <= prefix.size() + suffix.size())
        return -1;
    const QString digits = location.mid(prefix.size(), location.size() - prefix.size() - suffix.size());
    for (const QChar c : digits)
        if (!c.isDigit())
            return -1;
    bool ok = false;
    const int n = digits.toInt(&ok);
    return ok ? n : -1;
}

QList<TSerialPortRow> SerialPortRows(const QList<QSerialPortInfo>& ports)
{
    QList<TSerialPortRow> rows;
    for (const QSerialPortInfo& info : ports) {
        TSerialPortRow r;
        r.Location = info.systemLocation();
        const int n = PortNoOfSerialDevice(r.Location);
        r.PortNo = n >= 0 ? QString::number(n) : QString();
        r.Description = info.description();
        r.Manufacturer = info.manufacturer();
        r.Bluetooth = info.portName().startsWith(QLatin1String("rfcomm"));
        rows.append(r);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const TSerialPortRow& a, const TSerialPortRow& b) {
        if (a.Bluetooth != b.Bluetooth)
            return a.Bluetooth;
        if (a.PortNo.isEmpty() != b.PortNo.isEmpty())
            return !a.PortNo.isEmpty();
        if (!a.PortNo.isEmpty() && a.PortNo.toInt() != b.PortNo.toInt())
            return a.PortNo.toInt() < b.PortNo.toInt();
        return a.Location < b.Location;
    });
    return rows;
}

void Remove(DeviceHost& host, TTelCom* device)
{
    TTelComList& list = host.DeviceList();
    const int index = list.IndexOf(device);
    if (index < 0)
        return;
    list.Delete(index);
    device->Disconnect();
    // Later, not now: the device may be inside a request wait further up the stack.
    device->deleteLater();
    host.SaveAdrTelComList();
    host.RebuildCallMenu();
}

QString AllowOnlyPeers(const TTelComList& list, const TTelCom* chosen, QString* message)
{
    message->clear();
    const QHostAddress own = chosen && chosen->DeviceType() == dtAndroidWifi ? chosen->PeerAddress() : QHostAddress();
    if (own.isNull()) {
        *message = QStringLiteral("この端末はWi-Fiで接続されていません。\r\nスマホのアプリを接続してから押してください。");
        return QString();
    }
    QStringList peers{own.toString()};
    for (int i = 0; i < list.Count(); ++i) {
        const TTelCom* d = list.Items(i);
        const QHostAddress a = d->DeviceType() == dtAndroidWifi ? d->PeerAddress() : QHostAddress();
        if (!a.isNull() && !peers.contains(a.toString()))
            peers << a.toString();
    }
    return peers.join(QStringLiteral(", "));
}

} // namespace DeviceDialogRules
