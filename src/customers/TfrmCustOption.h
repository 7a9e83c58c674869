#pragma once

#include "customers/CustOption.h"

#include <QDialog>
#include <QList>

class MasterPanel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TdmCmn;

// "顧客補足登録": the twenty customer option fields and, for a field of kind "m", its choices.
class TfrmCustOption : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmCustOption(TdmCmn& dm, QWidget* parent = nullptr);

    void FormShow();
    // Reloads the option list and selects position (1-20).
    void LoadOptions(int position);
    void lstOptionClick(int position);
    void btnEditClick();
    void btnFieldDeleteClick();
    void MakeGrid();
    void btnInsertClick();
    void btnDeleteClick();

    int SelectedPosition() const;
    const OptionSlot* SelectedSlot() const;
    TdmCmn& Dm() const { return FDm; }

    QListWidget* lstOption = nullptr;
    QLabel* pnlDespName = nullptr;
    QLabel* pnlFieldType = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnFieldDelete = nullptr;
    // The list and inputs (sgdMain, edtId, edtName, edtListId, cbxDeleteView, btnInsert, btnDelete).
    MasterPanel* pnlMaster = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TdmCmn& FDm;
    QList<OptionSlot> FSlots;
};
