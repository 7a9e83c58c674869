#pragma once

#include "admin/InterfaceTable.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "外部接続登録": the external programs that get a caller's number, one row at a time.
class TfrmInterface : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmInterface(QWidget* parent = nullptr);

    // The search button appears only when a search is plugged in; it returns the chosen
    // row's first column (the link number), empty when nothing was chosen.
    using Search = std::function<QString(QWidget* parent)>;
    static void SetSearch(Search search);

    void SetButton(bool browse);
    void ChangeSatet();
    void btnAddClick();
    void btnEditClick();
    void btnOKClick();
    void btnCancelClick();
    void btnDeleteClick();
    void btnSearchClick();
    InterfaceTable& Table() { return FTable; }

    QWidget* pnlInput = nullptr;
    QLineEdit* edtIfNo = nullptr;
    QLineEdit* edtIfName = nullptr;
    QComboBox* cbxIfType = nullptr;
    QLineEdit* edtExecPath = nullptr;
    QLineEdit* edtCommand = nullptr;
    QLineEdit* edtTextPath = nullptr;
    QCheckBox* chkTextPort = nullptr;
    QCheckBox* chkTextDt = nullptr;
    QLineEdit* edtCaption = nullptr;
    QCheckBox* chkEveryClose = nullptr;
    QLabel* lblRequest = nullptr;
    QLabel* lblStartReq = nullptr;
    QLineEdit* edtStartReq = nullptr;
    QLabel* lblEndReq = nullptr;
    QLineEdit* edtEndReq = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnEdit = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnFirst = nullptr;
    QPushButton* btnPrior = nullptr;
    QPushButton* btnNext = nullptr;
    QPushButton* btnLast = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnClose = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildLayout();
    void ShowRow();
    void ApplyRules();
    void MoveTo(int index);
    TInterfaceRow Collect() const;

    InterfaceTable FTable;
    Search FSearch;
    bool FBrowse = true;
    bool FClosing = false;
};
