#pragma once

#include "db/DatabaseCopy.h"

#include <QString>

class TdmCmn;

// Copies the database file to the backup folder as ZUVARODB.FDB; the previous copy is
// renamed aside once the new one is complete. The copy is consistent although the program
// keeps the file open (db/DatabaseCopy.h). A target that is the database file itself is
// refused. With messages the user hears of a failure and its reason; without, it is only
// logged (at program end).
bool AutoBackup(TdmCmn& dm, const QString& databasePath, const QString& backupFolder, bool withMessages);
