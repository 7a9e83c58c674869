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
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QSysInfo>
#include <QCoreApplication>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
qint64 monitoredNumber(TdmCmn& dm, const QString& sql)
{
    FbQuery& q = dm.IBQueryFnc;
    q.setSql(sql);
    try {
        q.open();
        const qint64 n = q.eof() || q.field(0).isNull() ? 0 : q.field(0).asInt64();
        q.close();
        return n;
    } catch (...) {
        q.release();
        throw;
    }
}

int OtherAttachments(TdmCmn& dm)
{
    return int(monitoredNumber(dm, QStringLiteral("select count(*) as N from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> "
                                                  "CURRENT_CONNECTION and MON$SYSTEM_FLAG = 0")));
}

bool Attached(TdmCmn& dm, qint64 attachment)
{
    return monitoredNumber(dm, QStringLiteral("select count(*) as N from MON$ATTACHMENTS where MON$ATTACHMENT_ID = %1")
                                   .arg(attachment)) > 0;
}

QString databaseFileOf(TdmCmn& dm)
{
    return LocalDatabaseFile(dm.IBDatabase1.databaseName());
}

bool readMarker(const QString& databaseFile, TLockHolder* holder)
{
    QFile f(LockMarkerPath(databaseFile));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const int eq = line.indexOf('=');
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1).trimmed();
        if (key == "pid")
            holder->Pid = value.toLongLong();
        else if (key == "host")
            holder->Host = QString::fromUtf8(value);
        else if (key == "attachment")
            holder->Attachment = value.toLongLong();
    }
    return holder->Attachment > 0;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// The marker's copier still holds its lock: its attachment is there and, on this host, its
// process lives (a killed process's attachment may linger a moment on a server).
bool holderAlive(TdmCmn& dm, const TLockHolder& holder)
{
    if (holder.Host == QSysInfo::machineHostName() && !processAlive(holder.Pid))
        return false;
    return Attached(dm, holder.Attachment);
}

QString holderText(const TLockHolder& h)
{
    return QStringLiteral("process %1 on %2, attachment %3").arg(h.Pid).arg(h.Host).arg(h.Attachment);
}

bool sideFileLeft(const QString& databaseFile)
{
    return QFileInfo::exists(databaseFile + QStringLiteral(".delta"));
}

// Ends the lock and proves it. A copier killed inside the engine's own end of the lock leaves
// a database the engine shows as locked but refuses to end ("not in the physical backup
// mode") while the side file still holds changes; a lock begun and ended anew merges them.
bool endLock(TdmCmn& dm, const QString& databaseFile, QString* failure)
{
    QString refused;
    try {
        dm.ExecSql(QStringLiteral("ALTER DATABASE END BACKUP"));
    } catch (const AppError& e) {
        refused = e.message();
    }
    try {
        int state = BackupState(dm);
        if (!refused.isEmpty() && (state != 0 || sideFileLeft(databaseFile))) {
            WriteLog(QStringLiteral("END BACKUP refused (") + refused.simplified() +
                     QStringLiteral(") with MON$BACKUP_STATE=%1; the lock is begun and ended anew to merge the side file")
                         .arg(state));
            dm.ExecSql(QStringLiteral("ALTER DATABASE BEGIN BACKUP"));
            dm.ExecSql(QStringLiteral("ALTER DATABASE END BACKUP"));
            state = BackupState(dm);
        }
        // A side file the engine no longer uses may stay a while; the state decides.
        if (state == 0)
            return true;
        *failure = QStringLiteral("the database stays locked for a copy (MON$BACKUP_STATE=%1)").arg(state) +
                   (refused.isEmpty() ? QString() : QStringLiteral(": ") + refused);
    } catch (const AppError& e) {
        *failure = refused.isEmpty() ? e.message() : refused + QStringLiteral(" / ") + e.message();
    }
    return false;
}
} // namespace

QString LockMarkerPath(const QString& databaseFile)
{
    return databaseFile + QStringLiteral(".copylock");
}

bool WriteLockMarker(const QString& databaseFile, const TLockHolder& holder)
{
    QSaveFile f(LockMarkerPath(databaseFile));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QStringLiteral("pid=%1\nhost=%2\nattachment=%3\n").arg(holder.Pid).arg(holder.Host).arg(holder.Attachment).toUtf8());
    return f.commit();
}

int BackupState(TdmCmn& dm)
{
    return int(monitoredNumber(dm, QStringLiteral("select MON$BACKUP_STATE as N from MON$DATABASE")));
}

