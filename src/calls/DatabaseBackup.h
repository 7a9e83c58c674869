#pragma once

#include <QString>

class TdmCmn;

// Copies the database file to the backup folder as ZUVARODB.FDB, renaming the previous
// copy first. The copy is consistent although the program keeps the file open: the
// database is frozen for the copy (changes go to a side file meanwhile), the copy is then
// made a normal database again and opened once to prove it. With messages the user hears
// of a failure; without, it is only logged (at program end).
bool AutoBackup(TdmCmn& dm, const QString& databasePath, const QString& backupFolder, bool withMessages);

// The local file behind a database path: "host:/path" on this machine's server is "/path".
QString LocalDatabaseFile(const QString& databasePath);
