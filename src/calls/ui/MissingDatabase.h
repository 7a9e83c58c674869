#pragma once

#include <QString>

// Before the first attachment: makes sure start-up may go on with the database the settings
// name. A missing local file is created without a question on a fresh installation only;
// anywhere else the user chooses between restoring a backup copy, creating an empty database
// and ending, and an unattended start ends with the message, creating nothing.
namespace MissingDatabase {

// backupFolder: where the backup copies are; loggedBefore: the log folder held diagnostic
// logs before this start (FirstStartDatabase::HasEarlierLogs). True when start-up goes on.
bool Settle(const QString& path, const QString& backupFolder, bool loggedBefore);

} // namespace MissingDatabase
