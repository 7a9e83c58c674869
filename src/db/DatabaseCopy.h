#pragma once

#include <QString>

class QProcess;
class TdmCmn;

// The local file behind a database path: "host:/path" on this machine's server is "/path".
QString LocalDatabaseFile(const QString& databasePath);

// A consistent copy of the open database file, and the backup lock it relies on.
namespace DatabaseCopy {

// The database's backup state: 0 normal, 1 locked for a copy, 2 merging the side file.
// Read in a statement of its own, so it is the engine's state of that moment.
int BackupState(TdmCmn& dm);

// The marker beside the database file that names the copy holding the backup lock (its
// process id, host and attachment), so that a lock left by a copier that was killed can be
// told from the lock of a copy still under way.
QString LockMarkerPath(const QString& databaseFile);
struct TLockHolder
{
    qint64 Pid = 0;
    QString Host;
    qint64 Attachment = 0;
};
bool WriteLockMarker(const QString& databaseFile, const TLockHolder& holder);

// A copy that was killed between "ALTER DATABASE BEGIN BACKUP" and its end leaves the
// database locked: later copies fail and the side file grows without end. Ends such a
// lock when its marker names a copier that is gone (also while other programs are
// attached), or, without a marker, when no other program is attached; a lock that a live
// copy holds is left. True when the database is no longer locked. Failures are logged
// (and put in *why when given), not thrown.
bool EndStaleBackupLock(TdmCmn& dm, QString* why = nullptr);

// Locks the database for a copy of databaseFile: ends a stale lock first, refuses while a
// live copy holds one, writes the marker and begins the lock, and proves the engine took it.
bool BeginCopyLock(TdmCmn& dm, const QString& databaseFile, QString* failure);
// Ends the lock begun above and proves it ended (the side file merged); removes the marker.
bool EndCopyLock(TdmCmn& dm, const QString& databaseFile, QString* failure);

// The newest call's number (0 with none): a copy taken afterwards must hold it.
int NewestCallNo(TdmCmn& dm);

// Why a write failed, for the shop: "容量不足" for a full disk, "書き込めません" for a
// read-only or forbidden place, then what failed and the system's words.
QString WriteFailure(const QString& what, int error);

// Copies the database file source (held open by dm) to target while the database is
// frozen, makes the copy a normal database and opens it once to prove it. target is
// replaced if present. On failure target is removed and *failure says why.
bool MakeConsistentCopy(TdmCmn& dm, const QString& source, const QString& target, QString* failure);

// The steps of a copy that touch no connection, so they may run on a worker thread while
// the program goes on (they log nothing): the plain file copy (target replaced; removed
// again on failure), and turning a copy taken under the backup lock into a normal database
// that has proved to open.
// A copy that would not fit in the free space of target's disk is refused before writing.
bool CopyFile(const QString& source, const QString& target, QString* failure);
// newestCallNo > 0: the copy must hold that call.
bool FixUpAndCheck(const QString& copy, int newestCallNo, QString* failure);

// The engine's tools run on files for us; killed, we take them along, or one left running
// keeps the engine's lock files busy or goes on writing a work file the next attempt needs.
void EndsWithUs(QProcess& tool);

// The engine's own validation of a whole database file that nothing else has open: every
// page, record and index is read. False with *failure saying what is wrong.
bool Validate(const QString& file, QString* failure);

// True when a and b name the same file, also through symbolic or hard links.
bool SameFile(const QString& a, const QString& b);

} // namespace DatabaseCopy
