// The phones of the main window: loading, supervision, status display, device events,
// and outgoing calls through them.
#include "calls/CallPipeline.h"
#include "calls/DialAddress.h"
#include "calls/TfrmMain.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/Cp932.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "devices/DeviceSettings.h"
#include "devices/TTelCom.h"
#include "devices/TfrmDeviceSetup.h"
#include "ui/Icons.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include "calls/ui/CallLogGrid.h"
#include <QTcpSocket>
#include <QTimer>

#include <utility>

namespace {
const QString kBlank = QStringLiteral("　");
}

TTelCom* TfrmMain::CreateAdrTelCom()
{
    auto* device = new TTelCom(this);
    // Direct connections: the error handler's code travels by reference.
    connect(device, &TTelCom::OnReceivedTelNo, this,
            [this](TTelCom* sender, const QString& telNo, qint16) { TelComReceivedTelNo(sender, telNo); });
    connect(device, &TTelCom::OnError, this, &TfrmMain::TelComError);
    connect(device, &TTelCom::OnTcpClientConnect, this, [this](TTelCom* sender, QTcpSocket*) { TcpClientConnect(sender); });
    connect(device, &TTelCom::OnTcpClientDisconnect, this,
            [this](TTelCom* sender, QTcpSocket*) { TcpClientDisconnect(sender); });
    connect(device, &TTelCom::OnTcpClientError, this,
            [this](TTelCom* sender, QTcpSocket*, QAbstractSocket::SocketError, int& code) {
                TcpClientError(sender, code);
            });
    return device;
}

bool TfrmMain::ConnectAdrTelComList(bool withMessage)
{
    bool failed = false;
    for (const TDeviceSetting& setting : DeviceSettings::Load()) {
        TTelCom* device = CreateAdrTelCom();
        DeviceSettings::Apply(*device, setting);
        try {
            DeviceSettings::Connect(*device, setting.PortNo);
        } catch (const AppError& e) {
            WriteLog(QStringLiteral("Android Connectエラー port=") + QString::number(setting.PortNo) +
                     QStringLiteral(" E.Message=") + e.message());
            failed = true;
        }
        FTelComList.Add(device);
    }
    if (failed && withMessage)
        MessageService::Error(QStringLiteral(
            "携帯電話への接続に失敗しました。\r\n通信設定、携帯電話との接続状態を確認してください。"));
    return !failed;
}

void TfrmMain::SaveAdrTelComList()
{
    DeviceSettings::Save(FTelComList);
}

void TfrmMain::DisConnectAdrTelComList()
{
    WriteTraceLog(QStringLiteral("TfrmMain.DisConnectAdrTelComList"));
    for (int i = 0; i < FTelComList.Count(); ++i) {
        TTelCom* device = FTelComList.Items(i);
        try {
            device->Disconnect();
        } catch (const AppError& e) {
            WriteLog(QString::number(device->PortNo()) + QStringLiteral(" TelCom切断エラー: ") + e.message());
        }
    }
}

int TfrmMain::GetAdrTelComStatus(int index)
{
    try {
        TTelCom* device = FTelComList.Items(index);
        if (device->Active()) {
            if (device->Connecting() && device->ClientConnecting()) {
                WriteTraceLog(QStringLiteral("GetAdrTelComStatus: 接続中"));
                return 0;
            }
            if (device->Connecting())
                return 1;
            WriteTraceLog(QStringLiteral("GetAdrTelComStatus: 切断中（起動時は成功）"));
            return 2;
        }
        try {
            DeviceSettings::Connect(*device, device->PortNo());
        } catch (const AppError& e) {
            WriteLog(QStringLiteral("スマホ・ポート:") + QString::number(device->PortNo()) + QStringLiteral(" 接続エラー: ") +
                     e.message());
            return 2;
        }
        WriteTraceLog(QStringLiteral("GetAdrTelComStatus: 接続待ち"));
        return 1;
    } catch (...) {
        return 5;
    }
}

