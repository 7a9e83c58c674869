#include "calls/TfrmRestore.h"

#include "core/BackgroundWork.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "ui/DialogKit.h"
#include "ui/Named.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy/MM/dd HH:mm:ss");
}

TfrmRestore::TfrmRestore(const QString& backupFolder, QWidget* parent) : QDialog(parent), FFolder(backupFolder)
{
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(QStringLiteral("バックアップから復元"));
    auto* v = new QVBoxLayout(this);
    lblFolder = named(new QLabel(QStringLiteral("バックアップ先: ") + backupFolder), "lblFolder");
    v->addWidget(lblFolder);
    sgdCopies = named(new QTableWidget(0, 4), "sgdCopies");
    sgdCopies->setHorizontalHeaderLabels(
        {QStringLiteral("バックアップ日時"), QStringLiteral("サイズ"), QStringLiteral("最新の通話"), QStringLiteral("状態")});
    sgdCopies->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgdCopies->setSelectionMode(QAbstractItemView::SingleSelection);
    sgdCopies->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdCopies->verticalHeader()->hide();
    sgdCopies->horizontalHeader()->setStretchLastSection(true);
    const int widths[3] = {150, 90, 150};
    for (int c = 0; c < 3; ++c)
        sgdCopies->setColumnWidth(c, widths[c]);
    v->addWidget(sgdCopies, 1);
    v->addWidget(new QLabel(QStringLiteral("※復元すると、現在のデータベースは「_before_restore_日時」を付けた名前で残ります。")));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnRestore = named(new QPushButton(QStringLiteral("復元(&R)")), "btnRestore");
    btnClose = named(new QPushButton(QStringLiteral("閉じる(&X)")), "btnClose");
    buttons->addWidget(btnRestore);
    buttons->addWidget(btnClose);
    v->addLayout(buttons);
    resize(560, 320);
    DialogKit::Apply(this);
    connect(btnRestore, &QPushButton::clicked, this, &TfrmRestore::btnRestoreClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(sgdCopies, &QTableWidget::cellDoubleClicked, this, [this]() { btnRestoreClick(); });
}

QString TfrmRestore::SizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024)
        return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
    return QString::number((bytes + 1023) / 1024) + QStringLiteral(" KB");
}

void TfrmRestore::LoadCopies()
{
    WriteTraceLog(QStringLiteral("TfrmRestore.LoadCopies ") + FFolder);
    setEnabled(false);
    QList<BackupRestore::TCopyInfo> copies;
    const QString folder = FFolder;
    RunServingEvents([&copies, folder]() { copies = BackupRestore::InspectFolder(folder); });
    setEnabled(true);
    FCopies = copies;
    sgdCopies->setRowCount(int(FCopies.size()));
    for (int r = 0; r < FCopies.size(); ++r) {
        const BackupRestore::TCopyInfo& c = FCopies.at(r);
        // A copy of the older structure is not read here: its calls are unknown until restored.
        const QString newest = c.Damaged || c.OlderStructure ? QString()
                               : c.NewestCall.isValid()      ? c.NewestCall.toString(kTimeFormat)
                                                             : QStringLiteral("（通話なし）");
        const QString state = c.Damaged          ? QStringLiteral("破損")
                              : c.OlderStructure ? QStringLiteral("旧形式")
                                                 : QStringLiteral("正常");
        const QStringList cells{c.Taken.toString(kTimeFormat), SizeText(c.Size), newest, state};
        for (int col = 0; col < cells.size(); ++col)
            sgdCopies->setItem(r, col, new QTableWidgetItem(cells.at(col)));
        if (c.OlderStructure)
            sgdCopies->item(r, 3)->setToolTip(QStringLiteral("古い形式のバックアップです。復元すると新しい形式に変換します。"));
        if (c.Damaged) {
            sgdCopies->item(r, 3)->setToolTip(c.Problem);
            WriteLog(QStringLiteral("Backup copy damaged: ") + c.Path + QStringLiteral(": ") + c.Problem);
        }
    }
    if (!FCopies.isEmpty())
        sgdCopies->selectRow(0);
    btnRestore->setEnabled(!FCopies.isEmpty());
}

void TfrmRestore::btnRestoreClick()
{
    const int row = sgdCopies->currentRow();
    if (row < 0 || row >= FCopies.size()) {
        MessageService::Warning(QStringLiteral("復元するバックアップを選択してください。"));
        return;
    }
    const BackupRestore::TCopyInfo& c = FCopies.at(row);
    if (c.Damaged) {
        MessageService::Error(QStringLiteral("このバックアップは壊れているため復元できません。\r\n") + c.Problem);
        return;
    }
    if (!MessageService::Ask(QStringLiteral("%1 のバックアップから復元します。\r\n"
                                            "このバックアップより後の着信や登録内容は、復元後のデータベースには含まれません"
                                            "（現在のデータベースは別名で残ります）。\r\nよろしいですか？")
                                 .arg(c.Taken.toString(kTimeFormat))))
        return;
    if (Restore && Restore(c.Path))
        accept();
}
