#pragma once

#include <QString>
#include <QStringList>

// The data folders are shared by every account of the shop PC that belongs to the folders'
// group: whatever one account leaves there, another must be able to read and write. Every
// program of ours (the desktop program, its tools, the benchmarks and the tests' support)
// goes through here before it writes a file or opens a database.
namespace SharedData {

// Once per process, after ZUVARO_DATA_ROOT is final and before the first file or database
// attachment: files and folders the process creates get no access for other users and read
// and write for the group (umask 007), and the embedded engine keeps its lock files in the
// data root's lock folder (AppPaths::engineLockDir()), unless FIREBIRD_LOCK names another.
// Run as root, it also gives the lock folder's group an ACL entry on every lock file, so the
// files the engine hands to its own account stay usable by members while the run goes on.
void PrepareProcess();
// Like PrepareProcess, with the given lock folder unless FIREBIRD_LOCK names another.
void PrepareProcess(const QString& lockFolder);

// The lock folder the embedded engine of this process uses.
QString EngineLockFolder();

// The engine's message says it could not use its lock folder (missing rights, most often
// after a run as root left files there that belong to the engine's own account).
bool IsLockFolderFailure(const QString& engineMessage);
// The engine's message says another process has the database file open: the embedded
// engine lets one program at a time use a database file.
bool IsHeldByAnotherProgram(const QString& engineMessage);

// The desktop program's text for a lock folder failure (followed by the engine's message).
QString LockFolderFailureText();
// The same for the command-line tools, in their language.
QString LockFolderFailureToolText();

// Run as root (from cron, or a shop's administrator starting the program), the engine hands
// its lock files to its own account, and folders or files the process made belong to root.
// Gives every such entry below <data root>/ordova, in the lock folder and in the given extra
// files back to the group of its folder, readable and writable by that group. Does nothing
// for any other user. Called once the work is done (and the engine shut down) and after
// the first attachment of a long-running program.
void HandBackToGroup(const QStringList& extraFiles = {});

} // namespace SharedData
