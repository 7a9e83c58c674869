#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// Bringing a backup copy back in place of the live database file, in steps that leave the
// live database or the copy at the live path at every moment, never neither:
//   1. Stage: the chosen copy is copied next to the live file ("<live>.restore") and proved
//      to open; the chosen copy itself stays where it is.
//   2. Swap (the live database closed): the live file gets a second name
//      "<live>_before_restore_<yyyymmdd_hhnnss>" (a hard link, else a complete copy made
//      under a temporary name), then the staged copy replaces the live path in one rename.
// A restore killed between the steps leaves the staged copy and perhaps a second name of
// the live file; Recover removes exactly those at the next start. The set-aside database is
// never removed.
namespace BackupRestore {

struct TCopyInfo
{
    QString Path;
    QDateTime Taken; // from the dated name; the file's time for other names
    qint64 Size = 0;
    bool Damaged = false;
    QString Problem; // why it counts as damaged
    // An older on-disk structure that this engine does not open (0: none): the copy is not
    // checked or read here, a restore converts it.
    int OlderStructure = 0;
    int Calls = 0;
    QDateTime NewestCall; // invalid when the copy holds no call
};

// Has the engine check the whole copy, then opens it on its own and reads its call log; a
// copy that fails the check, does not open or read counts as damaged. The one check behind
// the list's mark and every restore. Safe on a worker thread (logs nothing).
TCopyInfo Inspect(const QString& path);
// The dated copies of a backup folder, newest first, each inspected.
QList<TCopyInfo> InspectFolder(const QString& folder);

QString StagedPath(const QString& live);
// The set-aside name for a restore at a time; the first free one from that second on.
QString AsidePath(const QString& live, const QDateTime& at);

// Step 1 (worker thread safe). On failure nothing is left behind and *failure says why.
bool Stage(const QString& copy, const QString& live, QString* failure);
// Step 2, with nothing attached to live. On failure the live file is where it was.
bool Swap(const QString& live, const QString& aside, QString* failure);

// Clears what an interrupted restore left; returns a line per thing done, for the log.
QStringList Recover(const QString& live);

} // namespace BackupRestore
