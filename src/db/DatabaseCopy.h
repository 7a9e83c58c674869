#pragma once

#include <QString>

class TdmCmn;

// The local file behind a database path: "host:/path" on this machine's server is "/path".
QString LocalDatabaseFile(const QString& databasePath);

// A consistent copy of the open database file, and the backup lock it relies on.
namespace DatabaseCopy {

// The database's backup state: 0 normal, 1 locked for a copy, 2 merging the side file.
int BackupState(TdmCmn& dm);

// A copy that was killed between "ALTER DATABASE BEGIN BACKUP" and its end leaves the
// database locked: later copies fail and the side file grows without end. Ends such a
// lock when no other program is attached (on a server another PC may be copying); true
// when one was ended. Failures are logged, not thrown.
bool EndStaleBackupLock(TdmCmn& dm);

// Copies the database file source (held open by dm) to target while the database is
// frozen, makes the copy a normal database and opens it once to prove it. target is
// replaced if present. On failure target is removed and *failure says why.
bool MakeConsistentCopy(TdmCmn& dm, const QString& source, const QString& target, QString* failure);

// The steps of a copy that touch no connection, so they may run on a worker thread while
// the program goes on (they log nothing): the plain file copy (target replaced; removed
// again on failure), and turning a copy taken under the backup lock into a normal database
// that has proved to open.
bool CopyFile(const QString& source, const QString& target, QString* failure);
bool FixUpAndCheck(const QString& copy, QString* failure);

// True when a and b name the same file, also through symbolic or hard links.
bool SameFile(const QString& a, const QString& b);

} // namespace DatabaseCopy
