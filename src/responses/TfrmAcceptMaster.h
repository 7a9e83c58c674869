#pragma once

#include "responses/AcceptMaster.h"

#include <QDialog>

class MasterPanel;
class QPushButton;
class TdmCmn;

// The dialog of a response master (types or results): lists, registers, revives and
// logically deletes its rows. TfrmAcceptType and TfrmAcceptResult are this dialog on their table.
class TfrmAcceptMaster : public QDialog
{
    Q_OBJECT
public:
    TfrmAcceptMaster(const AcceptMasterDef& def, TdmCmn& dm, QWidget* parent = nullptr);

    void FormShow();
    void MakeGrid();
    void sgdMainClick(int row);
    void cbxDeleteViewClick();
    void btnInsertClick();
    void btnDeleteClick();

    // The list and inputs (sgdMain, edtId, edtName, edtListId, cbxDeleteView, btnInsert, btnDelete).
    MasterPanel* pnlMaster = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    AcceptMaster FMaster;
    TdmCmn& FDm;
};

class TfrmAcceptType : public TfrmAcceptMaster
{
public:
    explicit TfrmAcceptType(TdmCmn& dm, QWidget* parent = nullptr)
        : TfrmAcceptMaster(AcceptMaster::Types(), dm, parent)
    {
    }
};

class TfrmAcceptResult : public TfrmAcceptMaster
{
public:
    explicit TfrmAcceptResult(TdmCmn& dm, QWidget* parent = nullptr)
        : TfrmAcceptMaster(AcceptMaster::Results(), dm, parent)
    {
    }
};
