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
// Named and written while the clock was wrong, both times lie ahead.
QDateTime madeAt(const TBackupFile& f)
{
    const QDateTime written = QFileInfo(f.Path).lastModified();
    return written.isValid() ? std::min(f.Time, written) : f.Time;
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
        if (t.isValid() && !f.isSymLink())
            found.append(TBackupFile{f.absoluteFilePath(), t, f.size()});
    }
    std::sort(found.begin(), found.end(), [](const TBackupFile& a, const TBackupFile& b) { return a.Time > b.Time; });
    return found;
}

QDateTime Newest(const QString& folder, const QDateTime& now, QStringList* future)
{
    // A minute of leeway: a copy just taken by a PC whose clock runs a little ahead.
    const QDateTime limit = now.addSecs(60);
    QDateTime newest;
    for (const TBackupFile& f : List(folder)) {
        const QDateTime t = madeAt(f);
        if (t > limit) {
            if (future)
                future->append(f.Path);
        } else if (!newest.isValid() || t > newest) {
            newest = t;
        }
    }
    return newest;
}

QStringList Prune(const QString& folder, int keep, const QDateTime& now)
{
    QStringList removed;
    // A copy dated ahead of now is neither one of the kept newest nor ours to remove.
    QList<TBackupFile> all = List(folder);
    const QDateTime limit = now.addSecs(60);
    all.erase(std::remove_if(all.begin(), all.end(), [&](const TBackupFile& f) { return madeAt(f) > limit; }), all.end());
    for (int i = std::max(keep, 1); i < all.size(); ++i)
        if (QFile::remove(all.at(i).Path))
            removed << all.at(i).Path;
    // A partial copy younger than a day may be another program's copy in progress.
    const QFileInfoList parts = QDir(folder).entryInfoList({QStringLiteral("ZUVARODB*.part")}, QDir::Files);
    for (const QFileInfo& f : parts)
        if (!f.isSymLink() && partialName().match(f.fileName()).hasMatch() && f.lastModified().addDays(1) < now &&
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
