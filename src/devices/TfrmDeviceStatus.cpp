#include "devices/TfrmDeviceStatus.h"

#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "devices/DeviceDialogRules.h"
#include "devices/TTelCom.h"
#include "devices/TTelComList.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace DeviceDialogRules;

namespace {
enum { colPortNo, colKind, colTelNo, colState, colDispName, colDeviceIndex, colCount };
}

TfrmDeviceStatus::TfrmDeviceStatus(TTelComList& list, QWidget* parent) : QDialog(parent), FList(list)
{
    setObjectName(QStringLiteral("frmDeviceStatus"));
    setWindowTitle(QStringLiteral("Androidスマホと接続中..."));
    setModal(true);

    lblIp = new QLabel(QStringLiteral("IP: "), this);
    lblIp->setObjectName(QStringLiteral("lblIp"));
    sgdDevice = new QTableWidget(0, colCount, this);
    sgdDevice->setObjectName(QStringLiteral("sgdDevice"));
    sgdDevice->setHorizontalHeaderLabels({QStringLiteral("ポート番号"), QStringLiteral("種類"),
                                          QStringLiteral("電話番号"), QStringLiteral("状態"), QStringLiteral("名称"),
                                          QString()});
    sgdDevice->setColumnHidden(colDeviceIndex, true);
    sgdDevice->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdDevice->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgdDevice->verticalHeader()->hide();
    lblHint = new QLabel(QStringLiteral("スマホアプリで 停止 → 開始 ボタンをクリックしてください。"), this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    {
        QPalette p = lblHint->palette();
        p.setColor(QPalette::WindowText, QColor(128, 0, 0));
        lblHint->setPalette(p);
    }
    btnClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, [this] { btnCloseClick(); });

    tmrBlink = new QTimer(this);
    tmrBlink->setObjectName(QStringLiteral("tmrBlink"));
    connect(tmrBlink, &QTimer::timeout, this, [this] { tmrBlinkTimer(); });
    tmrWait = new QTimer(this);
    tmrWait->setObjectName(QStringLiteral("tmrWait"));
    tmrWait->setSingleShot(true);
    connect(tmrWait, &QTimer::timeout, this, [this] { WaitRound(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblIp);
    layout->addWidget(sgdDevice, 1);
    layout->addWidget(lblHint);
    layout->addWidget(btnClose, 0, Qt::AlignRight);
    resize(600, 300);
    setMinimumSize(size());
}

void TfrmDeviceStatus::FillGrid()
{
    sgdDevice->clearContents();
    sgdDevice->setRowCount(FList.Count());
    for (int i = 0; i < FList.Count(); ++i) {
        const TDeviceRow row = Row(*FList.Items(i));
        const QString cells[colCount] = {row.PortNo, row.Kind, row.TelNo, row.State, row.DispName, row.DeviceIndex};
        for (int c = 0; c < colCount; ++c)
            sgdDevice->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    sgdDevice->resizeColumnsToContents();
}

void TfrmDeviceStatus::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (FStarted)
        return;
    FStarted = true;
    FillGrid();
    tmrBlink->start(FTimings.BlinkIntervalMs);
    tmrWait->start(FTimings.StartDelayMs);
}

// One round of the wait: the devices connect on their own (events keep running between
// rounds), this only shows their state and ends the wait.
void TfrmDeviceStatus::WaitRound()
{
    if (FFinished)
        return;
    if (sgdDevice->rowCount() != FList.Count())
        FillGrid(); // a device came or went while we waited
    for (int i = 0; i < FList.Count(); ++i) {
        QTableWidgetItem* item = sgdDevice->item(i, colState);
        if (item)
            item->setText(StateText(*FList.Items(i)));
    }
    if (FGaveUp || AllAttached(FList)) {
        Finish();
        return;
    }
    tmrWait->start(FTimings.RoundMs);
}

void TfrmDeviceStatus::Finish()
{
    WriteTraceLog(QStringLiteral("TfrmDeviceStatus.Finish GaveUp=") + QString::number(int(FGaveUp)));
    FFinished = true;
    tmrWait->stop();
    tmrBlink->stop();
    done(FGaveUp ? QDialog::Rejected : QDialog::Accepted);
}

void TfrmDeviceStatus::btnCloseClick()
{
    if (FFinished || FGaveUp)
        return;
    FGaveUp = true;
    // The wait pauses while the warning is up and ends right after it.
    tmrWait->stop();
    MessageService::Warning(QStringLiteral("スマホとの接続は無効です。"));
    WaitRound();
}

void TfrmDeviceStatus::tmrBlinkTimer()
{
    FHintRed = !FHintRed;
    QPalette p = lblHint->palette();
    p.setColor(QPalette::WindowText, FHintRed ? QColor(255, 0, 0) : QColor(128, 0, 0));
    lblHint->setPalette(p);
}

void TfrmDeviceStatus::reject()
{
    // Escape and the window's close box give up the same way the button does.
    if (!FFinished)
        btnCloseClick();
    else
        QDialog::reject();
}

void TfrmDeviceStatus::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        focusNextChild();
        return;
    }
    QDialog::keyPressEvent(event);
}
