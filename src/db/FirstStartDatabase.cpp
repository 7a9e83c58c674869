#include "db/FirstStartDatabase.h"

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "db/BackupSet.h"
#include "db/FbDatabase.h"
#include "db/InitialDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The folder is writable, or the nearest existing folder above it is (so it can be made).
bool CanCreateIn(const QString& folder)
{
    QFileInfo dir(folder);
    while (!dir.exists()) {
        const QString parent = dir.absolutePath();
        if (parent == dir.absoluteFilePath())
            return false;
        dir = QFileInfo(parent);
    }
    return dir.isDir() && dir.isWritable();
}

QString MissingText(const QString& path)
{
    return QStringLiteral("データベースファイル %1 がありません。\r\n"
                          "ファイルの移動や削除、ネットワークの共有フォルダが接続されていない、"
                          "zuvaro3.ini の DB_PATH の誤りなどが考えられます。\r\n")
        .arg(QDir::toNativeSeparators(path));
}

QString CleanPath(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

namespace FirstStartDatabase {

bool IsMissing(const QString& path)
{
    return !FbDatabase::IsServerPath(path) && !QFileInfo::exists(path);
}

bool HasEarlierLogs()
{
    return !QDir(gLogDir).entryList(QDir::Files | QDir::Hidden).isEmpty();
}

QStringList EarlierUse(const QString& backupFolder, bool loggedBefore)
{
    QStringList found;
    const QString journal = CallJournalPath();
    if (QFileInfo::exists(journal))
        found << QStringLiteral("call journal ") + journal;
    if (!backupFolder.isEmpty() && !BackupSet::List(backupFolder).isEmpty())
        found << QStringLiteral("backup copies in ") + backupFolder;
    if (loggedBefore)
        found << QStringLiteral("diagnostic logs in ") + gLogDir;
    return found;
}

bool IsFreshInstallation(const QString& path, const QString& backupFolder, bool loggedBefore)
{
    return CleanPath(path) == CleanPath(AppPaths::defaultDatabasePath()) &&
           EarlierUse(backupFolder, loggedBefore).isEmpty();
}

QString MissingQuestion(const QString& path)
{
    return MissingText(path) +
           QStringLiteral("新しいデータベースを作成すると、これまでの顧客や通話履歴は表示されません。\r\n\r\n"
                          "はい: バックアップから復元\r\n"
                          "いいえ: 新しい空のデータベースを作成\r\n"
                          "キャンセル: 終了");
}

QString MissingUnattendedText(const QString& path)
{
    return MissingText(path) + QStringLiteral("データベースを作成せずに終了します。");
}

Outcome Ensure(const QString& path)
{
    if (FbDatabase::IsServerPath(path))
        return Outcome::OnServer;
    const QFileInfo file(path);
    if (file.exists())
        return Outcome::Present;
    if (!CanCreateIn(file.absolutePath())) {
        WriteLog(QStringLiteral("FirstStartDatabase: %1 がありません。フォルダ %2 に書き込めないため作成できません。")
                     .arg(file.absoluteFilePath(), file.absolutePath()));
        return Outcome::NotCreatable;
    }
    try {
        InitialDatabase::Create(file.absoluteFilePath());
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("FirstStartDatabase: %1 の作成に失敗しました。%2").arg(file.absoluteFilePath(), e.message()));
        return Outcome::Failed;
    }
    // Every user of the shop PC works on the same file.
    QFile::setPermissions(file.absoluteFilePath(),
                          QFile::permissions(file.absoluteFilePath()) | QFile::ReadGroup | QFile::WriteGroup);
    WriteLog(QStringLiteral("FirstStartDatabase: 初期データベースを作成しました DB_PATH=") + file.absoluteFilePath());
    return Outcome::Created;
}

QString ServerMissingHint(const QString& path, const QString& errorMessage)
{
    if (!FbDatabase::IsServerPath(path) || !errorMessage.contains(QLatin1String("No such file or directory")))
        return QString();
    return QStringLiteral("\r\nサーバー上のデータベース %1 がありません。"
                          "サーバーの管理者がサーバーで zuvaro3-initdb を実行して作成してください。")
        .arg(path);
}

} // namespace FirstStartDatabase
