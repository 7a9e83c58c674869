#include "calls/DatabaseBackup.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/DatabaseCopy.h"
#include "db/TdmCmn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
const QString kCopyFailed = QStringLiteral("データファイル 「ZUVARODB.FDB」 を指定された場所にコピーできませんでした。");

void report(bool withMessages, MsgKind kind, const QString& text)
{
    if (withMessages)
        MessageService::Show(kind, text);
    else
        WriteLog(text);
}
} // namespace

bool AutoBackup(TdmCmn& dm, const QString& databasePath, const QString& backupFolder, bool withMessages)
{
    WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup begin"));
    if (backupFolder.isEmpty() || !QFileInfo(backupFolder).isDir()) {
        report(withMessages, MsgKind::Warning,
               QStringLiteral("バックアップ先が無効です。環境設定画面で有効なバックアップ先を確認設定してください。"));
        return false;
    }
    const QString source = LocalDatabaseFile(databasePath);
    WriteTraceLog(QStringLiteral("FromFile=") + source);
    const QString folder = QDir(backupFolder).absolutePath() + QLatin1Char('/');
    const QString target = folder + QStringLiteral("ZUVARODB.FDB");
    WriteTraceLog(QStringLiteral("ToFile=") + target);
    // Renaming the previous copy would move the live database away.
    if (DatabaseCopy::SameFile(source, target)) {
        report(withMessages, MsgKind::Warning,
               QStringLiteral("バックアップ先がデータベースファイルそのものです（") + target +
                   QStringLiteral("）。環境設定画面で別のフォルダをバックアップ先に設定してください。"));
        WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
        return false;
    }

    // The new copy is made under a temporary name; the previous one is moved aside only
    // once the new one has proved to open, so one good copy always exists.
    const QString partial = target + QStringLiteral(".part");
    DatabaseCopy::EndStaleBackupLock(dm);
    QString failure;
    if (!DatabaseCopy::MakeConsistentCopy(dm, source, partial, &failure)) {
        WriteLog(QStringLiteral("TfrmMain.AutoBackup E.Message=") + failure);
        report(withMessages, MsgKind::Error, kCopyFailed + QStringLiteral("\r\n") + failure);
        WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
        return false;
    }
    if (QFileInfo::exists(target)) {
        const QString old =
            target + QStringLiteral("_RENAME") + Clock::now().toString(QStringLiteral("yyyyMMdd_hhmmss"));
        WriteTraceLog(QStringLiteral("ToBackFile=") + old);
        if (!QFile::rename(target, old))
            WriteLog(QStringLiteral("TfrmMain.AutoBackup cannot rename ") + target + QStringLiteral(" to ") + old);
    }
    // rename(2) replaces a previous copy that could not be moved aside in one step.
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(partial);
        WriteLog(QStringLiteral("TfrmMain.AutoBackup rename E.Message=") + why);
        report(withMessages, MsgKind::Error, kCopyFailed + QStringLiteral("\r\n") + why);
        WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
        return false;
    }
    WriteTraceLog(QStringLiteral("TfrmMain.AutoBackup end"));
    return true;
}
