#pragma once

#include "core/TUser.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

class TdmCmn;

// Logging in at start-up without the dialog, and the private hand-over of the logged-in user
// to the copy the program restarts itself as. The hand-over travels in the new process's
// environment (readable only by the same user), never on its command line, which every local
// user can read; the new copy removes it as soon as it has read it.
namespace LoginFlow {

struct Credentials
{
    QString UserId;
    QString Passwd;
};

// The environment variable of the hand-over.
QString RestartVariable();
// Adds the hand-over of user to env (nothing when nobody is logged in).
void PutRestartCredentials(QProcessEnvironment& env, const TUser& user);
// Reads and clears the hand-over of this process; empty when there is none.
std::optional<Credentials> TakeRestartCredentials();
// Credentials for an automatic login: the hand-over, else exactly two command-line
// arguments (a user id and a password); empty when the dialog must ask.
std::optional<Credentials> AutomaticCredentials(const QStringList& args);

// Checks automatic credentials; on failure warns as the dialog does and logs "reboot Halt".
bool LoginAutomatically(TdmCmn& dm, const Credentials& credentials, TUser& user);
// The warning of every refused login.
QString RefusalMessage();

// Starts program as a fresh copy that logs user in through the hand-over.
bool StartRestartedCopy(const QString& program, const TUser& user, qint64* pid = nullptr);

} // namespace LoginFlow
