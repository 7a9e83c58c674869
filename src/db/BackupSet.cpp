#include "db/BackupSet.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace BackupSet {

namespace {
const QString kStampFormat = QStringLiteral("yyyyMMdd_HHmmss");

const QRegularExpression& datedName()
{
    static const QRegularExpression re(QStringLiteral("^ZUVARODB_(\\d{8}_\\d{6})\\.FDB$"));
    return re;
}

const QRegularExpression& partialName()
{
    static const QRegularExpression re(QStringLiteral("^ZUVARODB(_\\d{8}_\\d{6})?\\.FDB\\.part$"));
    return re;
}
} // namespace

QString PlainName()
{
    return QStringLiteral("ZUVARODB.FDB");
}

QString FileName(const QDateTime& taken)
{
    return QStringLiteral("ZUVARODB_") + taken.toString(kStampFormat) + QStringLiteral(".FDB");
}

QDateTime TimeOfName(const QString& fileName)
{
    const QRegularExpressionMatch m = datedName().match(fileName);
    if (!m.hasMatch())
        return QDateTime();
    return QDateTime::fromString(m.captured(1), kStampFormat);
}

QList<TBackupFile> List(const QString& folder)
{
    QList<TBackupFile> found;
    const QFileInfoList entries = QDir(folder).entryInfoList({QStringLiteral("ZUVARODB_*.FDB")}, QDir::Files);
    for (const QFileInfo& f : entries) {
        const QDateTime t = TimeOfName(f.fileName());
        if (t.isValid())
            found.append(TBackupFile{f.absoluteFilePath(), t, f.size()});
    }
    std::sort(found.begin(), found.end(), [](const TBackupFile& a, const TBackupFile& b) { return a.Time > b.Time; });
    return found;
}

QDateTime Newest(const QString& folder)
{
    const QList<TBackupFile> all = List(folder);
    return all.isEmpty() ? QDateTime() : all.first().Time;
}

QStringList Prune(const QString& folder, int keep, const QDateTime& now)
{
    QStringList removed;
    const QList<TBackupFile> all = List(folder);
    for (int i = std::max(keep, 1); i < all.size(); ++i)
        if (QFile::remove(all.at(i).Path))
            removed << all.at(i).Path;
    // A partial copy younger than a day may be another program's copy in progress.
    const QFileInfoList parts = QDir(folder).entryInfoList({QStringLiteral("ZUVARODB*.part")}, QDir::Files);
    for (const QFileInfo& f : parts)
        if (partialName().match(f.fileName()).hasMatch() && f.lastModified().addDays(1) < now &&
            QFile::remove(f.absoluteFilePath()))
            removed << f.absoluteFilePath();
    return removed;
}

QDateTime LastDue(const QDateTime& now, const QTime& at)
{
    const QDateTime today(now.date(), at);
    return today <= now ? today : QDateTime(now.date().addDays(-1), at);
}

bool DailyDue(const QDateTime& now, const QTime& at, const QDateTime& newestCopy)
{
    return !newestCopy.isValid() || newestCopy < LastDue(now, at);
}

} // namespace BackupSet
