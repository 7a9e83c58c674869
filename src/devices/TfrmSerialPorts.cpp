#include "devices/TfrmSerialPorts.h"

#include "devices/DeviceDialogRules.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTableWidget>
#include <QVBoxLayout>

TfrmSerialPorts::TfrmSerialPorts(QWidget* parent) : QDialog(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmSerialPorts"));
    setWindowTitle(QStringLiteral("デバイスマネージャ - シリアルポート"));

    lblNote =
        new QLabel(QStringLiteral("Bluetooth接続のスマホは「ポート番号」の番号を通信設定に入力してください。"), this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    sgdPorts = new QTableWidget(0, 5, this);
    sgdPorts->setObjectName(QStringLiteral("sgdPorts"));
    sgdPorts->setHorizontalHeaderLabels({QStringLiteral("ポート番号"), QStringLiteral("デバイス"),
                                         QStringLiteral("接続"), QStringLiteral("説明"), QStringLiteral("製造元")});
    sgdPorts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdPorts->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgdPorts->verticalHeader()->hide();
    sgdPorts->horizontalHeader()->setStretchLastSection(true);

    btnRefresh = new QPushButton(QStringLiteral("最新の情報に更新(&R)"), this);
    btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
    btnClose = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnRefresh, &QPushButton::clicked, this, &TfrmSerialPorts::FillGrid);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnRefresh);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblNote);
    layout->addWidget(sgdPorts, 1);
    layout->addLayout(buttons);
    resize(640, 320);

    FillGrid();
}

void TfrmSerialPorts::FillGrid()
{
    const QList<DeviceDialogRules::TSerialPortRow> rows =
        DeviceDialogRules::SerialPortRows(QSerialPortInfo::availablePorts());
    sgdPorts->clearContents();
    sgdPorts->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const auto& r = rows.at(i);
        const QString cells[] = {r.PortNo, r.Location,
                                 r.Bluetooth ? QStringLiteral("Bluetooth") : QStringLiteral("シリアル"), r.Description,
                                 r.Manufacturer};
        for (int c = 0; c < 5; ++c)
            sgdPorts->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    sgdPorts->resizeColumnsToContents();
}
