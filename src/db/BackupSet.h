#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>

// The dated copies in a backup folder: "ZUVARODB_<yyyymmdd_hhnnss>.FDB", one per backup,
// the newest also under the plain name "ZUVARODB.FDB". Only files of exactly this naming
// are ever listed or removed; anything else in the folder is left alone.
namespace BackupSet {

struct TBackupFile
{
    QString Path;
    QDateTime Time; // when the copy was taken, from its name
    qint64 Size = 0;
};

QString PlainName(); // "ZUVARODB.FDB"
QString FileName(const QDateTime& taken);
// The time in a dated copy's file name; invalid for any other name.
QDateTime TimeOfName(const QString& fileName);

// The dated copies in folder, newest first: regular files only (a symbolic link named like
// a copy is no generation of ours).
QList<TBackupFile> List(const QString& folder);
// When the newest dated copy was made, at or before now; invalid when there is none. A copy
// counts from the earlier of its name's time and its file's time; one whose both lie ahead
// of now (made while the clock was wrong) is passed over and put in *future, so it can
// neither stand for today's copy nor stop the daily one.
QDateTime Newest(const QString& folder, const QDateTime& now, QStringList* future = nullptr);
// Removes the oldest dated copies beyond keep (at least one is kept; copies dated ahead of
// now are left out of the count and stay), and partial copies
// of ours left by a backup that was killed more than a day ago. Returns the removed paths.
QStringList Prune(const QString& folder, int keep, const QDateTime& now);

// The latest daily time at or before now.
QDateTime LastDue(const QDateTime& now, const QTime& at);
// A daily copy is due when no copy was taken since the latest daily time.
bool DailyDue(const QDateTime& now, const QTime& at, const QDateTime& newestCopy);

} // namespace BackupSet
