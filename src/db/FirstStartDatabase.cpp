#include "db/FirstStartDatabase.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
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

} // namespace

namespace FirstStartDatabase {

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
