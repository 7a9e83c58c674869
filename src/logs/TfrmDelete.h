#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// "発着信履歴データ削除": deletes the call log of a range of months. The statement comes
// from LogDeletion; the dialog asks, checks, runs it and tells the main window.
class TfrmDelete : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmDelete(QWidget* parent = nullptr);

    void btnDeleteClick();

    QLineEdit* edtFromYear;
    QComboBox* cbxFromMonth;
    QLineEdit* edtToYear;
    QComboBox* cbxToMonth;
    QPushButton* btnDelete;
    QPushButton* btnClose;

signals:
    // Call-log rows were deleted: the main window refreshes.
    void logsDeleted();

protected:
    void showEvent(QShowEvent* event) override;
};
