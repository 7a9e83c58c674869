#include "devices/TfrmDeviceSetup.h"

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "devices/DeviceHost.h"
#include "devices/TTelCom.h"
#include "devices/TTelComList.h"
#include "devices/TfrmSerialPorts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

using namespace DeviceDialogRules;

namespace {
enum { colPortNo, colKind, colTelNo, colState, colDispName, colReadName, colDeviceIndex, colCount };

const QColor kFocusColour(255, 200, 200);
const QColor kMaroon(128, 0, 0);
const QColor kRed(255, 0, 0);

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = QString())
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QLineEdit* NewEdit(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    // Enter moves to the next input; it must not press a button of the dialog.
    b->setAutoDefault(false);
    return b;
}

void SetTextColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}
} // namespace

TfrmDeviceSetup::TfrmDeviceSetup(DeviceHost& host, QWidget* parent) : QDialog(parent), FHost(host)
{
    setObjectName(QStringLiteral("frmDeviceSetup"));
    setWindowTitle(QStringLiteral("Androidスマホとの通信設定"));
    setModal(true);

    lblIp = NewLabel(this, "lblIp", QStringLiteral("IP: "));

    sgdDevice = new QTableWidget(0, colCount, this);
    sgdDevice->setObjectName(QStringLiteral("sgdDevice"));
    sgdDevice->setHorizontalHeaderLabels({QStringLiteral("ポート番号"), QStringLiteral("種類"),
                                          QStringLiteral("電話番号"), QStringLiteral("状態"), QStringLiteral("名称"),
                                          QStringLiteral("読上名"), QString()});
    sgdDevice->setColumnHidden(colDeviceIndex, true);
    sgdDevice->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdDevice->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgdDevice->setSelectionMode(QAbstractItemView::SingleSelection);
    sgdDevice->verticalHeader()->hide();
    sgdDevice->horizontalHeader()->setStretchLastSection(true);
    sgdDevice->setMinimumHeight(140);
    connect(sgdDevice, &QTableWidget::currentCellChanged, this, [this](int row, int, int prevRow, int) {
        if (row != prevRow)
            sgdDeviceSelectCell(row);
    });
    connect(sgdDevice, &QTableWidget::cellClicked, this, [this](int row, int) { sgdDeviceSelectCell(row); });

    edtPortNo = NewEdit(this, "edtPortNo");
    edtPortNo->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,8}")), edtPortNo));
    lblPortNote =
        NewLabel(this, "lblPortNote", QStringLiteral("スマホ毎に異なる値としてください（デフォルト：60600）"));
    lnkDeviceManager =
        NewLabel(this, "lnkDeviceManager", QStringLiteral("<a href=\"devmgr\">デバイスマネージャを開く</a>"));
    lnkDeviceManager->setTextFormat(Qt::RichText);
    lnkDeviceManager->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(lnkDeviceManager, &QLabel::linkActivated, this, [this] { lnkDeviceManagerClick(); });

    cbxKind = new QComboBox(this);
    cbxKind->setObjectName(QStringLiteral("cbxKind"));
    cbxKind->addItems(DeviceKindNames());
    cbxKind->setCurrentIndex(-1);
    connect(cbxKind, &QComboBox::currentIndexChanged, this, [this] { cbxKindChange(); });

    edtTelNo = NewEdit(this, "edtTelNo");
    edtTelNo->setReadOnly(true);
    {
        QPalette p = edtTelNo->palette();
        p.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
        edtTelNo->setPalette(p);
    }
    lblTelNoNote = NewLabel(this, "lblTelNoNote", QStringLiteral("スマホから自動取得します"));
    edtName = NewEdit(this, "edtName");
    lblNameNote = NewLabel(this, "lblNameNote", QStringLiteral("スマホの店舗、会社名など"));
    edtReadName = NewEdit(this, "edtReadName");
    lblReadNameNote = NewLabel(this, "lblReadNameNote", QStringLiteral("ひらがなと全角カナしか音声対応していません"));
    for (QWidget* w : {static_cast<QWidget*>(edtPortNo), static_cast<QWidget*>(cbxKind), static_cast<QWidget*>(edtName),
                       static_cast<QWidget*>(edtReadName)})
        w->installEventFilter(this);

    auto* inputs = new QGridLayout;
    auto* portNotes = new QHBoxLayout;
    portNotes->addWidget(lblPortNote);
    portNotes->addWidget(lnkDeviceManager);
    portNotes->addStretch();
    const struct
    {
        const char* name;
        const char* caption;
        QWidget* input;
    } rows[] = {{"lblPortNo", "ポート番号", edtPortNo},
                {"lblKind", "種類", cbxKind},
                {"lblTelNo", "電話番号", edtTelNo},
                {"lblName", "名称", edtName},
                {"lblReadName", "音声読上名", edtReadName}};
    int r = 0;
    for (const auto& row : rows) {
        inputs->addWidget(NewLabel(this, row.name, QString::fromUtf8(row.caption)), r, 0);
        inputs->addWidget(row.input, r, 1);
        ++r;
    }
    inputs->addLayout(portNotes, 0, 2);
    inputs->addWidget(lblTelNoNote, 2, 2);
    inputs->addWidget(lblNameNote, 3, 2);
    inputs->addWidget(lblReadNameNote, 4, 2);
    inputs->setColumnStretch(2, 1);

    auto* hints = new QVBoxLayout;
    for (int i = 0; i < 5; ++i) {
        lblHint[i] = NewLabel(this, QStringLiteral("lblHint%1").arg(i + 1).toLatin1().constData());
        hints->addWidget(lblHint[i]);
    }
    lblHint[4]->setVisible(false);
    pgbFetch = new QProgressBar(this);
    pgbFetch->setObjectName(QStringLiteral("pgbFetch"));
    pgbFetch->setRange(0, FTimings.WifiRounds);
    pgbFetch->setValue(0);
    pgbFetch->setTextVisible(false);
    hints->addWidget(pgbFetch);

    btnRegist = NewButton(this, "btnRegist", QStringLiteral("登録"));
    btnDelete = NewButton(this, "btnDelete", QStringLiteral("削除"));
    btnClose = NewButton(this, "btnClose", QStringLiteral("閉じる(&C)"));
    connect(btnRegist, &QPushButton::clicked, this, [this] { btnRegistClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    btnAllowOnly = NewButton(this, "btnAllowOnly", QStringLiteral("この端末のみ許可"));
    btnAllowOnly->setToolTip(QStringLiteral("選択した端末（と登録済みの他の端末）以外からの接続を受け付けません"));
    connect(btnAllowOnly, &QPushButton::clicked, this, [this] { btnAllowOnlyClick(); });
    lblAllowedPeers = NewLabel(this, "lblAllowedPeers");
    connect(btnClose, &QPushButton::clicked, this, [this] { close(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnRegist);
    buttons->addWidget(btnDelete);
    buttons->addWidget(btnAllowOnly);
    buttons->addStretch();
    buttons->addWidget(btnClose);

    tmrBlink = new QTimer(this);
    tmrBlink->setObjectName(QStringLiteral("tmrBlink"));
    connect(tmrBlink, &QTimer::timeout, this, [this] { tmrBlinkTimer(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblIp);
    layout->addWidget(sgdDevice, 1);
    layout->addLayout(inputs);
    layout->addLayout(hints);
    layout->addWidget(lblAllowedPeers);
    layout->addLayout(buttons);

    resize(720, 560);
    setMinimumSize(size());

    BuildGrid();
    UpdateKindControls();
    ShowAllowedPeers();
    edtPortNo->setFocus();
}

TfrmDeviceSetup::~TfrmDeviceSetup() = default;

void TfrmDeviceSetup::ResetInputs()
{
    edtPortNo->setText(QString::number(DefaultPortNo));
    edtTelNo->clear();
    edtName->clear();
    edtReadName->clear();
}

void TfrmDeviceSetup::BuildGrid(int selectPort)
{
    const TTelComList& list = FHost.DeviceList();
    {
        const QSignalBlocker block(sgdDevice);
        sgdDevice->clearContents();
        sgdDevice->setRowCount(0);
        ResetInputs();
        btnDelete->setEnabled(false);
        if (list.Count() == 0) {
            sgdDevice->setRowCount(1); // one empty row, as an empty grid keeps
            sgdDevice->setCurrentCell(-1, -1);
            return;
        }
        sgdDevice->setRowCount(list.Count());
        for (int i = 0; i < list.Count(); ++i) {
            const TDeviceRow row = Row(*list.Items(i));
            const QString cells[colCount] = {row.PortNo,   row.Kind,     row.TelNo,      row.State,
                                             row.DispName, row.ReadName, row.DeviceIndex};
            for (int c = 0; c < colCount; ++c)
                sgdDevice->setItem(i, c, new QTableWidgetItem(cells[c]));
        }
        sgdDevice->resizeColumnsToContents();
        sgdDevice->setCurrentCell(-1, -1);
        sgdDevice->clearSelection();
        btnDelete->setEnabled(true);
    }
    if (selectPort < 0)
        return;
    for (int i = 0; i < list.Count(); ++i)
        if (list.Items(i)->PortNo() == selectPort) {
            sgdDevice->setCurrentCell(i, colPortNo);
            sgdDevice->scrollToItem(sgdDevice->item(i, colPortNo));
            break;
        }
}

void TfrmDeviceSetup::sgdDeviceSelectCell(int row)
{
    if (FBusy || row < 0 || row >= sgdDevice->rowCount())
        return;
    auto cell = [this, row](int col) {
        const QTableWidgetItem* item = sgdDevice->item(row, col);
        return item ? item->text() : QString();
    };
    edtPortNo->setText(cell(colPortNo));
    edtTelNo->setText(cell(colTelNo));
    edtName->setText(cell(colDispName));
    edtReadName->setText(cell(colReadName));
    const int index = ParseDeviceIndex(cell(colDeviceIndex));
    cbxKind->setCurrentIndex(index >= 0 && index < cbxKind->count() ? index : -1);
    UpdateKindControls();
}

void TfrmDeviceSetup::cbxKindChange()
{
    UpdateKindControls();
}

void TfrmDeviceSetup::UpdateKindControls()
{
    const int kind = cbxKind->currentIndex();
    const QStringList lines = HintLines(kind);
    for (int i = 0; i < 5; ++i)
        lblHint[i]->setText(lines.value(i));
    lblPortNote->setVisible(ShowsPortNote(kind));
    lnkDeviceManager->setVisible(ShowsDeviceManager(kind));
}

void TfrmDeviceSetup::btnRegistClick()
{
    if (FBusy)
        return;
    TSetupInput input;
    input.PortText = edtPortNo->text();
    input.DeviceIndex = cbxKind->currentIndex();
    input.DispName = edtName->text();
    input.ReadName = edtReadName->text();
    const TSetupCheck check = Check(input);
    if (!check.Message.isEmpty()) {
        MessageService::Warning(check.Message);
        switch (check.Field) {
        case TSetupField::PortNo:
            edtPortNo->setFocus();
            break;
        case TSetupField::DeviceKind:
            cbxKind->setFocus();
            break;
        default:
            edtName->setFocus();
            break;
        }
        return;
    }
    edtTelNo->clear();
    WriteTraceLog(QStringLiteral("TfrmDeviceSetup.btnRegistClick begin port=") + QString::number(check.PortNo) +
                  QStringLiteral(" kind=") + QString::number(input.DeviceIndex));

    TRegisterOutcome outcome;
    SetBusy(true);
    try {
        outcome = Register(FHost, input, check.PortNo, [this](TTelCom& device) {
            const QString telNo = FetchOwnTelNo(device, FTimings, this);
            edtTelNo->setText(telNo);
            return telNo;
        });
    } catch (const AppError& e) {
        SetBusy(false);
        WriteLog(QStringLiteral("TfrmDeviceSetup.btnRegistClick error:") + e.message());
        MessageService::Error(e.message());
        BuildGrid(check.PortNo);
        return;
    }
    SetBusy(false);
    WriteTraceLog(QStringLiteral("TfrmDeviceSetup.btnRegistClick end result=") + QString::number(int(outcome.Result)) +
                  QStringLiteral(" TelNo=") + outcome.TelNo);
    if (outcome.Result != TRegisterResult::Registered)
        MessageService::Show(RegisterMessageKind(outcome.Result), RegisterMessage(outcome.Result));
    BuildGrid(check.PortNo);
    if (outcome.Result == TRegisterResult::Registered)
        MessageService::Information(QStringLiteral("登録しました。"));
}

void TfrmDeviceSetup::ShowAllowedPeers()
{
    const QString peers = TTelCom::AllowedPeersText().trimmed();
    lblAllowedPeers->setText(QStringLiteral("接続を許可する端末: ") +
                             (peers.isEmpty() ? QStringLiteral("制限なし") : peers));
}

void TfrmDeviceSetup::btnAllowOnlyClick()
{
    if (FBusy)
        return;
    const int row = sgdDevice->selectionModel()->hasSelection() ? sgdDevice->currentRow() : -1;
    const QTableWidgetItem* portCell = row >= 0 ? sgdDevice->item(row, colPortNo) : nullptr;
    const TTelCom* device = DeviceToDelete(FHost.DeviceList(), row, portCell ? portCell->text() : QString());
    QString message;
    const QString peers = AllowOnlyPeers(FHost.DeviceList(), device, &message);
    if (peers.isEmpty()) {
        MessageService::Warning(message);
        return;
    }
    WriteTraceLog(QStringLiteral("TfrmDeviceSetup.btnAllowOnlyClick ALLOWED_PEERS=") + peers);
    gIni->WriteString(QStringLiteral("ANDROID"), QStringLiteral("ALLOWED_PEERS"), peers);
    for (int i = 0; i < FHost.DeviceList().Count(); ++i)
        FHost.DeviceList().Items(i)->ReloadAllowedPeers();
    ShowAllowedPeers();
    MessageService::Information(QStringLiteral("これ以降、") + peers + QStringLiteral(" 以外からの接続は拒否します。"));
}

void TfrmDeviceSetup::btnDeleteClick()
{
    if (FBusy)
        return;
    const int row = sgdDevice->selectionModel()->hasSelection() ? sgdDevice->currentRow() : -1;
    const QTableWidgetItem* portCell = row >= 0 ? sgdDevice->item(row, colPortNo) : nullptr;
    TTelCom* device = DeviceToDelete(FHost.DeviceList(), row, portCell ? portCell->text() : QString());
    if (!device)
        return;
    if (MessageService::Show(MsgKind::Warning, QStringLiteral("選択されている設定を削除してもよろしいですか？"),
                             MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    WriteTraceLog(QStringLiteral("TfrmDeviceSetup.btnDeleteClick port=") + QString::number(device->PortNo()));
    try {
        Remove(FHost, device);
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("TfrmDeviceSetup.btnDeleteClick error:") + e.message());
        MessageService::Error(e.message());
    }
    BuildGrid();
}

void TfrmDeviceSetup::lnkDeviceManagerClick()
{
    bool shown = false;
    try {
        if (!FPorts) {
            FPorts = new TfrmSerialPorts(this);
            FPorts->setAttribute(Qt::WA_DeleteOnClose);
        }
        FPorts->show();
        FPorts->raise();
        FPorts->activateWindow();
        shown = FPorts->isVisible();
    } catch (const std::exception& e) {
        WriteLog(QStringLiteral("TfrmDeviceSetup.lnkDeviceManagerClick error:") + QString::fromUtf8(e.what()));
    }
    if (!shown)
        MessageService::Warning(QStringLiteral("デバイスマネージャの起動に失敗しました。"));
}

void TfrmDeviceSetup::SetBusy(bool busy)
{
    FBusy = busy;
    // No second action while a registration waits: the wait keeps events running, and a
    // delete or another registration would pull the device out from under it.
    for (QWidget* w :
         {static_cast<QWidget*>(sgdDevice), static_cast<QWidget*>(edtPortNo), static_cast<QWidget*>(cbxKind),
          static_cast<QWidget*>(edtName), static_cast<QWidget*>(edtReadName), static_cast<QWidget*>(btnRegist),
          static_cast<QWidget*>(btnDelete), static_cast<QWidget*>(btnClose)})
        w->setEnabled(!busy);
    if (!busy)
        btnDelete->setEnabled(FHost.DeviceList().Count() > 0);
}

void TfrmDeviceSetup::SetHint5Red(bool red)
{
    FHint5Red = red;
    SetTextColour(lblHint[4], red ? kRed : kMaroon);
}

void TfrmDeviceSetup::FetchBegin(bool wifi, int rounds)
{
    lblHint[4]->setVisible(true);
    SetHint5Red(!wifi);
    pgbFetch->setRange(0, rounds > 0 ? rounds : 1);
    pgbFetch->setValue(0);
    if (!wifi)
        tmrBlink->start(FTimings.BlinkIntervalMs);
}

void TfrmDeviceSetup::FetchRound()
{
    if (pgbFetch->value() < pgbFetch->maximum())
        pgbFetch->setValue(pgbFetch->value() + 1);
    SetHint5Red(!FHint5Red);
}

void TfrmDeviceSetup::tmrBlinkTimer()
{
    FetchRound();
}

void TfrmDeviceSetup::FetchEnd()
{
    tmrBlink->stop();
    lblHint[4]->setVisible(false);
    pgbFetch->setValue(0);
}

void TfrmDeviceSetup::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        focusNextChild();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TfrmDeviceSetup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (auto* w = qobject_cast<QWidget*>(watched)) {
            QPalette p = w->palette();
            p.setColor(QPalette::Base,
                       event->type() == QEvent::FocusIn ? kFocusColour : palette().color(QPalette::Base));
            w->setPalette(p);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmDeviceSetup::reject()
{
    if (FBusy)
        return; // a registration cannot be cancelled once it runs
    QDialog::reject();
}

void TfrmDeviceSetup::closeEvent(QCloseEvent* event)
{
    if (FBusy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