namespace {
// Ends the lock of a copier that is gone; state is the engine's (as monitored, or as its
// refusal to begin a lock told).
bool endStale(TdmCmn& dm, const QString& file, int state, QString* why)
{
    QString failure;
    try {
        TLockHolder holder;
        const bool marked = readMarker(file, &holder);
        if (state == 0 && !sideFileLeft(file)) {
            // A copier killed before its lock began, or after it ended.
            if (marked)
                QFile::remove(LockMarkerPath(file));
            return true;
        }
        if (marked) {
            if (holderAlive(dm, holder)) {
                failure = QStringLiteral("the database is locked by a copy in progress (%1)").arg(holderText(holder));
                WriteLog(failure + QStringLiteral("; left as it is"));
                if (why)
                    *why = failure;
                return false;
            }
            WriteLog(QStringLiteral("The database was left locked for a copy (MON$BACKUP_STATE=%1) by %2, which is "
                                    "gone; ending it")
                         .arg(state)
                         .arg(holderText(holder)));
        } else if (OtherAttachments(dm) > 0) {
            // Without a marker the lock may be another PC's copy under way.
            failure = QStringLiteral("the database is locked for a copy (MON$BACKUP_STATE=%1) while other programs are "
                                     "attached, and no copier is named in %2")
                          .arg(state)
                          .arg(LockMarkerPath(file));
            WriteLog(failure + QStringLiteral("; left as it is"));
            if (why)
                *why = failure;
            return false;
        } else {
            WriteLog(QStringLiteral("The database was left locked for a copy (MON$BACKUP_STATE=%1); ending it").arg(state));
        }
        if (endLock(dm, file, &failure)) {
            QFile::remove(LockMarkerPath(file));
            return true;
        }
    } catch (const AppError& e) {
        failure = e.message();
    }
    WriteLog(QStringLiteral("EndStaleBackupLock E.Message=") + failure);
    if (why)
        *why = failure;
    return false;
}

void beginLock(TdmCmn& dm)
{
    dm.ExecSql(QStringLiteral("ALTER DATABASE BEGIN BACKUP"));
    const int state = BackupState(dm);
    if (state != 1)
        throw AppError(QStringLiteral("the engine did not lock the database for the copy (MON$BACKUP_STATE=%1)").arg(state));
}
} // namespace

bool EndStaleBackupLock(TdmCmn& dm, QString* why)
{
    int state = 0;
    try {
        state = BackupState(dm);
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("EndStaleBackupLock E.Message=") + e.message());
        if (why)
            *why = e.message();
        return false;
    }
    return endStale(dm, databaseFileOf(dm), state, why);
}

bool BeginCopyLock(TdmCmn& dm, const QString& databaseFile, QString* failure)
{
    if (!EndStaleBackupLock(dm, failure))
        return false;
    try {
        TLockHolder me;
        me.Pid = QCoreApplication::applicationPid();
        me.Host = QSysInfo::machineHostName();
        me.Attachment = monitoredNumber(dm, QStringLiteral("select CURRENT_CONNECTION as N from RDB$DATABASE"));
        // Read before it is replaced: whose lock the engine may still hold.
        TLockHolder before;
        const bool markedBefore = readMarker(databaseFile, &before);
        // Written first: a kill right after the lock begins leaves it named.
        if (!WriteLockMarker(databaseFile, me))
            WriteLog(QStringLiteral("cannot write ") + LockMarkerPath(databaseFile) +
                     QStringLiteral(": a kill during this copy would leave a lock that only ends once nobody is attached"));
        try {
            try {
                beginLock(dm);
            } catch (const AppError& e) {
                // Right after a kill the monitored state may say normal while the engine
                // still holds the dead copier's lock.
                if (!e.message().contains(QLatin1String("already in the physical backup mode")))
                    throw;
                if (markedBefore)
                    WriteLockMarker(databaseFile, before);
                else
                    QFile::remove(LockMarkerPath(databaseFile));
                QString why;
                if (!endStale(dm, databaseFile, 1, &why))
                    throw AppError(why);
                WriteLockMarker(databaseFile, me);
                beginLock(dm);
            }
        } catch (...) {
            QFile::remove(LockMarkerPath(databaseFile));
            throw;
        }
    } catch (const AppError& e) {
        *failure = e.message();
        return false;
    }
    return true;
}

bool EndCopyLock(TdmCmn& dm, const QString& databaseFile, QString* failure)
{
    if (!endLock(dm, databaseFile, failure))
        return false;
    QFile::remove(LockMarkerPath(databaseFile));
    return true;
}

int NewestCallNo(TdmCmn& dm)
{
    return int(monitoredNumber(dm, QStringLiteral("select max(LOG_NO) as N from LOG")));
}

QString WriteFailure(const QString& what, int error)
{
    const QString system = QString::fromLocal8Bit(std::strerror(error));
    if (error == ENOSPC || error == EDQUOT || error == EFBIG)
        return QStringLiteral("容量不足（ディスクの空きが足りません）: ") + what + QStringLiteral(" (") + system +
               QLatin1Char(')');
    if (error == EROFS || error == EACCES || error == EPERM)
        return QStringLiteral("書き込めません（読み取り専用か、書き込む権限がありません）: ") + what +
               QStringLiteral(" (") + system + QLatin1Char(')');
    return what + QStringLiteral(": ") + system;
}

