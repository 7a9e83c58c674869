#pragma once

#include <QStringList>

class TdmCmn;
class TfrmMain;
class QWidget;

// Plugs the masters into the main window: the "マスタ登録" entries for users, response types,
// response results and customer option fields, and the login at start-up.
void InstallMasters(TfrmMain& form);

// The login of start-up when LOGIN_AUTH is on: automatic with the restart hand-over or two
// command-line arguments, else the dialog. Fills gCurrentUser; false when nobody logged in.
bool LoginCheck(TdmCmn& dm, const QStringList& args, QWidget* parent);
