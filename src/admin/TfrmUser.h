#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TdmCmn;
struct TUserInput;

// "担当者登録": lists, registers, revives and logically deletes the users.
class TfrmUser : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmUser(TdmCmn& dm, QWidget* parent = nullptr);

    // Grid columns; the last two are hidden.
    enum { colId, colName, colAuthName, colListId, colFrom, colTo, colDelDt, colAuth, colPasswd, colCount };

    void FormShow();
    void MakeGrid();
    void sgdMainClick(int row);
    void cbxDeleteViewClick();
    void btnInsertClick();
    void btnDeleteClick();
    // The inputs as they would be registered.
    TUserInput Input() const;

    QTableWidget* sgdMain = nullptr;
    QLineEdit* edtUserId = nullptr;
    QLineEdit* edtUserName = nullptr;
    QLineEdit* edtPasswd = nullptr;
    QComboBox* cbxAuth = nullptr;
    QLineEdit* edtListId = nullptr;
    QCheckBox* chkFromDt = nullptr;
    QDateEdit* dtpFromDt = nullptr;
    QCheckBox* chkToDt = nullptr;
    QDateEdit* dtpToDt = nullptr;
    QCheckBox* cbxDeleteView = nullptr;
    QPushButton* btnInsert = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TdmCmn& FDm;
};
