#pragma once

#include "core/TUser.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class TdmCmn;

// "ログイン認証": closes with OK only after a successful check, which fills User().
class TfrmLogin : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmLogin(TdmCmn& dm, QWidget* parent = nullptr);

    void edtUserIdExit();
    void btnLoginClick();
    void btnSearchClick();
    const TUser& User() const { return FUser; }

    QLineEdit* edtUserId = nullptr;
    QLineEdit* edtPasswd = nullptr;
    QLineEdit* pnlUserName = nullptr;
    QPushButton* btnLogin = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnClose = nullptr;

private:
    TdmCmn& FDm;
    TUser FUser;
};
