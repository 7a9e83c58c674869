#include "calls/ui/MissingDatabase.h"

#include "calls/TfrmRestore.h"
#include "core/BackgroundWork.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/StopRequest.h"
#include "db/BackupRestore.h"
#include "db/FirstStartDatabase.h"

#include <QFile>
#include <QFileInfo>

namespace MissingDatabase {

namespace {

// With no live file there is nothing to set aside: the proved copy takes the path.
bool RestoreInto(const QString& copy, const QString& path)
{
    QString failure;
    bool staged = false;
    RunServingEvents([&]() { staged = BackupRestore::Stage(copy, path, &failure); });
    const QString staging = BackupRestore::StagedPath(path);
    if (staged && StopRequest::Requested()) {
        QFile::remove(staging);
        return false;
    }
    // A file that appeared at the path meanwhile is not replaced.
    if (staged && !QFile::rename(staging, path)) {
        failure = QStringLiteral("cannot rename ") + staging + QStringLiteral(" to ") + path;
        QFile::remove(staging);
        staged = false;
    }
    if (!staged) {
        WriteLog(QStringLiteral("MissingDatabase: restore of ") + copy + QStringLiteral(" failed: ") + failure);
        MessageService::Error(QStringLiteral("バックアップから復元できませんでした。\r\n") + failure);
        return false;
    }
    WriteLog(QStringLiteral("MissingDatabase: restored ") + copy + QStringLiteral(" as ") + path);
    MessageService::Information(QStringLiteral("バックアップから復元しました。"));
    return true;
}

} // namespace

bool Settle(const QString& path, const QString& backupFolder, bool loggedBefore)
{
    if (!FirstStartDatabase::IsMissing(path))
        return true;
    if (FirstStartDatabase::IsFreshInstallation(path, backupFolder, loggedBefore)) {
        // A creation that fails shows at the first attachment, with the engine's words.
        FirstStartDatabase::Ensure(path);
        return true;
    }
    const QStringList earlier = FirstStartDatabase::EarlierUse(backupFolder, loggedBefore);
    WriteLog(QStringLiteral("MissingDatabase: ") + path + QStringLiteral(" is missing") +
             (earlier.isEmpty() ? QStringLiteral(" (not the default database)")
                                : QStringLiteral(" (found: ") + earlier.join(QStringLiteral("; ")) + QLatin1Char(')')));
    for (;;) {
        // The cautious answer of an unanswered question would create the database.
        if (MessageService::NobodyToAsk()) {
            MessageService::Error(FirstStartDatabase::MissingUnattendedText(path));
            return false;
        }
        const MsgResult answer =
            MessageService::Show(MsgKind::Warning, FirstStartDatabase::MissingQuestion(path), MsgButtons::YesNoCancel);
        if (StopRequest::Requested() || answer == MsgResult::Cancel)
            return false;
        if (answer == MsgResult::No) {
            FirstStartDatabase::Ensure(path);
            return true;
        }
        if (backupFolder.isEmpty() || !QFileInfo(backupFolder).isDir()) {
            MessageService::Warning(QStringLiteral("バックアップ先が無効です。バックアップ先: ") + backupFolder);
            continue;
        }
        bool restored = false;
        TfrmRestore dlg(backupFolder);
        dlg.Restore = [&restored, &path](const QString& copy) { return restored = RestoreInto(copy, path); };
        dlg.show();
        dlg.LoadCopies();
        dlg.exec();
        if (restored)
            return true;
        if (StopRequest::Requested())
            return false;
    }
}

} // namespace MissingDatabase
