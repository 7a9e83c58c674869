#include "calls/DatabaseBackup.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {
const QString kCopyFailed = QStringLiteral("データファイル 「ZUVARODB.FDB」 を指定された場所にコピーできませんでした。");

void report(bool withMessages, MsgKind kind, const QString& text)
{
    if (withMessages)
        MessageService::Show(kind, text);
    else
        WriteLog(text);
}

// A copy taken while the database was frozen still says so in its header; clear that and
// prove that the copy opens.
bool FixUpAndCheck(const QString& copy)
{
    const QString nbackup = QStandardPaths::findExecutable(QStringLiteral("nbackup"));
    if (nbackup.isEmpty()) {
        WriteLog(QStringLiteral("TfrmMain.AutoBackup nbackup not found"));
        return false;
    }
    QProcess fix;
    fix.start(nbackup, {QStringLiteral("-F"), copy});
    if (!fix.waitForFinished(120000) || fix.exitStatus() != QProcess::NormalExit || fix.exitCode() != 0) {
        WriteLog(QStringLiteral("TfrmMain.AutoBackup nbackup -F: ") + QString::fromLocal8Bit(fix.readAllStandardError()));
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
        WriteLog(QStringLiteral("TfrmMain.AutoBackup check E.Message=") + e.message());
        return false;
    }
    return true;
}
} // namespace

QString LocalDatabaseFile(const QString& databasePath)
{
    const int colon = databasePath.indexOf(QLatin1Char(':'));
    if (colon > 0 && colon + 1 < databasePath.size() && databasePath.at(colon + 1) == QLatin1Char('/') &&
        !databasePath.left(colon).contains(QLatin1Char('/')))
        return databasePath.mid(colon + 1);
    return databasePath;
}

bool AutoBackup(TdmCmn& dm, const QString& databasePath, const QString& backupFolder, bool withMessages)
{
    WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup begin"));
    if (backupFolder.isEmpty() || !QFileInfo(backupFolder).isDir()) {
        report(withMessages, MsgKind::Warning,
               QStringLiteral("バックアップ先が無効です。環境設定画面で有効なバックアップ先を確認設定してください。"));
        return false;
    }
    try {
        const QString source = LocalDatabaseFile(databasePath);
        WriteTraceLog(QStringLiteral("FromFile=") + source);
        const QString folder = QDir(backupFolder).absolutePath() + QLatin1Char('/');
        const QString target = folder + QStringLiteral("ZUVARODB.FDB");
        WriteTraceLog(QStringLiteral("ToFile=") + target);
        if (QFileInfo::exists(target)) {
            const QString old = target + QStringLiteral("_RENAME") +
                                Clock::now().toString(QStringLiteral("yyyyMMdd_hhmmss"));
            WriteTraceLog(QStringLiteral("ToBackFile=") + old);
            QFile::rename(target, old);
            QFile::remove(target); // the rename failed: overwrite
        }

        dm.ExecSql(QStringLiteral("ALTER DATABASE BEGIN BACKUP"));
        bool copied = false;
        try {
            copied = QFile::copy(source, target);
        } catch (...) {
            dm.ExecSql(QStringLiteral("ALTER DATABASE END BACKUP"));
            throw;
        }
        dm.ExecSql(QStringLiteral("ALTER DATABASE END BACKUP"));
        if (copied)
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
        if (!copied || !FixUpAndCheck(target)) {
            report(withMessages, MsgKind::Error, kCopyFailed);
            return false;
        }
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("TfrmMain.AutoBackup E.Message=") + e.message());
        WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
        return false;
    }
    WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
    return true;
}
