// zuvaro3-backup: the program's backups for scripts and for the server PC: a copy now, the
// list of copies, pruning, and the restore of a copy while no program uses the database.

#include "calls/DatabaseBackup.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/SharedData.h"
#include "core/StartupSettings.h"
#include "db/BackupRestore.h"
#include "db/BackupSet.h"
#include "db/DatabaseCopy.h"
#include "db/DatabaseError.h"
#include "db/FbDatabase.h"
#include "db/FbEngine.h"
#include "db/FbQuery.h"
#include "db/StructureConversion.h"
#include "db/TdmCmn.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
// The Firebird client keeps a few allocations for the life of the process; in a sanitizer
// build they must not turn a good run into a failed exit.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {

enum Exit { Done = 0, Failed = 1, Usage = 2, InUse = 3 };

void say(const QString& text)
{
    std::fprintf(stderr, "zuvaro3-backup: %s\n", qPrintable(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
}

QString sizeText(qint64 bytes)
{
    return QString::number(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

// Attaches to the database of the settings. A local file held by a running program cannot
// be opened by a second one: that is reported as in use.
int attach(TdmCmn& dm, const QString& path)
{
    if (const QString older = StructureConversion::ToolRefusal(path); !older.isEmpty()) {
        say(older);
        return Failed;
    }
    try {
        dm.IBDatabase1.ensureOpen();
        return Done;
    } catch (const DatabaseError& e) {
        if (SharedData::IsLockFolderFailure(e.message())) {
            say(e.message() + QLatin1Char('\n') + SharedData::LockFolderFailureToolText());
            return Failed;
        }
        if (!FbDatabase::IsServerPath(path) && QFileInfo::exists(path) && SharedData::IsHeldByAnotherProgram(e.message())) {
            say(QStringLiteral("the database %1 is open in another program (the running zuvaro3): %2").arg(path, e.message()));
            return InUse;
        }
        say(QStringLiteral("cannot open the database %1: %2").arg(path, e.message()));
        return Failed;
    }
}

int otherAttachments(TdmCmn& dm)
{
    FbQuery q(dm.IBDatabase1);
    q.setSql(QStringLiteral("select count(*) as N from MON$ATTACHMENTS where MON$ATTACHMENT_ID <> CURRENT_CONNECTION "
                            "and MON$SYSTEM_FLAG = 0"));
    q.open();
    const int n = q.fieldByName(QStringLiteral("N")).asInteger();
    q.close();
    return n;
}

int list(const QString& folder)
{
    const QList<BackupRestore::TCopyInfo> copies = BackupRestore::InspectFolder(folder);
    for (const BackupRestore::TCopyInfo& c : copies) {
        const QString state = c.Damaged          ? QStringLiteral("DAMAGED (") + c.Problem.simplified() + QLatin1Char(')')
                              : c.OlderStructure ? QStringLiteral("OLDER STRUCTURE %1 (converted when restored)").arg(c.OlderStructure)
                                                 : QStringLiteral("ok");
        const QString newest = c.Damaged || c.OlderStructure ? QStringLiteral("-")
                               : c.NewestCall.isValid() ? c.NewestCall.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
                                                        : QStringLiteral("no calls");
        std::printf("%s  %10s  newest call %-19s  %s  %s\n", qPrintable(c.Taken.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))),
                    qPrintable(sizeText(c.Size)), qPrintable(newest), qPrintable(QFileInfo(c.Path).fileName()),
                    qPrintable(state));
    }
    if (copies.isEmpty())
        std::printf("no copies in %s\n", qPrintable(folder));
    return Done;
}

int prune(const QString& folder, int keep)
{
    for (const QString& removed : BackupSet::Prune(folder, keep, Clock::now())) {
        WriteLog(QStringLiteral("zuvaro3-backup: old backup removed: ") + removed);
        std::printf("removed %s\n", qPrintable(removed));
    }
    return Done;
}

int copyNow(const QString& folder, int keep)
{
    TdmCmn dm(GTelDbPath);
    const int rc = attach(dm, GTelDbPath);
    if (rc != Done) {
        if (rc == InUse)
            say(QStringLiteral("the running program makes its own copies (its daily copy, or the \"バックアップ\" button)"));
        return rc;
    }
    if (FbDatabase::IsServerPath(GTelDbPath) && !QFileInfo::exists(LocalDatabaseFile(GTelDbPath))) {
        say(QStringLiteral("the database file %1 is not on this PC: run the copy on the server PC").arg(LocalDatabaseFile(GTelDbPath)));
        return Failed;
    }
    BackupJob job(dm, GTelDbPath, folder, keep);
    if (!job.Start()) {
        say(job.FolderProblem() ? job.Failure() : QStringLiteral("the copy failed: ") + job.Failure());
        return Failed;
    }
    job.Wait();
    dm.IBDatabase1.close();
    if (!job.Succeeded()) {
        say(QStringLiteral("the copy failed: ") + job.Failure());
        return Failed;
    }
    std::printf("%s\n", qPrintable(job.CopyPath()));
    return Done;
}

int restore(const QString& folder, const QString& chosen)
{
    QString copy = chosen;
    if (!QFileInfo::exists(copy) && QFileInfo::exists(folder + QLatin1Char('/') + chosen))
        copy = folder + QLatin1Char('/') + chosen;
    const QString live = LocalDatabaseFile(GTelDbPath);
    if (!QFileInfo::exists(live)) {
        say(QStringLiteral("the database file %1 is not on this PC%2").arg(live,
            FbDatabase::IsServerPath(GTelDbPath) ? QStringLiteral(": run the restore on the server PC") : QString()));
        return Failed;
    }
    for (const QString& line : BackupRestore::Recover(live))
        WriteLog(QStringLiteral("zuvaro3-backup: restore recovery: ") + line);
    const BackupRestore::TCopyInfo info = BackupRestore::Inspect(copy);
    if (info.Damaged) {
        say(QStringLiteral("refused: %1 is damaged (%2); nothing was changed").arg(copy, info.Problem));
        return Failed;
    }
    {
        TdmCmn dm(GTelDbPath);
        const int rc = attach(dm, GTelDbPath);
        if (rc == InUse)
            say(QStringLiteral("refused: end the program on every PC before a restore; nothing was changed"));
        if (rc != Done)
            return rc;
        try {
            const int others = otherAttachments(dm);
            if (others > 0) {
                say(QStringLiteral("refused: %1 program(s) are attached to the database; end the program on every PC "
                                   "before a restore; nothing was changed")
                        .arg(others));
                return InUse;
            }
            DatabaseCopy::EndStaleBackupLock(dm);
            if (DatabaseCopy::BackupState(dm) != 0) {
                say(QStringLiteral("refused: the database is locked for a copy; nothing was changed"));
                return Failed;
            }
        } catch (const AppError& e) {
            say(e.message());
            return Failed;
        }
        dm.IBDatabase1.close();
    }
    QString failure;
    if (!BackupRestore::Stage(copy, live, &failure)) {
        say(QStringLiteral("cannot restore %1: %2; nothing was changed").arg(copy, failure));
        return Failed;
    }
    const QString aside = BackupRestore::AsidePath(live, Clock::now());
    if (!BackupRestore::Swap(live, aside, &failure)) {
        QFile::remove(BackupRestore::StagedPath(live));
        say(QStringLiteral("cannot restore %1: %2; nothing was changed").arg(copy, failure));
        return Failed;
    }
    WriteLog(QStringLiteral("zuvaro3-backup: restored ") + copy + QStringLiteral("; previous database kept as ") + aside);
    std::printf("restored %s\nthe previous database is kept as %s\n", qPrintable(copy), qPrintable(aside));
    return Done;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuvaro3-backup"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZUVARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The database backups of Zuvaro3 for scripts and the server PC. Copies are written to the backup folder\n"
        "of the settings file (AUTO_BACKUP_PATH) as ZUVARODB_<yyyymmdd_hhnnss>.FDB, the newest also as\n"
        "ZUVARODB.FDB; the database is the one named in the settings file below ZUVARO_DATA_ROOT.\n"
        "Exit status: 0 success, 1 failure, 2 wrong arguments, 3 refused because the database is in use.\n"
        "\n"
        "Example (crontab of the server PC: a copy every night at 1:15, keeping 14):\n"
        "  15 1 * * * zuvaro3-backup --now --keep 14"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption now(QStringLiteral("now"), QStringLiteral("Make a consistent copy of the database now."));
    const QCommandLineOption listing(QStringLiteral("list"),
                                     QStringLiteral("List the copies: time, size, newest call, and whether each opens."));
    const QCommandLineOption restoreOpt(QStringLiteral("restore"),
                                        QStringLiteral("Put a copy in place of the database (no program may be attached);\n"
                                                       "the database is kept as <database>_before_restore_<time>."),
                                        QStringLiteral("file"));
    const QCommandLineOption keep(QStringLiteral("keep"),
                                  QStringLiteral("Keep the newest <n> copies and remove older ones (with --now: after the copy;\n"
                                                 "default for --now: BACKUP_GENERATIONS)."),
                                  QStringLiteral("n"));
    const QCommandLineOption folderOpt(QStringLiteral("folder"),
                                       QStringLiteral("The backup folder, instead of the settings' AUTO_BACKUP_PATH."),
                                       QStringLiteral("dir"));
    parser.addOptions({now, listing, restoreOpt, keep, folderOpt});
    parser.process(app);

    const int actions = int(parser.isSet(now)) + int(parser.isSet(listing)) + int(parser.isSet(restoreOpt));
    bool keepOk = true;
    const int keepCount = parser.isSet(keep) ? parser.value(keep).toInt(&keepOk) : 0;
    if (actions > 1 || (actions == 0 && !parser.isSet(keep)) || !keepOk || (parser.isSet(keep) && keepCount < 1) ||
        !parser.positionalArguments().isEmpty() || (parser.isSet(keep) && actions == 1 && !parser.isSet(now))) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.helpText()));
        return Usage;
    }

    SharedData::PrepareProcess();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    LoadStartupSettings();

    const QString folder = parser.isSet(folderOpt) ? parser.value(folderOpt) : GAutoBackupPath;
    int rc = Failed;
    if (folder.isEmpty()) {
        say(QStringLiteral("no backup folder: set one in the settings dialog (AUTO_BACKUP_PATH) or give --folder"));
    } else if (!QFileInfo(folder).isDir()) {
        say(QStringLiteral("the backup folder \"%1\" does not exist: create it first").arg(folder));
    } else if (parser.isSet(now)) {
        rc = copyNow(folder, parser.isSet(keep) ? keepCount : GBackupGenerations);
    } else if (parser.isSet(listing)) {
        rc = list(folder);
    } else if (parser.isSet(restoreOpt)) {
        rc = restore(folder, parser.value(restoreOpt));
    } else {
        rc = prune(folder, keepCount);
    }
    ShutdownEngine();
    // Run as root (from cron), the copies, the database and what a restore set aside go
    // back to their folders' group, wherever the backup folder is.
    QStringList made;
    if (!folder.isEmpty())
        for (const QFileInfo& copy : QDir(folder).entryInfoList(QDir::Files))
            made << copy.absoluteFilePath();
    const QFileInfo live(LocalDatabaseFile(GTelDbPath));
    if (!FbDatabase::IsServerPath(GTelDbPath) || live.exists())
        for (const QFileInfo& file : live.absoluteDir().entryInfoList({live.fileName() + QLatin1Char('*')}, QDir::Files))
            made << file.absoluteFilePath();
    SharedData::HandBackToGroup(made);
    CloseSettingsFile();
    return rc;
}
