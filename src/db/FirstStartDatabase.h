#pragma once

#include <QString>
#include <QStringList>

// The database on a fresh PC. A local database file that is missing is created with the
// initial-database code (the same as zuvaro3-initdb) when its folder can be written or made;
// a database on a server is that server's business: its administrator creates it there.
// Only a fresh installation gets its database without a question: anywhere else a missing
// file is a share that did not mount, a typo or a file moved away, and an empty database
// in its place would take the day's calls while the shop's customers are elsewhere.
namespace FirstStartDatabase {

enum class Outcome {
    Present,      // the file exists: nothing done
    Created,      // made now
    OnServer,     // host:/path: not ours to create
    NotCreatable, // missing, and its folder cannot be written or made
    Failed,       // the creation itself failed
};

// Creates the database at path when it is a missing local file, and writes what happened to
// the diagnostic log (always, as it is rare and matters).
Outcome Ensure(const QString& path);

// The database at path is a local file that is not there.
bool IsMissing(const QString& path);

// Diagnostic logs of an earlier run in the log folder. Asked before this start writes its own.
bool HasEarlierLogs();
// What of ours the data folders hold from earlier use, one line per kind (the call journal,
// backup copies in backupFolder, diagnostic logs when loggedBefore); empty on a fresh PC.
QStringList EarlierUse(const QString& backupFolder, bool loggedBefore);
// A missing database at path may be made without asking: it is the default file and the
// data folders hold nothing of ours yet.
bool IsFreshInstallation(const QString& path, const QString& backupFolder, bool loggedBefore);

// The question for a missing database that is not a fresh installation, and the message
// of an unattended start, which ends without creating anything.
QString MissingQuestion(const QString& path);
QString MissingUnattendedText(const QString& path);

// For a failed first connection: a sentence telling who must create a database that the
// server does not have; empty when the path is local or the error is another one.
QString ServerMissingHint(const QString& path, const QString& errorMessage);

} // namespace FirstStartDatabase
