#include "calls/DatabaseBackup.h"
#include "calls/TfrmMain.h"
#include "calls/TfrmRestore.h"
#include "core/AppError.h"
#include "core/BackgroundWork.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/SchemaUpgrade.h"
#include "db/BackupRestore.h"
#include "db/BackupSet.h"
#include "db/DatabaseCopy.h"
#include "db/FbDatabase.h"
#include "db/StructureConversion.h"
#include "db/TdmCmn.h"

#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

void TfrmMain::btnBackupClick()
{
    auto* button = findChild<QPushButton*>(QStringLiteral("btnBackup"));
    if (BackupJob::AnyRunning()) {
        MessageService::Information(QStringLiteral("バックアップを作成中です。しばらくしてからもう一度実行してください。"));
        return;
    }
    // The wait serves events; a second click must not start a second copy.
    button->setEnabled(false);
    const bool ok = AutoBackup(*dmCmn, GTelDbPath, GAutoBackupPath, true, GBackupGenerations);
    button->setEnabled(true);
    if (ok)
        MessageService::Information(QStringLiteral("バックアップ完了しました。"));
}

void TfrmMain::DailyBackupCheck()
{
    if (!FBackupTimer) {
        FBackupTimer = new QTimer(this);
        FBackupTimer->setObjectName(QStringLiteral("BackupTimer"));
        FBackupTimer->setInterval(60000);
        connect(FBackupTimer, &QTimer::timeout, this, &TfrmMain::DailyBackupCheck);
        FBackupTimer->start();
    }
    if (!GDailyBackup || GAutoBackupPath.isEmpty() || FTornDown || BackupJob::AnyRunning() || !dmCmn)
        return;
    const QDateTime now = Clock::now();
    if (FDailyRetryAfter.isValid() && now < FDailyRetryAfter)
        return;
    QStringList future;
    const QDateTime newest = BackupSet::Newest(GAutoBackupPath, now, &future);
    // Said once per copy, not at every check of the minute timer.
    static QStringList told;
    for (const QString& path : future)
        if (!told.contains(path)) {
            told << path;
            WriteLog(QStringLiteral("Backup copy dated in the future ignored (the clock was wrong when it was made?): ") +
                     path);
        }
    if (!BackupSet::DailyDue(now, GDailyBackupTime, newest))
        return;
    WriteLog(QStringLiteral("Daily backup due (%1; newest copy %2)")
                 .arg(BackupSet::LastDue(now, GDailyBackupTime).toString(QStringLiteral("yyyy/MM/dd HH:mm")),
                      newest.isValid() ? newest.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))
                                       : QStringLiteral("none")));
    auto* job = new BackupJob(*dmCmn, GTelDbPath, GAutoBackupPath, GBackupGenerations, this);
    if (!job->Start()) {
        WriteLog(QStringLiteral("Daily backup not made: ") + job->Failure());
        SetStatusText(0, QStringLiteral("毎日のバックアップができませんでした: ") + job->Failure());
        FDailyRetryAfter = now.addSecs(3600);
        delete job;
        return;
    }
    FDailyBackup = job;
    SetStatusText(0, QStringLiteral("毎日のバックアップを作成しています…"));
    connect(job, &BackupJob::finished, this, [this, job](bool ok) {
        if (ok) {
            FDailyRetryAfter = QDateTime();
            SetStatusText(0, QStringLiteral("バックアップを作成しました（") + QFileInfo(job->CopyPath()).fileName() +
                                 QStringLiteral("）"));
        } else {
            FDailyRetryAfter = Clock::now().addSecs(3600);
            WriteLog(QStringLiteral("Daily backup failed: ") + job->Failure());
            SetStatusText(0, QStringLiteral("毎日のバックアップができませんでした: ") + job->Failure());
        }
        if (FDailyBackup == job)
            FDailyBackup = nullptr;
        job->deleteLater();
    });
}

