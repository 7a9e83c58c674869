#include "calls/DatabaseBackup.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/StopRequest.h"
#include "db/BackupSet.h"
#include "db/DatabaseCopy.h"
#include "db/TdmCmn.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
const QString kCopyFailed = QStringLiteral("データファイル 「ZUVARODB.FDB」 を指定された場所にコピーできませんでした。");
int gRunning = 0;

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The plain name holds a copy of ours when it is one of the dated copies under another
// name (a hard link), or a copy of one with its size and time.
bool PlainNameIsOurs(const QString& plain, const QString& folder)
{
    struct stat p = {};
    if (::stat(native(plain).constData(), &p) != 0)
        return true;
    for (const BackupSet::TBackupFile& f : BackupSet::List(folder)) {
        struct stat g = {};
        if (::stat(native(f.Path).constData(), &g) != 0)
            continue;
        if ((g.st_dev == p.st_dev && g.st_ino == p.st_ino) ||
            (g.st_size == p.st_size && g.st_mtim.tv_sec == p.st_mtim.tv_sec))
            return true;
    }
    return false;
}

// ZUVARODB.FDB becomes the newest copy: a second name of the dated copy where the folder's
// file system allows it, else a copy; replaced in one step, so it always names a whole copy.
// A ZUVARODB.FDB of an older version that no dated copy holds is kept aside, as before.
void PublishPlainName(const QString& folder, const QString& generation)
{
    const QString plain = folder + BackupSet::PlainName();
    WriteTraceLog(QStringLiteral("ToFile=") + plain);
    if (QFileInfo::exists(plain) && !PlainNameIsOurs(plain, folder)) {
        const QString old =
            plain + QStringLiteral("_RENAME") + Clock::now().toString(QStringLiteral("yyyyMMdd_hhmmss"));
        WriteTraceLog(QStringLiteral("ToBackFile=") + old);
        if (!QFile::rename(plain, old))
            WriteLog(QStringLiteral("TfrmMain.AutoBackup cannot rename ") + plain + QStringLiteral(" to ") + old);
    }
    const QString partial = plain + QStringLiteral(".part");
    QFile::remove(partial);
    if (::link(native(generation).constData(), native(partial).constData()) != 0) {
        QString failure;
        if (!DatabaseCopy::CopyFile(generation, partial, &failure)) {
            WriteLog(QStringLiteral("TfrmMain.AutoBackup ") + failure);
            return;
        }
        QFile copy(partial);
        if (copy.open(QIODevice::ReadWrite))
            copy.setFileTime(QFileInfo(generation).lastModified(), QFileDevice::FileModificationTime);
    }
    if (::rename(native(partial).constData(), native(plain).constData()) != 0) {
        WriteLog(QStringLiteral("TfrmMain.AutoBackup cannot rename ") + partial + QStringLiteral(": ") + lastError());
        QFile::remove(partial);
    }
}
} // namespace

BackupJob::BackupJob(TdmCmn& dm, const QString& databasePath, const QString& backupFolder, int keep, QObject* parent)
    : QObject(parent), FDm(dm), FDatabasePath(databasePath), FFolder(backupFolder), FKeep(keep)
{
}

BackupJob::~BackupJob()
{
    Wait();
}

bool BackupJob::AnyRunning()
{
    return gRunning > 0;
}

bool BackupJob::Start()
{
    WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup begin"));
    if (FFolder.isEmpty() || !QFileInfo(FFolder).isDir()) {
        FFolderProblem = true;
        FFailure = QStringLiteral("バックアップ先が無効です。環境設定画面で有効なバックアップ先を確認設定してください。");
        return false;
    }
    if (gRunning > 0) {
        FFailure = QStringLiteral("別のバックアップを作成中です。");
        return false;
    }
    FSource = LocalDatabaseFile(FDatabasePath);
    WriteTraceLog(QStringLiteral("FromFile=") + FSource);
    const QString folder = QDir(FFolder).absolutePath() + QLatin1Char('/');
    FFolder = folder;
    FTaken = Clock::now();
    FGeneration = folder + BackupSet::FileName(FTaken);
    // Moving copies about in the folder of the live database would move the database.
    if (DatabaseCopy::SameFile(FSource, folder + BackupSet::PlainName()) ||
        DatabaseCopy::SameFile(FSource, FGeneration)) {
        FFolderProblem = true;
        FFailure = QStringLiteral("バックアップ先がデータベースファイルそのものです（") + folder +
                   BackupSet::PlainName() +
                   QStringLiteral("）。環境設定画面で別のフォルダをバックアップ先に設定してください。");
        WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
        return false;
    }
    // Two copies within one second (a click right after the daily copy): the second is
    // named a second later rather than replacing the first. Copies in quick succession run
    // their names ahead of the clock; a new one is named after the newest of them, or it
    // could take a name freed by pruning, sort as the oldest and be pruned at once.
    for (const BackupSet::TBackupFile& f : BackupSet::List(folder))
        if (f.Time >= FTaken && f.Time <= FTaken.addSecs(60)) {
            FTaken = f.Time.addSecs(1);
            break; // the list is newest first
        }
    FGeneration = folder + BackupSet::FileName(FTaken);
    for (int i = 0; i < 60 && QFileInfo::exists(FGeneration); ++i) {
        FTaken = FTaken.addSecs(1);
        FGeneration = folder + BackupSet::FileName(FTaken);
    }
    FPartial = FGeneration + QStringLiteral(".part");
    WriteTraceLog(QStringLiteral("ToGeneration=") + FGeneration);
    // A folder the copy cannot go to is named before the database is locked.
    if (::access(native(folder).constData(), W_OK) != 0) {
        FFailure = DatabaseCopy::WriteFailure(QStringLiteral("the backup folder ") + folder, errno);
        WriteLog(QStringLiteral("TfrmMain.AutoBackup E.Message=") + FFailure);
        WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
        return false;
    }
    try {
        // Every call stored before the lock must be in the copy.
        FNewestCall = DatabaseCopy::NewestCallNo(FDm);
    } catch (const AppError& e) {
        FFailure = e.message();
    }
    if (FFailure.isEmpty())
        DatabaseCopy::BeginCopyLock(FDm, FSource, &FFailure);
    if (!FFailure.isEmpty()) {
        WriteLog(QStringLiteral("TfrmMain.AutoBackup E.Message=") + FFailure);
        WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
        return false;
    }
    FLocked = true;
    ++gRunning;
    FStage = Stage::Copying;
    const QString source = FSource;
    const QString partial = FPartial;
    FThread = QThread::create([this, source, partial]() { FStepOk = DatabaseCopy::CopyFile(source, partial, &FStepFailure); });
    connect(FThread, &QThread::finished, this, &BackupJob::Advance, Qt::QueuedConnection);
    FThread->start();
    return true;
}

