#include "admin/ui/InstallMasters.h"

#include "admin/LoginFlow.h"
#include "admin/TfrmLogin.h"
#include "admin/TfrmUnifyNumbers.h"
#include "admin/TfrmUser.h"
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "customers/TfrmCustOption.h"
#include "db/TdmCmn.h"
#include "responses/TfrmAcceptMaster.h"

#include <QCoreApplication>
#include <QThread>

namespace {

template <typename Dialog>
void OpenMaster(TfrmMain& form, TUpTable flags)
{
    {
        Dialog dialog(*dmCmn, &form);
        dialog.exec();
    }
    form.RefreshTables(flags);
}

TUpTable MasterFlags(std::initializer_list<TUpTable::Flag> flags, int custNo)
{
    TUpTable t = TUpTable::With(flags);
    t.CustNo = custNo;
    return t;
}

} // namespace

bool LoginCheck(TdmCmn& dm, const QStringList& args, QWidget* parent)
{
    // The hand-over is read and cleared even when login is off, so it never outlives start-up.
    const auto automatic = LoginFlow::AutomaticCredentials(args);
    if (!GLoginAuth)
        return true;
    TUser user;
    if (automatic) {
        if (!LoginFlow::LoginAutomatically(dm, *automatic, user))
            return false;
        // Give the copy that restarted us a moment to finish.
        QThread::msleep(1000);
    } else {
        WriteTraceLog(QStringLiteral("TfrmMain.LoginCheck begin"));
        TfrmLogin dialog(dm, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        user = dialog.User();
    }
    gCurrentUser = user;
    WriteTraceLog(QStringLiteral("TfrmMain.LoginCheck UserId=") + user.UserId);
    return true;
}

void InstallMasters(TfrmMain& form)
{
    form.SetLoginHook([&form]() { return LoginCheck(*dmCmn, QCoreApplication::arguments().mid(1), &form); });
    form.AddMasterMenuItem(QStringLiteral("担当者登録"), [&form]() {
        OpenMaster<TfrmUser>(form, MasterFlags({TUpTable::UserTable}, 0));
    });
    form.AddMasterMenuItem(QStringLiteral("対応区分登録"), [&form]() {
        OpenMaster<TfrmAcceptType>(form, MasterFlags({TUpTable::TypeTable}, 0));
    });
    form.AddMasterMenuItem(QStringLiteral("対応結果登録"), [&form]() {
        OpenMaster<TfrmAcceptResult>(form, MasterFlags({TUpTable::ResultTable}, 0));
    });
    form.AddMasterMenuItem(QStringLiteral("顧客補足登録"), [&form]() {
        OpenMaster<TfrmCustOption>(form, MasterFlags({TUpTable::OptionTable, TUpTable::OptionDTable}, -1));
    });
    form.PlugButton("btnUnifyNumbers", [&form]() {
        TfrmUnifyNumbers dialog(&form);
        QObject::connect(&dialog, &TfrmUnifyNumbers::numbersUnified, &form,
                         [&form]() { form.RefreshTables(TUpTable::All()); });
        dialog.exec();
    });
}
