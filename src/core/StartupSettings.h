#pragma once

#include <QString>
#include <QTime>

// Start-up copies of the settings, read once from the settings file before any window
// exists. The settings dialog writes both the file and these values.
extern QString GTelDbPath;
// The database login: the administrator by default (databases made for the original
// settings rely on it); a shop on a server sets a user with rights on its database only.
// They hold the default login from the start, so that every attachment (the tools', the
// tests') goes in as the program does, also before the settings are loaded: without a user
// name the embedded engine would take the system account's, which owns nothing.
extern QString GDbUser;
extern QString GDbPassword;
QString DefaultDbUser();
QString DefaultDbPassword();
// LINK
extern bool GLinkEnabled;
extern bool GAutoLaunch;
extern int GIfNo;
extern QString GTableName;
extern QString GCustTelFname;
// BASIC
extern bool GUseAccept;
extern bool GLoginAuth;
extern bool GStartup;
extern bool GBring;
extern bool GAutoCustInfo;
// How many customer tabs stay open before the oldest untouched ones are closed.
extern int GMaxCustTabs;
extern int GJouchuIdx;
extern bool GJouchuOpen;
extern bool GJouchuKidou;
extern bool GShowBalloon;
extern bool GAutoBackup;
extern QString GAutoBackupPath;
// Numbers in their national form (PhoneNumberForm), and the country that form is for.
extern bool GNumberForm;
extern QString GCountryCode;
// Numbers shown grouped (NumberDisplay) rather than as bare digits.
extern bool GNumberDisplay;
// Calls from abroad get a cue in the caller panel and the caution text before the announcement.
extern bool GWarnInternational;
// Whether a caller flagged 要注意 still starts the external program and opens the customer tab.
extern bool GCautionLaunch;
extern bool GCautionCustTab;
// The daily copy while the program runs: on/off, its time of day, and how many dated copies
// the backup folder keeps.
extern bool GDailyBackup;
extern QTime GDailyBackupTime;
extern int GBackupGenerations;
// SPEAK
extern bool GSpeakEnabled;
extern int GSpeed;
extern int GIndex1;
extern int GIndex2;
extern QString GFoot1;
extern QString GFoot2;
// Spoken before the announcement of a flagged caller or a call from abroad.
extern QString GCautionText;
// COMMON, CUST_INFO, CUST_FRAME, BANNER, CALLER
extern int GKanaType;
extern bool GImageStretch;
extern int GActWidth;
extern bool GBannerStretch;
extern QString GUnknownName;
extern QString GUnknownKana;

// Reads every start-up setting from gIni with its default and special rules, and
// switches the diagnostic log on.
void LoadStartupSettings();
// "hh:mm" of DAILY_BACKUP_TIME; anything else is 12:30 (and logged).
QTime ParseDailyBackupTime(const QString& text);