void TfrmMain::AndroidTimerTimer()
{
    // The status check connects devices it finds down; once the teardown has begun it
    // would bring back every phone the teardown just disconnected.
    if (FTornDown)
        return;
    QStringList notAttached;
    for (int i = 0; i < FTelComList.Count(); ++i) {
        QCoreApplication::processEvents();
        // A device may have been removed while messages ran.
        if (i >= FTelComList.Count() || FTornDown)
            break;
        try {
            if (GetAdrTelComStatus(i) != 0)
                notAttached << QString::number(FTelComList.Items(i)->PortNo());
        } catch (const AppError& e) {
            WriteLog(QStringLiteral("AndroidTimerTimer1 error:") + e.message());
        }
    }
    const QString list = notAttached.join(QLatin1Char(','));
    const int count = FTelComList.Count();
    if (list == FLastStatusList && count == FLastStatusCount)
        return;
    FLastStatusList = list;
    FLastStatusCount = count;
    try {
        if (count == 0 || !list.isEmpty())
            SetDeviceIcon(false, count > 0 ? QStringLiteral("通信無効(") + list + QLatin1Char(')')
                                           : QStringLiteral("通信未設定"));
        else
            SetDeviceIcon(true, QStringLiteral("通信有効"));
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("AndroidTimerTimer2 error:") + e.message());
    }
}

void TfrmMain::SetDeviceIcon(bool allAttached, const QString& statusText)
{
    const QIcon icon = Icons::AppIcon(allAttached);
    setWindowIcon(icon);
    SetStatusText(1, statusText);
    FDeviceStatusText = statusText;
    if (FTrayIcon) {
        FTrayIcon->setIcon(icon);
        const QString tip = allAttached ? QStringLiteral("Zuvaro３") : QStringLiteral("Zuvaro３ ") + statusText;
        FTrayIcon->setToolTip(Cp932::truncateToBytes(tip, 127));
    }
}

void TfrmMain::ReportDeviceEvent(TTelCom* sender, const QString& what, const QString& tagLabel, bool check)
{
    // Device events never reach the user as errors.
    try {
        const QString text = QStringLiteral("PORT:") + QString::number(sender->PortNo()) + what;
        SetStatusText(0, text);
        WriteLog(text + QStringLiteral("TEL:") + sender->SelfTelNo() + kBlank + QStringLiteral("名称:") +
                 sender->DispName() + kBlank + tagLabel + QString::number(sender->Tag()) + kBlank);
        if (check)
            AndroidTimerTimer();
    } catch (...) {
    }
}

void TfrmMain::TcpClientConnect(TTelCom* sender)
{
    if (!sender)
        return;
    const QPointer<TTelCom> device(sender);
    try {
        sender->GetOwnTellNo(10000);
    } catch (...) {
    }
    if (!device)
        return;
    ReportDeviceEvent(sender, QStringLiteral(" のTCP通信が接続されました。 "), QStringLiteral("MyDevIdx:"), true);
    if (device && FPendingDialDevice == device) {
        FPendingDialDevice = nullptr;
        DialOn(sender, std::exchange(FPendingDialNumber, QString()));
    }
}

void TfrmMain::TcpClientDisconnect(TTelCom* sender)
{
    if (!sender)
        return;
    ReportDeviceEvent(sender, QStringLiteral(" のTCP通信が切断されました。 "), QStringLiteral("MyDevIdx:"), true);
    if (FPendingDialDevice == sender) {
        // The link went before its set-up ended. Said from the event loop: this runs while
        // the phone's connections are being handled.
        FPendingDialDevice = nullptr;
        FPendingDialNumber.clear();
        QTimer::singleShot(0, this, [this, port = sender->PortNo()] { ReportDialFailed(port); });
    }
}

void TfrmMain::TcpClientError(TTelCom* sender, int errorCode)
{
    if (sender)
        ReportDeviceEvent(sender,
                          QStringLiteral(" のTCP通信でエラーが発生しました。(") + QString::number(errorCode) +
                              QStringLiteral(") "),
                          QStringLiteral("MyDevIdx:"), false);
}

void TfrmMain::TelComError(TTelCom* sender, qint32 errors)
{
    if (sender)
        ReportDeviceEvent(sender,
                          QStringLiteral(" の通信でエラーが発生しました。(") + QString::number(errors) + QStringLiteral(") "),
                          QStringLiteral("Tag:"), false);
}

void TfrmMain::TelComReceivedTelNo(TTelCom* sender, const QString& telNo)
{
    if (!sender)
        return;
    pnlCalledTelNo->setText(sender->SelfTelNo());
    pnlCalledName->setText(sender->DispName());
    pnlCalledTelNo->show();
    pnlCalledName->show();
    QueueCall(TIncomingCall{telNo, QString(), sender->PortNo(), sender->ReadName()});
}

void TfrmMain::RebuildCallMenu()
{
    PopCallCom->clear();
    for (int i = 0; i < FTelComList.Count(); ++i) {
        QAction* a = PopCallCom->addAction(FTelComList.Items(i)->DispName() + QStringLiteral(" から発信"));
        connect(a, &QAction::triggered, this, [this, i]() { ComTelCall(i); });
    }
}

