#include "db/FbDatabase.h"

#include "db/FbEngine.h"

#include "core/AppError.h"
#include "db/DatabaseError.h"
#include "db/FbCommon.h"
#include "db/FbQuery.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

static_assert(sizeof(isc_db_handle) == sizeof(unsigned int), "handle type of the client library");

namespace {

// Maps a parameter line name to its attachment parameter.
int dpbTag(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("user_name"))
        return isc_dpb_user_name;
    if (n == QLatin1String("password"))
        return isc_dpb_password;
    if (n == QLatin1String("lc_ctype"))
        return isc_dpb_lc_ctype;
    if (n == QLatin1String("sql_role_name"))
        return isc_dpb_sql_role_name;
    if (n == QLatin1String("force_write"))
        return isc_dpb_force_write;
    return -1;
}

void appendString(QByteArray& dpb, int tag, const QByteArray& value)
{
    dpb.append(char(tag));
    dpb.append(char(qMin<qsizetype>(value.size(), 255)));
    dpb.append(value.left(255));
}

// A server path is "host:/path" (or "host/port:path"); a local one starts with '/' or has no colon.
bool isLocalPath(const QString& path)
{
    return path.startsWith(QLatin1Char('/')) || !path.contains(QLatin1Char(':'));
}

bool statPath(const QString& path, unsigned long long& device, unsigned long long& inode)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    device = static_cast<unsigned long long>(st.st_dev);
    inode = static_cast<unsigned long long>(st.st_ino);
    return true;
}

// Where the embedded engine keeps its lock files.
QString engineLockFolder()
{
    const QString set = qEnvironmentVariable("FIREBIRD_LOCK");
    return set.isEmpty() ? QStringLiteral("/tmp/firebird") : set;
}

// Firebird 4's client retries readdir() while errno says EINTR, and readdir() leaves errno as
// it was at a folder's end. An EINTR left from an earlier wait that a signal interrupted (a
// child process ending) makes the first attachment of a process, which reads the engine's
// configuration folders, loop for ever. Called right before the engine's entry points.
void clearStaleErrno()
{
    errno = 0;
}

void rollbackQuietly(isc_tr_handle* trans)
{
    ISC_STATUS_ARRAY status;
    if (*trans)
        isc_rollback_transaction(status, trans);
    *trans = 0;
}

} // namespace

FbDatabase::FbDatabase() = default;

FbDatabase::~FbDatabase()
{
    for (FbQuery* q : FQueries)
        q->release();
    if (FScopeTrans)
        rollbackQuietly(&FScopeTrans);
    if (FHandle && engineFolderAway())
        FSetAside.append(Attachment{FHandle, FFileDevice, FFileInode});
    else if (FHandle) {
        ISC_STATUS_ARRAY status;
        isc_detach_database(status, &FHandle);
    }
    FHandle = 0;
    settleSetAside();
    // Still away: left to the engine, which must then not be shut down either.
    if (!FSetAside.isEmpty())
        KeepEngineRunningAtExit();
}

bool FbDatabase::engineFolderAway() const
{
    if (FLockDevice == 0 && FLockInode == 0)
        return false;
    unsigned long long device = 0, inode = 0;
    return !statPath(engineLockFolder(), device, inode) || device != FLockDevice || inode != FLockInode;
}

bool FbDatabase::settleSetAside()
{
    if (FSetAside.isEmpty() || engineFolderAway())
        return false;
    unsigned long long device = 0, inode = 0;
    const bool present = statPath(FPath, device, inode);
    bool takenUp = false;
    while (!FSetAside.isEmpty()) {
        Attachment a = FSetAside.takeLast();
        if (!takenUp && !FHandle && present && a.FileDevice == device && a.FileInode == inode) {
            FHandle = a.Handle;
            FFileDevice = a.FileDevice;
            FFileInode = a.FileInode;
            takenUp = true;
            continue;
        }
        ISC_STATUS_ARRAY status;
        isc_detach_database(status, &a.Handle);
    }
    return takenUp;
}

