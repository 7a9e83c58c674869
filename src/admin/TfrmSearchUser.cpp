#include "admin/TfrmSearchUser.h"

#include "admin/UserMaster.h"
#include "core/Clock.h"
#include "ui/DialogKit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmSearchUser::TfrmSearchUser(TdmCmn& dm, QWidget* parent) : QDialog(parent), FDm(dm)
{
    setObjectName(QStringLiteral("frmSearchUser"));
    setWindowTitle(QStringLiteral("ユーザ検索"));
    setModal(true);

    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    DialogKit::LimitBytes(edtName, 20);
    btnSearch = new QPushButton(QStringLiteral("検索"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnSearch->setAutoDefault(false);
    lstName = new QListWidget(this);
    lstName->setObjectName(QStringLiteral("lstName"));
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setAutoDefault(false);
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);

    connect(edtName, &QLineEdit::textEdited, this, [this] { btnSearch->setEnabled(true); });
    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
    connect(lstName, &QListWidget::itemDoubleClicked, this, [this] { btnOkClick(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* search = new QHBoxLayout;
    search->addWidget(new QLabel(QStringLiteral("ユーザ名"), this));
    search->addWidget(edtName, 1);
    search->addWidget(btnSearch);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(lstName, 1);
    layout->addLayout(buttons);

    resize(320, 360);
    DialogKit::Apply(this);
    // Taller, never narrower or wider.
    setMinimumSize(size());
    setMaximumWidth(width());
}

void TfrmSearchUser::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmSearchUser::FormShow()
{
    btnSearchClick();
}

void TfrmSearchUser::btnSearchClick()
{
    const UserMaster::Found found = UserMaster::Search(FDm, edtName->text(), Clock::today());
    lstName->clear();
    lstName->addItems(found.Names);
    FIds = found.Ids;
    lstName->setCurrentRow(-1);
    lstName->clearSelection();
    btnSearch->setEnabled(false);
}

QString TfrmSearchUser::SelectedUserId() const
{
    const int row = lstName->currentRow();
    return (row >= 0 && lstName->currentItem() && lstName->currentItem()->isSelected()) ? FIds.value(row) : QString();
}

void TfrmSearchUser::btnOkClick()
{
    accept();
}
