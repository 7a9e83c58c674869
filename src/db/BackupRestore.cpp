#include "db/BackupRestore.h"

#include "core/AppError.h"
#include "db/BackupSet.h"
#include "db/DatabaseCopy.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/StructureConversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace BackupRestore {

namespace {
QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool sameInode(const QString& a, const QString& b)
{
    struct stat sa = {}, sb = {};
    return ::stat(native(a).constData(), &sa) == 0 && ::stat(native(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// The restored file keeps the live file's owner and mode, so a server running under its own
// user can open it.
void takeOwnershipOf(const QString& live, const QString& file)
{
    struct stat st = {};
    if (::stat(native(live).constData(), &st) != 0)
        return;
    if (::chown(native(file).constData(), st.st_uid, st.st_gid) != 0) {
        // Not permitted unless run by the administrator; the file is then ours, as it was.
    }
    ::chmod(native(file).constData(), st.st_mode & 07777);
}
} // namespace

TCopyInfo Inspect(const QString& path)
{
    TCopyInfo info;
    const QFileInfo f(path);
    info.Path = f.absoluteFilePath();
    info.Size = f.size();
    info.Taken = BackupSet::TimeOfName(f.fileName());
    if (!info.Taken.isValid())
        info.Taken = f.lastModified();
    if (!f.isFile()) {
        info.Damaged = true;
        info.Problem = QStringLiteral("no such file: ") + path;
        return info;
    }
    // This engine does not open an older structure; Stage converts it.
    if (StructureConversion::Needed(info.Path)) {
        info.OlderStructure = StructureConversion::FileStructure(info.Path);
        info.Problem = QStringLiteral("older on-disk structure %1: converted when restored").arg(info.OlderStructure);
        return info;
    }
    // The engine reads every page, record and index; a copy cut short or with a page
    // overwritten fails here even where the call log itself reads.
    if (!DatabaseCopy::Validate(info.Path, &info.Problem)) {
        info.Damaged = true;
        return info;
    }
    try {
        FbDatabase db;
        db.setDatabaseName(info.Path);
        db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                      QStringLiteral("lc_ctype=ASCII")});
        db.setSqlDialect(1);
        db.open();
        try {
            FbQuery q(db);
            q.setSql(QStringLiteral("select count(*) as N, max(DT_FROM) as LAST_CALL from LOG"));
            q.open();
            info.Calls = q.fieldByName(QStringLiteral("N")).asInteger();
            const FbField last = q.fieldByName(QStringLiteral("LAST_CALL"));
            if (!last.isNull())
                info.NewestCall = last.asDateTime();
            q.close();
            FbQuery state(db);
            state.setSql(QStringLiteral("select MON$BACKUP_STATE as N from MON$DATABASE"));
            state.open();
            if (state.fieldByName(QStringLiteral("N")).asInteger() != 0) {
                info.Damaged = true;
                info.Problem = QStringLiteral("the copy is still locked for a backup (taken without its end)");
            }
            state.close();
        } catch (...) {
            db.close();
            throw;
        }
        db.close();
    } catch (const AppError& e) {
        info.Damaged = true;
        info.Problem = e.message();
    }
    return info;
}

QList<TCopyInfo> InspectFolder(const QString& folder)
{
    QList<TCopyInfo> all;
    for (const BackupSet::TBackupFile& f : BackupSet::List(folder))
        all.append(Inspect(f.Path));
    return all;
}

QString StagedPath(const QString& live)
{
    return live + QStringLiteral(".restore");
}

QString AsidePath(const QString& live, const QDateTime& at)
{
    // A second restore within the same second is named a second later.
    QDateTime t = at;
    QString path;
    for (int i = 0; i < 3600; ++i, t = t.addSecs(1)) {
        path = live + QStringLiteral("_before_restore_") + t.toString(QStringLiteral("yyyyMMdd_HHmmss"));
        if (!QFileInfo::exists(path) && !QFileInfo::exists(path + QStringLiteral(".part")))
            break;
    }
    return path;
}

bool Stage(const QString& copy, const QString& live, QString* failure)
{
    const QString staged = StagedPath(live);
    if (DatabaseCopy::SameFile(copy, live)) {
        *failure = QStringLiteral("the chosen copy is the database itself");
        return false;
    }
    if (!DatabaseCopy::CopyFile(copy, staged, failure))
        return false;
    // A copy of the older on-disk structure is converted on the way in; the chosen copy
    // itself stays as it was.
    if (StructureConversion::Needed(staged)) {
        StructureConversion conversion(staged);
        conversion.setKeepOriginal(false);
        if (!conversion.Run()) {
            QFile::remove(staged);
            *failure = conversion.Failure();
            return false;
        }
    }
    const TCopyInfo check = Inspect(staged);
    if (check.Damaged) {
        QFile::remove(staged);
        *failure = check.Problem;
        return false;
    }
    takeOwnershipOf(live, staged);
    return true;
}

bool Swap(const QString& live, const QString& aside, QString* failure)
{
    const QString staged = StagedPath(live);
    if (!QFileInfo::exists(staged)) {
        *failure = QStringLiteral("no staged copy: ") + staged;
        return false;
    }
    if (QFileInfo::exists(aside)) {
        *failure = QStringLiteral("already present: ") + aside;
        return false;
    }
    // The live file keeps its path until the rename below replaces it in one step.
    if (::link(native(live).constData(), native(aside).constData()) != 0) {
        const QString partial = aside + QStringLiteral(".part");
        if (!DatabaseCopy::CopyFile(live, partial, failure))
            return false;
        if (::rename(native(partial).constData(), native(aside).constData()) != 0) {
            *failure = lastError();
            QFile::remove(partial);
            return false;
        }
    }
    if (::rename(native(staged).constData(), native(live).constData()) != 0) {
        *failure = lastError();
        // The live file is untouched; its second name is only that.
        if (sameInode(live, aside))
            ::unlink(native(aside).constData());
        return false;
    }
    return true;
}

QStringList Recover(const QString& live)
{
    QStringList done;
    const QString staged = StagedPath(live);
    const QFileInfo liveInfo(live);
    const QString pattern = liveInfo.fileName() + QStringLiteral("_before_restore_*");
    const QFileInfoList asides = liveInfo.absoluteDir().entryInfoList({pattern}, QDir::Files);
    for (const QFileInfo& a : asides) {
        // A partial copy of the live file, or a second name of it made by a swap that did
        // not get to its rename: nothing of the set-aside kind exists yet.
        if (a.fileName().endsWith(QLatin1String(".part")) || sameInode(live, a.absoluteFilePath())) {
            if (QFile::remove(a.absoluteFilePath()))
                done << QStringLiteral("removed ") + a.absoluteFilePath() + QStringLiteral(" (an interrupted restore)");
        }
    }
    if (QFileInfo::exists(staged) && QFile::remove(staged))
        done << QStringLiteral("removed ") + staged + QStringLiteral(" (an interrupted restore; the database was not replaced)");
    return done;
}

} // namespace BackupRestore
