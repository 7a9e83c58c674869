#pragma once

#include "core/TUser.h"

#include <QString>
#include <QStringList>

#include <optional>

class TdmCmn;

// Logging in at start-up without the dialog, and the private hand-over of the logged-in user
// to the copy the program restarts itself as. The hand-over travels through a pipe the new
// process inherits (only the descriptor's number is in its environment), never on its command
// line or in its environment, which the same user and root can read for the life of the
// process; the new copy reads and closes it first thing in main.
namespace LoginFlow {

struct Credentials
{
    QString UserId;
    QString Passwd;
};

// The environment variable that names the inherited descriptor of the hand-over.
QString RestartDescriptorVariable();
// The variable in which earlier versions handed the credentials over; a copy restarted by one
// of them still logs in, and the variable is removed at once.
QString RestartVariable();
// A pipe holding the hand-over of user, all written: returns its reading end, left open
// across exec (-1 on failure, or when nobody is logged in).
int OpenRestartHandOver(const TUser& user);
// First thing in main: reads, closes and forgets the hand-over this process was given (the
// descriptor named in the environment, or the variable of earlier versions), and removes
// both variables. Later calls find nothing more.
void ReceiveRestartCredentials();
// The received hand-over, once; empty when there is none.
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
