// Resident mode (tray), the close buttons and the window state kept between runs.
#include "calls/TfrmMain.h"
#include "calls/WindowPlacement.h"
#include "core/Cp932.h"
#include "core/DiagLog.h"
#include "core/ExportPrefs.h"
#include "core/StartupSettings.h"
#include "platform/UserRegistry.h"
#include "ui/Icons.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>

namespace {
const QString kReg = QStringLiteral("frmMain");
}

void TfrmMain::CreateTaskBarIcon()
{
    if (FTrayIcon)
        return;
    FTrayIcon = new QSystemTrayIcon(windowIcon().isNull() ? Icons::AppIcon() : windowIcon(), this);
    FTrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    // A tip holds at most 127 bytes.
    FTrayIcon->setToolTip(Cp932::truncateToBytes(QStringLiteral("Zuvaro３"), 127));
    FTrayMenu = new QMenu(this);
    FTrayMenu->setObjectName(QStringLiteral("TrayMenu"));
    FTrayMenu->addAction(QStringLiteral("開く(&O)"), this, &TfrmMain::Open1Click);
    FTrayMenu->addSeparator();
    FTrayMenu->addAction(QStringLiteral("終了(&C)"), this, &TfrmMain::EndProgram);
    FTrayIcon->setContextMenu(FTrayMenu);
    connect(FTrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            Open1Click();
    });
    FTrayIcon->show();
}

void TfrmMain::DeleteTaskBarIcon()
{
    if (!FTrayIcon)
        return;
    FTrayIcon->hide();
    delete FTrayIcon;
    FTrayIcon = nullptr;
    delete FTrayMenu;
    FTrayMenu = nullptr;
}

void TfrmMain::SetCloseButtons(bool resident)
{
    for (const char* name : {"btnClose", "btnClose2"}) {
        auto* b = findChild<QPushButton*>(QLatin1String(name));
        if (!b)
            continue;
        if (resident) {
            b->setText(QStringLiteral("閉じる"));
            b->setToolTip(QStringLiteral("画面を閉じて待機します。"));
            b->setContextMenuPolicy(Qt::CustomContextMenu);
        } else {
            b->setText(QStringLiteral("終了"));
            b->setToolTip(QStringLiteral("画面を閉じて終了します。"));
            b->setContextMenuPolicy(Qt::DefaultContextMenu);
        }
    }
}

void TfrmMain::EnterJouchu()
{
    CreateTaskBarIcon();
    SetCloseButtons(true);
    if (!FCloseMenu) {
        FCloseMenu = new QMenu(this);
        FCloseMenu->setObjectName(QStringLiteral("CloseMenu"));
        FCloseMenu->addAction(QStringLiteral("終了(&C)"), this, &TfrmMain::EndProgram);
        for (const char* name : {"btnClose", "btnClose2"}) {
            auto* b = findChild<QPushButton*>(QLatin1String(name));
            connect(b, &QWidget::customContextMenuRequested, this, [this, b](const QPoint& pos) {
                if (b->contextMenuPolicy() == Qt::CustomContextMenu)
                    FCloseMenu->popup(b->mapToGlobal(pos));
            });
        }
    }
}

void TfrmMain::EndJouchu()
{
    WriteTraceLog(QStringLiteral("TfrmMain.EndJouchu"));
    if (!FTrayIcon)
        return;
    SetCloseButtons(false);
    DeleteTaskBarIcon();
}

void TfrmMain::HideResident()
{
    // Hidden without a notification area, the window would have no way back.
    if (FTrayIcon && QSystemTrayIcon::isSystemTrayAvailable()) {
        hide();
        return;
    }
    WriteLog(QStringLiteral("タスクトレイがないため、常駐の代わりに画面を最小化します。"));
    showMinimized();
}

void TfrmMain::ShowHelpBalloon(const QString& text)
{
    FLastBalloon = Cp932::truncateToBytes(text, 255);
    if (FTrayIcon && QSystemTrayIcon::supportsMessages())
        FTrayIcon->showMessage(QStringLiteral("着信"), FLastBalloon, QSystemTrayIcon::Information, 10000);
}

void TfrmMain::Open1Click()
{
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    WriteTraceLog(QStringLiteral("TfrmMain.Open1Click end"));
}

