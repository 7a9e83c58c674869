#pragma once

#include "admin/TelsBook.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class TfrmMain;

// "電話帳登録": shows, adds, changes and deletes one phone-book entry at a time.
class TfrmTels : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmTels(TfrmMain* main, QWidget* parent = nullptr);

    // Opens on the entry of number; returns the dialog's result and the fields at closing.
    int SearchShowModal(const QString& number, TTels& out);
    // Loads the entry of number (empty fields when there is none) and browses.
    void Load(const QString& number);
    bool Changed() const { return FChanged; }
    TelsBook::Mode Mode() const { return FMode; }
    TTels Shown() const;

    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnSearchClick();
    // False when nothing was stored (refused, or Cancel on the customer question).
    bool btnOkClick();
    void btnCancelClick();
    void btnLinkClick();
    void btnTestClick();

    QLineEdit* edtTelNo = nullptr;
    QLineEdit* edtCustTelNon = nullptr;
    QLineEdit* edtCaller = nullptr;
    QLineEdit* edtReadName = nullptr;
    QCheckBox* chkCaution = nullptr;
    QLineEdit* edtCautionNote = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnClose = nullptr;
    QPushButton* btnLink = nullptr;
    QPushButton* btnTest = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void SetButton(TelsBook::Mode mode);
    void Show(const TTels& t);

    TfrmMain* FMain;
    TelsBook::Mode FMode = TelsBook::Mode::Browse;
    TTels FBefore;
    bool FChanged = false;
};
