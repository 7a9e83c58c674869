#pragma once

#include "devices/DeviceDialogRules.h"

#include <QDialog>
#include <QPointer>

class DeviceHost;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;
class TfrmSerialPorts;

// Registers and deletes the phones the program talks to. Works on the host's device list;
// every change is stored by the host at once, so there is nothing to cancel.
class TfrmDeviceSetup : public QDialog, private DeviceDialogRules::FetchView
{
    Q_OBJECT
public:
    explicit TfrmDeviceSetup(DeviceHost& host, QWidget* parent = nullptr);
    ~TfrmDeviceSetup() override;

    void SetFetchTimings(const DeviceDialogRules::TFetchTimings& timings) { FTimings = timings; }
    // True while a registration waits for the phone's number.
    bool Busy() const { return FBusy; }

    // Rebuilds the grid and resets the inputs; selects the row of selectPort when given.
    void BuildGrid(int selectPort = -1);
    void sgdDeviceSelectCell(int row);
    void cbxKindChange();
    void btnRegistClick();
    void btnDeleteClick();
    void lnkDeviceManagerClick();
    void btnAllowOnlyClick();

    QLabel* lblIp;
    QTableWidget* sgdDevice;
    QLineEdit* edtPortNo;
    QLabel* lblPortNote;
    QLabel* lnkDeviceManager;
    QComboBox* cbxKind;
    QLineEdit* edtTelNo;
    QLabel* lblTelNoNote;
    QLineEdit* edtName;
    QLabel* lblNameNote;
    QLineEdit* edtReadName;
    QLabel* lblReadNameNote;
    QLabel* lblHint[5];
    QProgressBar* pgbFetch;
    QPushButton* btnRegist;
    QPushButton* btnDelete;
    QPushButton* btnAllowOnly;
    QLabel* lblAllowedPeers;
    QPushButton* btnClose;
    QTimer* tmrBlink;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public slots:
    void reject() override;

private:
    void ResetInputs();
    void ShowAllowedPeers();
    void UpdateKindControls();
    void SetBusy(bool busy);
    void SetHint5Red(bool red);
    void tmrBlinkTimer();

    // FetchView
    void FetchBegin(bool wifi, int rounds) override;
    void FetchRound() override;
    void FetchEnd() override;

    DeviceHost& FHost;
    DeviceDialogRules::TFetchTimings FTimings;
    bool FBusy = false;
    bool FHint5Red = false;
    QPointer<TfrmSerialPorts> FPorts;
};
