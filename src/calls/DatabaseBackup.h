#pragma once

#include "db/DatabaseCopy.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class QThread;
class TdmCmn;

// One consistent copy of the open database into the backup folder, as a dated copy
// ZUVARODB_<yyyymmdd_hhnnss>.FDB (db/BackupSet.h) that is also published as ZUVARODB.FDB.
// The database is locked for the copy (db/DatabaseCopy.h) only while its file is read; the
// file is copied and the copy proved on a worker thread, so the program goes on serving
// calls (written to the database as usual) meanwhile. The copy is made under a temporary
// name and takes its own name only once the engine's check of the whole file passed and it
// holds the newest call stored before the lock; then the oldest dated copies beyond the
// kept number are removed. One copy at a time per process.
class BackupJob : public QObject
{
    Q_OBJECT
public:
    // keep: how many dated copies the folder keeps (0 keeps all).
    BackupJob(TdmCmn& dm, const QString& databasePath, const QString& backupFolder, int keep,
              QObject* parent = nullptr);
    ~BackupJob() override;

    // Checks the folder, locks the database and starts the copy. False (with Failure() set)
    // when it could not start; finished is then not emitted.
    bool Start();
    bool Running() const { return FStage != Stage::Idle && FStage != Stage::Done; }
    // Blocks until the copy is complete (without serving events).
    void Wait();

    bool Succeeded() const { return FOk; }
    // The invalid-folder message, the refusal of the database itself, or the copy's error.
    QString Failure() const { return FFailure; }
    // True when the failure is about the folder (a warning), not the copy (an error).
    bool FolderProblem() const { return FFolderProblem; }
    QString CopyPath() const { return FGeneration; }
    QDateTime Taken() const { return FTaken; }

    // A copy is under way somewhere in this process.
    static bool AnyRunning();

signals:
    void finished(bool ok);

private:
    enum class Stage { Idle, Copying, Checking, Done };
    void CopyDone();
    void CheckDone();
    void Fail(const QString& why);
    void Finish(bool ok);
    void Advance();

    TdmCmn& FDm;
    QString FDatabasePath;
    QString FFolder;
    int FKeep;
    Stage FStage = Stage::Idle;
    QThread* FThread = nullptr;
    bool FStepOk = false;
    bool FLocked = false;
    int FNewestCall = 0;
    bool FOk = false;
    bool FFolderProblem = false;
    QString FStepFailure;
    QString FFailure;
    QString FSource;
    QString FPartial;
    QString FGeneration;
    QDateTime FTaken;
};

// The "バックアップ" button (withMessages: the user hears of success's absence and its
// reason; the wait serves events so calls keep coming in) and the backup at program end
// (without: failures are only logged). keep as for BackupJob.
bool AutoBackup(TdmCmn& dm, const QString& databasePath, const QString& backupFolder, bool withMessages,
                int keep = 0);
