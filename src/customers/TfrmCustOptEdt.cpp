#include "customers/TfrmCustOptEdt.h"

#include "customers/CustOption.h"
#include "customers/TfrmCustOption.h"
#include "core/MessageService.h"
#include "db/MasterKey.h"
#include "db/StorableText.h"
#include "ui/DialogKit.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmCustOptEdt::TfrmCustOptEdt(TfrmCustOption& owner, int position)
    : QDialog(&owner), FOwner(owner), FPosition(position)
{
    setObjectName(QStringLiteral("frmCustOptEdt"));
    setWindowTitle(QStringLiteral("顧客補足項目編集"));
    setModal(true);

    edtDespName = new QLineEdit(this);
    edtDespName->setObjectName(QStringLiteral("edtDespName"));
    DialogKit::LimitToColumn(edtDespName, QStringLiteral("OPTION_M"), QStringLiteral("DESP_NAME"));
    cbxFieldType = new QComboBox(this);
    cbxFieldType->setObjectName(QStringLiteral("cbxFieldType"));
    cbxFieldType->addItems(CustOption::KindNames());
    btnOk = new QPushButton(QStringLiteral("OK(&O)"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    const OptionSlot* slot = owner.SelectedSlot();
    if (slot && slot->Defined()) {
        edtDespName->setText(slot->Caption);
        cbxFieldType->setCurrentIndex(CustOption::KindIndex(slot->Code));
    } else {
        cbxFieldType->setCurrentIndex(0);
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("項目名"), edtDespName);
    form->addRow(QStringLiteral("入力値の種類"), cbxFieldType);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    resize(360, 130);
    DialogKit::Apply(this);
}

void TfrmCustOptEdt::btnOkClick()
{
    if (edtDespName->text().isEmpty()) {
        MessageService::Warning(QStringLiteral("項目名を入力してください。"));
        edtDespName->setFocus();
        return;
    }
    if (cbxFieldType->currentIndex() <= 0) {
        MessageService::Warning(QStringLiteral("入力値の種類を入力してください。"));
        cbxFieldType->setFocus();
        return;
    }
    CheckStorableText(QStringLiteral("項目名"), edtDespName->text());
    const OptionSlot* slot = FOwner.SelectedSlot();
    const int number = slot && slot->Defined() ? slot->OptionId.toInt() : FPosition;
    const QString code = CustOption::KindCodes().value(cbxFieldType->currentIndex());
    MasterKey::Execute(FOwner.Dm(), CustOption::FieldSaveSql(FOwner.Dm(), number, edtDespName->text(), code));
    FOwner.LoadOptions(FPosition);
    accept();
}