void BackupJob::Advance()
{
    if (FStage == Stage::Copying)
        CopyDone();
    else if (FStage == Stage::Checking)
        CheckDone();
}

void BackupJob::CopyDone()
{
    if (!FThread)
        return;
    FThread->wait();
    delete FThread;
    FThread = nullptr;
    FLocked = false;
    QString endFailure;
    // A copy is only as good as the lock's end: changes still in the side file are not in it.
    if (!DatabaseCopy::EndCopyLock(FDm, FSource, &endFailure)) {
        if (FStepOk)
            FStepFailure = endFailure;
        FStepOk = false;
    }
    if (!FStepOk) {
        QFile::remove(FPartial);
        Fail(FStepFailure);
        return;
    }
    FStage = Stage::Checking;
    const QString partial = FPartial;
    const int newest = FNewestCall;
    FThread = QThread::create(
        [this, partial, newest]() { FStepOk = DatabaseCopy::FixUpAndCheck(partial, newest, &FStepFailure); });
    connect(FThread, &QThread::finished, this, &BackupJob::Advance, Qt::QueuedConnection);
    FThread->start();
}

void BackupJob::CheckDone()
{
    if (!FThread)
        return;
    FThread->wait();
    delete FThread;
    FThread = nullptr;
    if (!FStepOk) {
        QFile::remove(FPartial);
        Fail(FStepFailure);
        return;
    }
    if (::rename(native(FPartial).constData(), native(FGeneration).constData()) != 0) {
        const QString why = lastError();
        QFile::remove(FPartial);
        Fail(why);
        return;
    }
    PublishPlainName(FFolder, FGeneration);
    if (FKeep > 0)
        for (const QString& removed : BackupSet::Prune(FFolder, FKeep, Clock::now()))
            WriteLog(QStringLiteral("Old backup removed: ") + removed);
    WriteLog(QStringLiteral("Backup written: ") + FGeneration);
    Finish(true);
}

void BackupJob::Fail(const QString& why)
{
    FFailure = why;
    WriteLog(QStringLiteral("TfrmMain.AutoBackup E.Message=") + why);
    Finish(false);
}

void BackupJob::Finish(bool ok)
{
    FOk = ok;
    FStage = Stage::Done;
    --gRunning;
    WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
    emit finished(ok);
}

void BackupJob::Wait()
{
    // The queued step that the thread's end posted finds the stage moved on and does nothing.
    while (Running()) {
        if (FThread)
            FThread->wait();
        Advance();
    }
}

bool AutoBackup(TdmCmn& dm, const QString& databasePath, const QString& backupFolder, bool withMessages, int keep)
{
    BackupJob job(dm, databasePath, backupFolder, keep);
    if (!job.Start()) {
        if (job.FolderProblem()) {
            if (withMessages)
                MessageService::Warning(job.Failure());
            else
                WriteLog(job.Failure());
        } else if (withMessages) {
            MessageService::Error(kCopyFailed + QStringLiteral("\r\n") + job.Failure());
        } else {
            WriteLog(kCopyFailed + QStringLiteral("\r\n") + job.Failure());
        }
        return false;
    }
    if (withMessages && QCoreApplication::instance()) {
        // Started by hand: calls that come meanwhile are taken as usual.
        QEventLoop wait;
        QObject::connect(&job, &BackupJob::finished, &wait, &QEventLoop::quit);
        if (job.Running())
            StopRequest::Exec(wait);
    }
    job.Wait();
    if (!job.Succeeded()) {
        if (withMessages)
            MessageService::Error(kCopyFailed + QStringLiteral("\r\n") + job.Failure());
        else
            WriteLog(kCopyFailed + QStringLiteral("\r\n") + job.Failure());
        return false;
    }
    return true;
}