void TfrmMain::btnComSetClick()
{
    AndroidTimer->stop();
    try {
        TfrmDeviceSetup dialog(*this, this);
        dialog.lblIp->setText(QStringLiteral("IP: ") + gIpAddress);
        dialog.exec();
    } catch (...) {
        AndroidTimerTimer();
        AndroidTimer->start();
        throw;
    }
    AndroidTimerTimer();
    AndroidTimer->start();
}

void TfrmMain::OfferDeviceSetup()
{
    if (MessageService::Ask(QStringLiteral("通信設定されていません。Androidスマホとの通信設定を行ってください。\r\n"
                                           "今すぐ設定を行いますか？")))
        btnComSetClick();
}

void TfrmMain::btnCallClick()
{
    const int count = FTelComList.Count();
    if (count > 1) {
        auto* button = findChild<QPushButton*>(QStringLiteral("btnCall"));
        PopCallCom->popup(button->mapToGlobal(button->rect().center()));
    } else {
        ComTelCall(0);
    }
}

void TfrmMain::ComTelCall(int comIdx)
{
    WriteTraceLog(QStringLiteral("TfrmMain.ComTelCall ComIdx=") + QString::number(comIdx));
    const QString typed = edtCall->text();
    if (typed.isEmpty()) {
        MessageService::Information(QStringLiteral("電話番号を入力してください。"));
        edtCall->setFocus();
        return;
    }
    // The number becomes part of a command line to the phone: refuse anything that could
    // add a command or a hang-up to it.
    QString number;
    if (!DialAddress::CleanDialNumber(typed, &number) || number.isEmpty()) {
        MessageService::Error(DialAddress::RefusedNumberMessage(typed));
        edtCall->setFocus();
        return;
    }
    WriteTraceLog(QStringLiteral("strCallTel=") + number);
    if (FTelComList.Count() == 0) {
        OfferDeviceSetup();
        return;
    }
    if (comIdx < 0 || comIdx >= FTelComList.Count())
        return;
    TTelCom* device = FTelComList.Items(comIdx);
    const QString port = QString::number(device->PortNo());
    if (device->Connecting() && device->ClientSettingUp()) {
        // The phone has just linked up and is being set up: the dial goes out once it is
        // ready, rather than being refused for a link that works a moment later.
        WriteTraceLog(QStringLiteral("TfrmMain.ComTelCall waits for the link set-up port=") + port);
        FPendingDialDevice = device;
        FPendingDialNumber = number;
        return;
    }
    if (!(device->Connecting() && device->ClientConnecting())) {
        MessageService::Error(QStringLiteral("スマホとの接続が無効です。(ポート番号:") + port + QLatin1Char(')'));
        return;
    }
    DialOn(device, number);
}

void TfrmMain::DialOn(TTelCom* device, const QString& number)
{
    const QString port = QString::number(device->PortNo());
    if (device->SendCommand(QStringLiteral("ATD") + number + QLatin1Char(';'), 5000)) {
        CallDataInsert(number, device->PortNo());
        if (PageMain->currentIndex() == 0)
            sgdLog->setFocus();
        return;
    }
    ReportDialFailed(device->PortNo());
}

void TfrmMain::ReportDialFailed(int portNo)
{
    const QString port = QString::number(portNo);
    WriteTraceLog(QStringLiteral("スマホから発信失敗 port=") + port);
    MessageService::Error(QStringLiteral("携帯電話の発信処理に失敗しました。\r\n通信設定、携帯電話との接続状態を確認して"
                                         "ください。(ポート番号:") +
                          port + QLatin1Char(')'));
}

void TfrmMain::CallDataInsert(const QString& telNo, int portNo)
{
    edtCall->setText(telNo);
    // Not stored (journaled until the database answers): the number stays on screen.
    if (FPipeline->RecordOutgoingCall(telNo, portNo) < 0)
        return;
    RefreshAfterCall();
    edtCall->setText(telNo);
    pnlCallName->setText(GetCallerName(telNo));
    WriteTraceLog(QStringLiteral("TfrmMain.CallDataInsert end"));
}

void TfrmMain::DialRequest(const QString& address)
{
    const TDialRequest request = DialAddress::Parse(address);
    if (!request.IsDial)
        return;
    QString number;
    if (!DialAddress::CleanDialNumber(request.TelNo, &number)) {
        MessageService::Error(DialAddress::RefusedNumberMessage(request.TelNo));
        return;
    }
    edtCall->setText(number);
    pnlCallName->setText(GetCallerName(number));
    ComTelCall(0);
}
