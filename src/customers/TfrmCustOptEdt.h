#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class TfrmCustOption;

// "顧客補足項目編集": the caption and kind of one option position.
class TfrmCustOptEdt : public QDialog
{
    Q_OBJECT
public:
    TfrmCustOptEdt(TfrmCustOption& owner, int position);

    void btnOkClick();

    QLineEdit* edtDespName = nullptr;
    QComboBox* cbxFieldType = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    TfrmCustOption& FOwner;
    int FPosition;
};
