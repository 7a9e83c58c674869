#include "customers/TfrmCustOption.h"

#include "core/Clock.h"
#include "core/MessageService.h"
#include "customers/TfrmCustOptEdt.h"
#include "db/MasterKey.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"
#include "ui/MasterPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

void Paint(QWidget* w, const QColor& background)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QLabel* NewPanel(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setMinimumWidth(160);
    return l;
}

} // namespace

TfrmCustOption::TfrmCustOption(TdmCmn& dm, QWidget* parent) : QDialog(parent), FDm(dm)
{
    setObjectName(QStringLiteral("frmCustOption"));
    setWindowTitle(QStringLiteral("顧客補足登録"));
    setModal(true);
    Paint(this, QColor(0xAE, 0xA3, 0x6A));

    lstOption = new QListWidget(this);
    lstOption->setObjectName(QStringLiteral("lstOption"));
    connect(lstOption, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            lstOptionClick(row + 1);
    });
    connect(lstOption, &QListWidget::itemDoubleClicked, this, [this] { btnEditClick(); });
    pnlDespName = NewPanel(this, "pnlDespName");
    pnlFieldType = NewPanel(this, "pnlFieldType");
    btnEdit = new QPushButton(QStringLiteral("編集..."), this);
    btnEdit->setObjectName(QStringLiteral("btnEdit"));
    btnFieldDelete = new QPushButton(QStringLiteral("削除"), this);
    btnFieldDelete->setObjectName(QStringLiteral("btnFieldDelete"));
    for (QPushButton* b : {btnEdit, btnFieldDelete})
        b->setAutoDefault(false);
    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnFieldDelete, &QPushButton::clicked, this, [this] { btnFieldDeleteClick(); });

    pnlMaster = new MasterPanel({QStringLiteral("ID"), QStringLiteral("IDを入力してください。"), QStringLiteral("名称"),
                                 QStringLiteral("名称を入力してください。")},
                                this);
    {
        QPalette p = pnlMaster->cbxDeleteView->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        pnlMaster->cbxDeleteView->setPalette(p);
    }
    connect(pnlMaster->cbxDeleteView, &QCheckBox::clicked, this, [this] { MakeGrid(); });
    connect(pnlMaster->btnInsert, &QPushButton::clicked, this, [this] { btnInsertClick(); });
    connect(pnlMaster->btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });

    btnClose = new QPushButton(QStringLiteral("閉じる(&X)"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* field = new QGridLayout;
    field->addWidget(new QLabel(QStringLiteral("項目名"), this), 0, 0);
    field->addWidget(pnlDespName, 0, 1);
    field->addWidget(new QLabel(QStringLiteral("入力値の種類"), this), 1, 0);
    field->addWidget(pnlFieldType, 1, 1);
    auto* fieldButtons = new QHBoxLayout;
    fieldButtons->addWidget(btnEdit);
    fieldButtons->addWidget(btnFieldDelete);
    fieldButtons->addStretch();
    field->addLayout(fieldButtons, 2, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(field);
    right->addWidget(new QLabel(QStringLiteral("マスタデータ"), this));
    right->addWidget(pnlMaster, 1);
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("補足項目"), this));
    left->addWidget(lstOption, 1);
    top->addLayout(left);
    top->addLayout(right, 1);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("pnlBottom"));
    Paint(bottom, QColor(0x7A, 0x71, 0x43));
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->addStretch();
    bottomLayout->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(bottom);

    resize(720, 520);
    DialogKit::Apply(this);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmCustOption::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmCustOption::FormShow()
{
    LoadOptions(1);
}

void TfrmCustOption::LoadOptions(int position)
{
    FSlots = CustOption::LoadSlots(FDm);
    const QSignalBlocker block(lstOption);
    lstOption->clear();
    for (const OptionSlot& slot : FSlots)
        lstOption->addItem(slot.Caption);
    lstOption->setCurrentRow(position - 1);
    lstOptionClick(position);
}

int TfrmCustOption::SelectedPosition() const
{
    return lstOption->currentRow() + 1;
}

const OptionSlot* TfrmCustOption::SelectedSlot() const
{
    const int i = lstOption->currentRow();
    return (i >= 0 && i < FSlots.size()) ? &FSlots.at(i) : nullptr;
}

void TfrmCustOption::lstOptionClick(int position)
{
    const OptionSlot* slot = (position >= 1 && position <= FSlots.size()) ? &FSlots.at(position - 1) : nullptr;
    if (!slot)
        return;
    pnlDespName->setText(slot->Caption);
    pnlFieldType->setText(CustOption::KindName(slot->Code));
    btnEdit->setEnabled(true);
    btnFieldDelete->setEnabled(!slot->Code.isEmpty());
    const bool choices = slot->Defined() && slot->Code == QLatin1String("m");
    pnlMaster->setVisible(choices);
    if (choices)
        MakeGrid();
}

void TfrmCustOption::MakeGrid()
{
    const OptionSlot* slot = SelectedSlot();
    if (!slot || !slot->Defined())
        return;
    pnlMaster->ShowRows(CustOption::LoadChoices(FDm, slot->OptionId, pnlMaster->cbxDeleteView->isChecked()));
}

void TfrmCustOption::btnEditClick()
{
    if (SelectedPosition() < 1)
        return;
    TfrmCustOptEdt editor(*this, SelectedPosition());
    editor.exec();
}

void TfrmCustOption::btnFieldDeleteClick()
{
    const OptionSlot* slot = SelectedSlot();
    if (!slot || !slot->Defined())
        return;
    if (MessageService::Show(MsgKind::Confirmation, QStringLiteral("削除してよろしいですか？"), MsgButtons::OkCancel) !=
        MsgResult::Ok)
        return;
    const int position = SelectedPosition();
    MasterKey::Execute(FDm, CustOption::FieldDeleteSql(slot->OptionId, Clock::now()));
    LoadOptions(position);
}

void TfrmCustOption::btnInsertClick()
{
    const OptionSlot* slot = SelectedSlot();
    if (!slot || !slot->Defined())
        return;
    const QString optionId = slot->OptionId;
    pnlMaster->Register(
        FDm, [this, optionId](const QString& did) { return CustOption::ChoiceDelState(FDm, optionId, did); },
        [optionId](MasterKey::Action action, const QString& did, const QString& name, const QString& listId) {
            return action == MasterKey::Action::Insert ? CustOption::ChoiceInsertSql(optionId, did, name, listId)
                                                       : CustOption::ChoiceUpdateSql(optionId, did, name, listId);
        },
        [this] { MakeGrid(); });
}

void TfrmCustOption::btnDeleteClick()
{
    const OptionSlot* slot = SelectedSlot();
    if (!slot || !slot->Defined())
        return;
    const QString optionId = slot->OptionId;
    pnlMaster->Delete(
        FDm, [optionId](const QString& did) { return CustOption::ChoiceDeleteSql(optionId, did, Clock::now()); },
        [this] { MakeGrid(); });
}