void TfrmMain::btnRestoreClick()
{
    WriteTraceLog(QStringLiteral("TfrmMain.btnRestoreClick"));
    if (FbDatabase::IsServerPath(GTelDbPath)) {
        MessageService::Information(
            QStringLiteral("データベースはサーバー（") + GTelDbPath +
            QStringLiteral("）にあります。\r\n復元はサーバーPCで、このソフトを使う全てのPCを終了してから、次のコマンドで行ってください。"
                           "\r\n\r\nzuvaro3-backup --list\r\nzuvaro3-backup --restore バックアップファイル"));
        return;
    }
    if (GAutoBackupPath.isEmpty() || !QFileInfo(GAutoBackupPath).isDir()) {
        MessageService::Warning(
            QStringLiteral("バックアップ先が無効です。環境設定画面で有効なバックアップ先を確認設定してください。"));
        return;
    }
    TfrmRestore dlg(GAutoBackupPath, this);
    dlg.Restore = [this](const QString& copy) { return RestoreDatabase(copy); };
    dlg.show();
    dlg.LoadCopies();
    if (FRestoreDialogHook)
        FRestoreDialogHook(&dlg);
    dlg.exec();
}

bool TfrmMain::RestoreDatabase(const QString& copy)
{
    WriteLog(QStringLiteral("TfrmMain.RestoreDatabase begin copy=") + copy);
    if (BackupJob::AnyRunning()) {
        MessageService::Information(QStringLiteral("バックアップを作成中です。しばらくしてからもう一度実行してください。"));
        return false;
    }
    const QString live = GTelDbPath;
    const QString failedText = QStringLiteral("バックアップから復元できませんでした。データベースは元のままです。\r\n");
    // A copy lock left by a killed backup would belong to the database set aside.
    DatabaseCopy::EndStaleBackupLock(*dmCmn);
    try {
        if (DatabaseCopy::BackupState(*dmCmn) != 0) {
            MessageService::Error(failedText + QStringLiteral("データベースがバックアップ中の状態です。"));
            return false;
        }
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("TfrmMain.RestoreDatabase E.Message=") + e.message());
    }

    // From here until the copy is in place nothing attaches to the live file: calls that
    // come meanwhile are kept in the call journal.
    FbDatabase& db = dmCmn->IBDatabase1;
    try {
        db.close();
    } catch (const std::exception&) {
    }
    db.setHeldAway(QStringLiteral("the database is being restored from a backup copy"));
    // A copy of the older on-disk structure (from a PC of the older release) is converted
    // on the way in, which takes a while.
    const bool older = StructureConversion::Needed(copy);
    if (older) {
        WriteLog(QStringLiteral("TfrmMain.RestoreDatabase the copy has on-disk structure %1: converting it")
                     .arg(StructureConversion::FileStructure(copy)));
        MessageService::Information(QStringLiteral("選んだバックアップは古い形式のため、新しい形式に変換して復元します（数分かかることがあります）。"));
    }
    SetStatusText(0, QStringLiteral("バックアップから復元しています…"));
    QString failure;
    bool staged = false;
    RunServingEvents([&]() { staged = BackupRestore::Stage(copy, live, &failure); });
    const QString aside = BackupRestore::AsidePath(live, Clock::now());
    bool swapped = false;
    if (staged && StopRequest::Requested()) {
        QFile::remove(BackupRestore::StagedPath(live));
        failure = QStringLiteral("stop requested");
    } else if (staged) {
        swapped = BackupRestore::Swap(live, aside, &failure);
        if (!swapped)
            QFile::remove(BackupRestore::StagedPath(live));
    }
    db.setHeldAway(QString());
    try {
        db.open();
        if (swapped)
            InitTables(*dmCmn, nullptr);
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("TfrmMain.RestoreDatabase open E.Message=") + e.message());
    }
    if (FPipeline)
        FPipeline->ReplayJournal();
    if (!swapped) {
        WriteLog(QStringLiteral("TfrmMain.RestoreDatabase failed: ") + failure);
        SetStatusText(0, QStringLiteral("復元できませんでした"));
        MessageService::Error(failedText + failure);
        return false;
    }
    WriteLog(QStringLiteral("TfrmMain.RestoreDatabase restored ") + copy +
             (older ? QStringLiteral(" (converted to the current on-disk structure)") : QString()) +
             QStringLiteral("; previous database kept as ") + aside);
    RefreshTables(TUpTable::All());
    SetStatusText(0, QStringLiteral("バックアップから復元しました"));
    MessageService::Information(QStringLiteral("バックアップから復元しました。\r\n") +
                                (older ? QStringLiteral("古い形式から新しい形式に変換しました。\r\n") : QString()) +
                                QStringLiteral("復元前のデータベースは次の名前で残しています。\r\n") + aside);
    return true;
}