void TfrmMain::EndProgram()
{
    FEnding = true;
    close();
}

void TfrmMain::btnCloseClick()
{
    if (GJouchuIdx == 1 && !FEnding) {
        WriteTraceLog(QStringLiteral("TfrmMain.btnCloseClick 常駐"));
        HideResident();
        return;
    }
    if (GJouchuIdx == 2 && !FEnding) {
        WriteTraceLog(QStringLiteral("TfrmMain.btnCloseClick 最小化"));
        showMinimized();
        return;
    }
    WriteTraceLog(QStringLiteral("TfrmMain.btnCloseClick 終了"));
    FEnding = true;
    close();
}

void TfrmMain::ReadRegistry()
{
    WriteTraceLog(QStringLiteral("TfrmMain.ReadRegistry"));
    UserRegistry reg;
    if (!reg.IsUsable())
        return;
    TWindowState saved;
    saved.State = reg.ReadInteger(kReg + QStringLiteral("WindowState"), 0);
    saved.Left = reg.ReadInteger(kReg + QStringLiteral("Left"), 0);
    saved.Top = reg.ReadInteger(kReg + QStringLiteral("Top"), 0);
    saved.Height = reg.ReadInteger(kReg + QStringLiteral("Height"), 250);
    saved.Width = reg.ReadInteger(kReg + QStringLiteral("Width"), FDesignWidth);
    QList<QRect> screens;
    for (QScreen* s : QGuiApplication::screens())
        screens << s->geometry();
    const TWindowPlacement p = PlaceWindow(saved, screens, QSize(FDesignWidth, FDesignHeight));
    setGeometry(p.Geometry);
    move(p.Geometry.topLeft());
    FStartMaximized = p.Maximized;
    FActWidth = reg.ReadInteger(kReg + QStringLiteral("ActWidth"), 0);
    gExportPrefs.ExpPath = reg.ReadString(QStringLiteral("ExpPath"), QString());
    gExportPrefs.ExpTaiPath = reg.ReadString(QStringLiteral("ExpTaiPath"), QString());
    gExportPrefs.ExpCustPath = reg.ReadString(QStringLiteral("ExpCustPath"), QString());
    gExportPrefs.ExpTelsPath = reg.ReadString(QStringLiteral("ExpTelsPath"), QString());
    gExportPrefs.DelCrlfTel = reg.ReadFlag(QStringLiteral("ExportDelCrlfTel"), true);
    gExportPrefs.DelCrlfTai = reg.ReadFlag(QStringLiteral("ExportDelCrlfTai"), true);
    gExportPrefs.DelCrlfCust = reg.ReadFlag(QStringLiteral("ExportDelCrlfCust"), true);
}

void TfrmMain::WriteRegistry()
{
    WriteTraceLog(QStringLiteral("TfrmMain.WriteRegistry"));
    UserRegistry reg;
    if (!reg.IsUsable())
        return;
    const QRect g = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    reg.WriteInteger(kReg + QStringLiteral("Left"), pos().x());
    reg.WriteInteger(kReg + QStringLiteral("Top"), pos().y());
    reg.WriteInteger(kReg + QStringLiteral("Height"), g.height());
    reg.WriteInteger(kReg + QStringLiteral("Width"), g.width());
    reg.WriteInteger(kReg + QStringLiteral("WindowState"), isMinimized() ? 3 : isMaximized() ? 2 : 1);
    reg.WriteInteger(kReg + QStringLiteral("ActWidth"), FActWidth);
    reg.WriteString(QStringLiteral("ExpPath"), gExportPrefs.ExpPath);
    reg.WriteString(QStringLiteral("ExpTaiPath"), gExportPrefs.ExpTaiPath);
    reg.WriteString(QStringLiteral("ExpCustPath"), gExportPrefs.ExpCustPath);
    reg.WriteString(QStringLiteral("ExpTelsPath"), gExportPrefs.ExpTelsPath);
    reg.WriteFlag(QStringLiteral("ExportDelCrlfTel"), gExportPrefs.DelCrlfTel);
    reg.WriteFlag(QStringLiteral("ExportDelCrlfTai"), gExportPrefs.DelCrlfTai);
    reg.WriteFlag(QStringLiteral("ExportDelCrlfCust"), gExportPrefs.DelCrlfCust);
    reg.Sync();
}