void FbDatabase::open()
{
    if (FHandle)
        return;
    if (FHeldAway.isEmpty() && settleSetAside())
        return;
    // The engine would join the attachment set aside, writing into a file that is no longer
    // at its path, and could not detach later.
    if (engineFolderAway())
        throw DatabaseError(QStringLiteral("The database engine's lock folder is not there: ") + engineLockFolder());
    if (!FHeldAway.isEmpty())
        throw DatabaseError(FHeldAway);
    EnsureEngineShutdownAtExit();
    QByteArray dpb;
    dpb.append(char(isc_dpb_version1));
    for (const QString& line : FParams) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const int tag = dpbTag(line.left(eq));
        if (tag < 0)
            throw AppError(QStringLiteral("Unknown connection parameter: ") + line.left(eq));
        if (tag == isc_dpb_force_write) {
            dpb.append(char(tag));
            dpb.append(char(1));
            dpb.append(char(line.mid(eq + 1).trimmed().toInt()));
            continue;
        }
        appendString(dpb, tag, line.mid(eq + 1).toUtf8());
    }
    dpb.append(char(isc_dpb_sql_dialect));
    dpb.append(char(4));
    const qint32 dialect = FDialect;
    dpb.append(reinterpret_cast<const char*>(&dialect), 4);

    ISC_STATUS_ARRAY status;
    const QByteArray path = QFile::encodeName(FPath);
    isc_db_handle handle = 0;
    clearStaleErrno();
    if (isc_attach_database(status, 0, path.constData(), &handle, short(dpb.size()), dpb.constData()))
        FbCommon::raise(status);
    FHandle = handle;
    FFileDevice = FFileInode = 0;
    if (isLocalPath(FPath)) {
        statPath(FPath, FFileDevice, FFileInode);
        if (FLockDevice == 0 && FLockInode == 0)
            statPath(engineLockFolder(), FLockDevice, FLockInode);
    }
}

bool FbDatabase::fileReplaced() const
{
    if (!FHandle || (FFileDevice == 0 && FFileInode == 0))
        return false;
    unsigned long long device = 0, inode = 0;
    return !statPath(FPath, device, inode) || device != FFileDevice || inode != FFileInode;
}

void FbDatabase::close()
{
    for (FbQuery* q : FQueries)
        q->release();
    if (FScopeTrans)
        rollbackQuietly(&FScopeTrans);
    if (!FHandle)
        return;
    if (engineFolderAway()) {
        FSetAside.append(Attachment{FHandle, FFileDevice, FFileInode});
        FHandle = 0;
        return;
    }
    ISC_STATUS_ARRAY status;
    isc_detach_database(status, &FHandle);
    // A broken link cannot be detached cleanly; the handle is gone either way.
    FHandle = 0;
    if (FbCommon::failed(status))
        FbCommon::raise(status);
}

void FbDatabase::execute(const QString& sql)
{
    executeInOneTransaction(QStringList{sql});
}

void FbDatabase::executeInOneTransaction(const QStringList& statements)
{
    QList<QByteArray> encoded;
    for (const QString& sql : statements)
        encoded << FbCommon::encodeStatement(sql);
    ensureOpen();
    ISC_STATUS_ARRAY status;
    isc_tr_handle trans = 0;
    if (isc_start_transaction(status, &trans, 1, &FHandle, FbCommon::kWriteTpbLength, FbCommon::kWriteTpb))
        FbCommon::raise(status);
    for (int i = 0; i < statements.size(); ++i) {
        try {
            runStatementHook(statements.at(i));
        } catch (...) {
            rollbackQuietly(&trans);
            throw;
        }
        if (isc_dsql_execute_immediate(status, &FHandle, &trans, 0, encoded.at(i).constData(),
                                       (unsigned short)FDialect, nullptr)) {
            rollbackQuietly(&trans);
            FbCommon::raise(status, statements.at(i));
        }
    }
    if (isc_commit_transaction(status, &trans)) {
        rollbackQuietly(&trans);
        FbCommon::raise(status);
    }
}

bool FbDatabase::IsServerPath(const QString& path)
{
    const int colon = path.indexOf(QLatin1Char(':'));
    return !path.startsWith(QLatin1Char('/')) && colon > 1 && colon + 1 < path.size() &&
           path.at(colon + 1) == QLatin1Char('/');
}

void FbDatabase::createDatabase(const QString& path, const QString& user, const QString& password)
{
    auto quoted = [](QString s) { return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\''); };
    const QString sql = QStringLiteral("CREATE DATABASE %1 USER %2 PASSWORD %3 PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE")
                            .arg(quoted(path), quoted(user), quoted(password));
    // The path goes in the file system's encoding, not as stored text.
    const QByteArray bytes = sql.toUtf8();
    EnsureEngineShutdownAtExit();
    ISC_STATUS_ARRAY status;
    isc_db_handle db = 0;
    isc_tr_handle trans = 0;
    clearStaleErrno();
    if (isc_dsql_execute_immediate(status, &db, &trans, 0, bytes.constData(), 1, nullptr))
        FbCommon::raise(status);
    isc_detach_database(status, &db);
}
