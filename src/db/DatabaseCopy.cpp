#include "db/DatabaseCopy.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <sys/stat.h>

QString LocalDatabaseFile(const QString& databasePath)
{
    // "host:/path" and "host/port:/path": the server's file, as the server PC sees it.
    if (FbDatabase::IsServerPath(databasePath))
        return databasePath.mid(databasePath.indexOf(QLatin1Char(':')) + 1);
    return databasePath;
}

namespace DatabaseCopy {

namespace {
// The first column of the one row of a monitoring query, as a number.
int monitoredNumber(TdmCmn& dm, const QString& sql)
{
    FbQuery& q = dm.IBQueryFnc;
    q.setSql(sql);
    try {
        q.open();
        const int n = q.eof() ? 0 : q.fieldByName(QStringLiteral("N")).asInteger();
        q.close();
        return n;
    } catch (...) {
        q.release();
        throw;
    }
}

int OtherAttachments(TdmCmn& dm)
{
    return monitoredNumber(dm, QStringLiteral("select count(*) as N from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> "
                                              "CURRENT_CONNECTION and MON$SYSTEM_FLAG = 0"));
}
} // namespace

int BackupState(TdmCmn& dm)
{
    return monitoredNumber(dm, QStringLiteral("select MON$BACKUP_STATE as N from MON$DATABASE"));
}

bool EndStaleBackupLock(TdmCmn& dm)
{
    try {
        const int state = BackupState(dm);
        if (state == 0)
            return false;
        // On a server another PC may be copying right now; its lock is only ours to end
        // when nobody else is attached.
        if (OtherAttachments(dm) > 0) {
            WriteLog(QStringLiteral("The database is locked for a copy (MON$BACKUP_STATE=%1) while other programs "
                                    "are attached; left as it is")
                         .arg(state));
            return false;
        }
        WriteLog(QStringLiteral("The database was left locked for a copy (MON$BACKUP_STATE=%1); ending it").arg(state));
        dm.ExecSql(QStringLiteral("ALTER DATABASE END BACKUP"));
        return true;
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("EndStaleBackupLock E.Message=") + e.message());
        return false;
    }
}

// A copy taken while the database was frozen still says so in its header; clear that and
// prove that the copy opens.
bool FixUpAndCheck(const QString& copy, QString* failure)
{
    const QString nbackup = QStandardPaths::findExecutable(QStringLiteral("nbackup"));
    if (nbackup.isEmpty()) {
        *failure = QStringLiteral("nbackup not found");
        return false;
    }
    QProcess fix;
    fix.start(nbackup, {QStringLiteral("-F"), copy});
    if (!fix.waitForFinished(120000) || fix.exitStatus() != QProcess::NormalExit || fix.exitCode() != 0) {
        *failure = QStringLiteral("nbackup -F: ") + QString::fromLocal8Bit(fix.readAllStandardError()).trimmed();
        return false;
    }
    try {
        FbDatabase check;
        check.setDatabaseName(copy);
        check.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                         QStringLiteral("lc_ctype=ASCII")});
        check.setSqlDialect(1);
        check.open();
        {
            FbQuery q(check);
            q.setSql(QStringLiteral("select count(*) as N from RDB$RELATIONS"));
            q.open();
            q.close();
        }
        check.close();
    } catch (const AppError& e) {
        *failure = e.message();
        return false;
    }
    return true;
}

bool CopyFile(const QString& source, const QString& target, QString* failure)
{
    QFile::remove(target);
    if (QFile::copy(source, target)) {
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
        return true;
    }
    *failure = QStringLiteral("cannot copy ") + source + QStringLiteral(" to ") + target;
    QFile::remove(target);
    return false;
}

bool MakeConsistentCopy(TdmCmn& dm, const QString& source, const QString& target, QString* failure)
{
    QFile::remove(target);
    bool copied = false;
    try {
        dm.ExecSql(QStringLiteral("ALTER DATABASE BEGIN BACKUP"));
        try {
            copied = CopyFile(source, target, failure);
        } catch (...) {
            dm.ExecSql(QStringLiteral("ALTER DATABASE END BACKUP"));
            throw;
        }
        dm.ExecSql(QStringLiteral("ALTER DATABASE END BACKUP"));
    } catch (const AppError& e) {
        *failure = e.message();
        QFile::remove(target);
        return false;
    }
    if (!copied)
        return false;
    if (!FixUpAndCheck(target, failure)) {
        QFile::remove(target);
        return false;
    }
    return true;
}

bool SameFile(const QString& a, const QString& b)
{
    struct stat sa = {}, sb = {};
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    // One does not exist yet: the same path once links are resolved in the folders.
    const auto canonical = [](const QString& path) {
        const QFileInfo f(path);
        return f.exists() ? f.canonicalFilePath() : f.absoluteDir().canonicalPath() + QLatin1Char('/') + f.fileName();
    };
    return canonical(a) == canonical(b);
}

} // namespace DatabaseCopy
