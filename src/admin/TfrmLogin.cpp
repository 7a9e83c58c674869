#include "admin/TfrmLogin.h"

#include "admin/LoginFlow.h"
#include "admin/TfrmSearchUser.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmLogin::TfrmLogin(TdmCmn& dm, QWidget* parent) : QDialog(parent), FDm(dm)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("ログイン認証"));
    // No close box: the dialog ends through its buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    edtUserId = new QLineEdit(this);
    edtUserId->setObjectName(QStringLiteral("edtUserId"));
    edtUserId->setAttribute(Qt::WA_InputMethodEnabled, false);
    DialogKit::LimitBytes(edtUserId, 8);
    edtPasswd = new QLineEdit(this);
    edtPasswd->setObjectName(QStringLiteral("edtPasswd"));
    edtPasswd->setAttribute(Qt::WA_InputMethodEnabled, false);
    edtPasswd->setEchoMode(QLineEdit::Password);
    DialogKit::LimitBytes(edtPasswd, 8);
    pnlUserName = new QLineEdit(QStringLiteral("該当者なし"), this);
    pnlUserName->setObjectName(QStringLiteral("pnlUserName"));
    pnlUserName->setFocusPolicy(Qt::NoFocus);

    btnLogin = new QPushButton(QStringLiteral("ログイン(&L)"), this);
    btnLogin->setObjectName(QStringLiteral("btnLogin"));
    btnSearch = new QPushButton(QStringLiteral("ユーザ検索(&S)"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    btnClose = new QPushButton(QStringLiteral("閉じる(&X)"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton* b : {btnLogin, btnSearch, btnClose})
        b->setAutoDefault(false);
    connect(edtUserId, &QLineEdit::editingFinished, this, [this] { edtUserIdExit(); });
    connect(btnLogin, &QPushButton::clicked, this, [this] { btnLoginClick(); });
    connect(btnSearch, &QPushButton::clicked, this, [this] { btnSearchClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ユーザID"), edtUserId);
    form->addRow(QStringLiteral("パスワード"), edtPasswd);
    form->addRow(QStringLiteral("ユーザ名"), pnlUserName);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnLogin);
    buttons->addWidget(btnSearch);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    resize(360, 160);
    DialogKit::Apply(this);
    DialogKit::SetReadOnlyLook(pnlUserName);
}

void TfrmLogin::edtUserIdExit()
{
    pnlUserName->setText(FDm.GetUserName(edtUserId->text()));
}

void TfrmLogin::btnLoginClick()
{
    WriteTraceLog(QStringLiteral("TfrmLogin.btnLoginClick"));
    if (FDm.CheckLogin(edtUserId->text(), edtPasswd->text(), FUser)) {
        accept();
        return;
    }
    MessageService::Warning(LoginFlow::RefusalMessage());
    edtUserId->setFocus();
}

void TfrmLogin::btnSearchClick()
{
    TfrmSearchUser picker(FDm, this);
    if (picker.exec() != QDialog::Accepted || picker.SelectedUserId().isEmpty())
        return;
    edtUserId->setText(picker.SelectedUserId());
    edtPasswd->clear();
    edtUserIdExit();
    edtPasswd->setFocus();
}
