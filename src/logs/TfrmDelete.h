#pragma once

#include <QDialog>

class LogDeletionRun;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

// "発着信履歴データ削除": deletes the call log of a range of months. The range comes from
// LogDeletion; the dialog asks, checks, runs the deletion beside the window (LogDeletionRun)
// with a progress bar and "中止", and tells the main window.
class TfrmDelete : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmDelete(QWidget* parent = nullptr);

    void btnDeleteClick();
    // Rows per committed batch (tests make it small).
    void SetBatchRows(int rows) { FBatchRows = rows; }

    QLineEdit* edtFromYear;
    QComboBox* cbxFromMonth;
    QLineEdit* edtToYear;
    QComboBox* cbxToMonth;
    QPushButton* btnDelete;
    QPushButton* btnClose;
    QProgressBar* pbDelete;
    QPushButton* btnStop;

signals:
    // Call-log rows were deleted: the main window refreshes.
    void logsDeleted();

public slots:
    // While deleting, closing the dialog (or a stop request) stops the deletion instead.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int FBatchRows = 5000;
    LogDeletionRun* FRun = nullptr;
};