void EndsWithUs(QProcess& tool)
{
    tool.setChildProcessModifier([]() { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

bool Validate(const QString& file, QString* failure)
{
    const QString gfix = QStandardPaths::findExecutable(QStringLiteral("gfix"));
    if (gfix.isEmpty()) {
        *failure = QStringLiteral("cannot check the copy: gfix not found (firebird3.0-utils)");
        return false;
    }
    QProcess check;
    EndsWithUs(check);
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(gfix, {QStringLiteral("-v"), QStringLiteral("-full"), QStringLiteral("-n"), QStringLiteral("-user"),
                       QStringLiteral("SYSDBA"), file});
    const bool ended = check.waitForFinished(600000);
    const QString said = QString::fromLocal8Bit(check.readAll()).simplified();
    // Warnings alone (a page allocated but not yet used, as a copy under the lock may hold)
    // leave every record readable; errors do not.
    static const QRegularExpression errors(QStringLiteral("Number of [a-z ]*errors\\s*:\\s*[1-9]"));
    if (!ended || check.exitStatus() != QProcess::NormalExit || check.exitCode() != 0 || errors.match(said).hasMatch() ||
        (!said.isEmpty() && !said.contains(QLatin1String("Summary of validation errors")))) {
        *failure = QStringLiteral("the engine's check of ") + file + QStringLiteral(" failed: ") +
                   (said.isEmpty() ? QStringLiteral("gfix exit %1").arg(check.exitCode()) : said);
        return false;
    }
    return true;
}

// A copy taken while the database was frozen still says so in its header; clear that,
// check the whole file and prove that it holds the newest call.
bool FixUpAndCheck(const QString& copy, int newestCallNo, QString* failure)
{
    const QString nbackup = QStandardPaths::findExecutable(QStringLiteral("nbackup"));
    if (nbackup.isEmpty()) {
        *failure = QStringLiteral("nbackup not found");
        return false;
    }
    QProcess fix;
    EndsWithUs(fix);
    fix.start(nbackup, {QStringLiteral("-F"), copy});
    if (!fix.waitForFinished(120000) || fix.exitStatus() != QProcess::NormalExit || fix.exitCode() != 0) {
        *failure = QStringLiteral("nbackup -F: ") + QString::fromLocal8Bit(fix.readAllStandardError()).trimmed();
        return false;
    }
    if (!Validate(copy, failure))
        return false;
    try {
        FbDatabase check;
        check.setDatabaseName(copy);
        check.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                         QStringLiteral("lc_ctype=ASCII")});
        check.setSqlDialect(1);
        check.open();
        int held = 1;
        if (newestCallNo > 0) {
            FbQuery q(check);
            q.setSql(QStringLiteral("select count(*) as N from LOG where LOG_NO = %1").arg(newestCallNo));
            q.open();
            held = q.field(0).asInteger();
            q.close();
        }
        check.close();
        if (held == 0) {
            *failure = QStringLiteral("the copy lacks the newest call (LOG_NO %1): it is not written").arg(newestCallNo);
            return false;
        }
    } catch (const AppError& e) {
        *failure = e.message();
        return false;
    }
    return true;
}

bool CopyFile(const QString& source, const QString& target, QString* failure)
{
    QFile::remove(target);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *failure = QStringLiteral("cannot copy ") + source + QStringLiteral(" to ") + target + QStringLiteral(": ") +
                   in.errorString();
        return false;
    }
    const QString what = QStringLiteral("cannot copy ") + source + QStringLiteral(" to ") + target;
    const QFileInfo targetInfo(target);
    const QStorageInfo disk(targetInfo.absolutePath());
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < in.size()) {
        *failure = WriteFailure(what + QStringLiteral(", %1 bytes needed, %2 free").arg(in.size()).arg(disk.bytesAvailable()),
                                ENOSPC);
        return false;
    }
    const int out = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0660);
    if (out < 0) {
        *failure = WriteFailure(what, errno);
        return false;
    }
    ::fchmod(out, 0660);
    int error = 0;
    bool readFailed = false;
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            *failure = what + QStringLiteral(": ") + in.errorString();
            readFailed = true;
            break;
        }
        if (n == 0)
            break;
        for (qint64 done = 0; done < n && !error;) {
            const ssize_t w = ::write(out, buffer.constData() + done, size_t(n - done));
            if (w < 0 && errno != EINTR)
                error = errno;
            else if (w > 0)
                done += w;
        }
        if (error)
            break;
    }
    if (!error && !readFailed && ::fsync(out) != 0)
        error = errno;
    if (::close(out) != 0 && !error)
        error = errno;
    if (error)
        *failure = WriteFailure(what, error);
    if (error || readFailed) {
        QFile::remove(target);
        return false;
    }
    return true;
}

bool MakeConsistentCopy(TdmCmn& dm, const QString& source, const QString& target, QString* failure)
{
    QFile::remove(target);
    int newest = 0;
    try {
        newest = NewestCallNo(dm);
    } catch (const AppError&) {
        // A database from before the call log: nothing to prove.
    }
    if (!BeginCopyLock(dm, source, failure))
        return false;
    bool copied = false;
    try {
        copied = CopyFile(source, target, failure);
    } catch (...) {
        QString ignored;
        EndCopyLock(dm, source, &ignored);
        throw;
    }
    QString endFailure;
    if (!EndCopyLock(dm, source, &endFailure) && copied) {
        *failure = endFailure;
        copied = false;
    }
    if (!copied || !FixUpAndCheck(target, newest, failure)) {
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
