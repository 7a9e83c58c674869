#pragma once

#include "core/TUser.h"

#include <QString>

class ProfileFile;

struct TVersion
{
    int Major = 0;
    int Minor = 0;
    int Release = 0;
    int Build = 0;
    QString Text;
};

// Process-wide values, computed once at start-up before anything else runs.
extern QString gComputerName;
extern QString gIpAddress;
extern QString gWindowsUserName;
extern QString gExeDir;     // with a trailing separator
extern QString gDataDir;    // <data root>/ordova/zuvaro3
extern QString gLogDir;     // gDataDir/log
extern QString gCurLogFile; // gLogDir/log_<computer>_Cur.txt
extern QString gIniFile;    // gDataDir/zuvaro3.ini
extern QString gBannerFile; // gDataDir/Banner.bmp
extern TVersion gVersion;
// The journal of calls not yet in the database: gDataDir/CallJournal.txt.
QString CallJournalPath();
extern bool gRestartRequested;
extern TUser gCurrentUser;
extern ProfileFile* gIni;   // the settings object, alive for the whole process

namespace AppPaths {
// $ZUVARO_DATA_ROOT when set, else the machine-wide /var/lib.
QString dataRoot();
// <data root>/ordova/common/ZUVARODB.FDB, used when DB_PATH is empty.
QString defaultDatabasePath();
// The embedded engine's lock folder of ours, below the common data folder: the engine's
// default folder is shared with a Firebird server on the same machine, and files an embedded
// run leaves there make the server refuse every login.
QString engineLockDir();
// The XDG autostart entry named after the executable.
QString autostartEntryPath();
// The executable's file name without folder or extension.
QString exeBaseName();
}

// Computes the process-wide values (except the settings object).
void InitProcessValues();
// Creates the data folders when missing: gDataDir, gLogDir, rec, play, work.
// Returns false when one of them could not be created.
bool CreateDataFolders();
// Opens gIniFile as the process-wide settings object (replacing any previous one).
void OpenSettingsFile();
void CloseSettingsFile();
TVersion ParseVersion(const QString& text);
