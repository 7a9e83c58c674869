#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;
class TTelComList;

// Shown at start-up while the configured phones connect: closes by itself (Accepted) once
// every device is attached, or when the user gives up (Rejected). Changes nothing; the
// devices keep connecting on their own.
class TfrmDeviceStatus : public QDialog
{
    Q_OBJECT
public:
    struct TWaitTimings
    {
        int StartDelayMs = 300;
        int RoundMs = 200;
        int BlinkIntervalMs = 1000;
    };

    explicit TfrmDeviceStatus(TTelComList& list, QWidget* parent = nullptr);

    void SetWaitTimings(const TWaitTimings& timings) { FTimings = timings; }
    bool GaveUp() const { return FGaveUp; }

    void FillGrid();
    void WaitRound();
    void btnCloseClick();

    QLabel* lblIp;
    QTableWidget* sgdDevice;
    QLabel* lblHint;
    QPushButton* btnClose;
    QTimer* tmrBlink;
    QTimer* tmrWait;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Finish();
    void tmrBlinkTimer();

    TTelComList& FList;
    TWaitTimings FTimings;
    bool FStarted = false;
    bool FGaveUp = false;
    bool FFinished = false;
    bool FHintRed = false;
};
