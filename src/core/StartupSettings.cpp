#include "core/StartupSettings.h"

#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/ProfileFile.h"

#include <QFileInfo>

QString GTelDbPath;
QString DefaultDbUser()
{
    return QStringLiteral("SYSDBA");
}

QString DefaultDbPassword()
{
    return QStringLiteral("pinewoodx");
}

QString GDbUser = DefaultDbUser();
QString GDbPassword = DefaultDbPassword();
bool GLinkEnabled = false;
bool GAutoLaunch = false;
int GIfNo = 1;
QString GTableName;
QString GCustTelFname;
bool GUseAccept = false;
bool GLoginAuth = false;
bool GStartup = false;
bool GBring = true;
bool GAutoCustInfo = false;
int GMaxCustTabs = 20;
int GJouchuIdx = 0;
bool GJouchuOpen = false;
bool GJouchuKidou = false;
bool GShowBalloon = true;
bool GAutoBackup = false;
QString GAutoBackupPath;
bool GDailyBackup = false;
QTime GDailyBackupTime(12, 30);
int GBackupGenerations = 7;
bool GSpeakEnabled = true;
int GSpeed = 140;
int GIndex1 = 1;
int GIndex2 = 2;
QString GFoot1;
QString GFoot2;
int GKanaType = 0;
bool GImageStretch = false;
int GActWidth = 0;
bool GBannerStretch = true;
bool GNumberForm = true;
QString GCountryCode = QStringLiteral("81");
bool GNumberDisplay = true;
bool GWarnInternational = true;
bool GCautionLaunch = false;
bool GCautionCustTab = false;
QString GCautionText = QStringLiteral("ご注意ください、");
QString GUnknownName;
QString GUnknownKana;

namespace {
bool flag(const char* section, const char* key, const char* def)
{
    return IsFlagOn(gIni->ReadString(QLatin1String(section), QLatin1String(key), QLatin1String(def)));
}

QString text(const char* section, const char* key, const QString& def)
{
    return gIni->ReadString(QLatin1String(section), QLatin1String(key), def);
}

// Plain integer keys: a value that is not an integer takes the default, and we say so.
int integer(const char* section, const char* key, int def)
{
    const QString raw = gIni->Value(QLatin1String(section), QLatin1String(key));
    if (raw.isNull())
        return def;
    int v = def;
    if (!ProfileFile::ParseInteger(raw, &v)) {
        WriteLog(QStringLiteral("Settings %1/%2=\"%3\" is not an integer; using %4")
                     .arg(QLatin1String(section), QLatin1String(key), raw)
                     .arg(def));
        return def;
    }
    return v;
}

// Keys whose non-integer value counts as 0.
int integerOrZero(const char* section, const char* key, const char* def)
{
    int v = 0;
    return ProfileFile::ParseInteger(text(section, key, QLatin1String(def)), &v) ? v : 0;
}
} // namespace

QTime ParseDailyBackupTime(const QString& text)
{
    QTime t = QTime::fromString(text.trimmed(), QStringLiteral("H:mm"));
    if (!t.isValid())
        t = QTime::fromString(text.trimmed(), QStringLiteral("H:mm:ss"));
    if (!t.isValid()) {
        WriteLog(QStringLiteral("Settings BASIC/DAILY_BACKUP_TIME=\"%1\" is not a time of day; using 12:30").arg(text));
        return QTime(12, 30);
    }
    return QTime(t.hour(), t.minute());
}

void LoadStartupSettings()
{
    gTraceOn = true;

    GTelDbPath = text("ZUVARO_DB", "DB_PATH", QString());
    if (GTelDbPath.isEmpty())
        GTelDbPath = AppPaths::defaultDatabasePath();
    GDbUser = text("ZUVARO_DB", "DB_USER", QString());
    GDbPassword = text("ZUVARO_DB", "DB_PASSWORD", QString());
    if (GDbUser.isEmpty()) {
        GDbUser = DefaultDbUser();
        GDbPassword = DefaultDbPassword();
    }

    GLinkEnabled = flag("LINK", "ENABLED", "0");
    GAutoLaunch = GLinkEnabled && flag("LINK", "AUTO_LAUNCH", "0");
    GIfNo = integer("LINK", "IF_NO", 1);
    GTableName = text("LINK", "TABLE_NAME", QStringLiteral("CUSTOMER"));
    GCustTelFname = text("LINK", "CUST_TEL_FNAME", QStringLiteral("CUST_TEL_NON"));

    GUseAccept = flag("BASIC", "USE_ACCEPT", "0");
    GLoginAuth = flag("BASIC", "LOGIN_AUTH", "");
    GStartup = flag("BASIC", "STARTUP", "0") && QFileInfo::exists(AppPaths::autostartEntryPath());
    GBring = flag("BASIC", "BRING", "1");
    GAutoCustInfo = flag("BASIC", "AUTO_CUST_INFO", "0");
    GMaxCustTabs = qMax(1, integer("BASIC", "MAX_CUST_TABS", 20));
    GJouchuIdx = integerOrZero("BASIC", "JOUCHU", "0");
    GJouchuOpen = flag("BASIC", "JOUCHU_OPEN", "0");
    GJouchuKidou = flag("BASIC", "JOUCHU_KIDOU", "0");
    GShowBalloon = flag("BASIC", "SHOW_BALLOON", "1");
    GAutoBackup = flag("BASIC", "AUTO_BACKUP", "0");
    GAutoBackupPath = text("BASIC", "AUTO_BACKUP_PATH", QString());
    GNumberForm = flag("BASIC", "NUMBER_FORM", "1");
    GCountryCode = text("BASIC", "COUNTRY_CODE", QStringLiteral("81")).trimmed();
    GNumberDisplay = flag("BASIC", "NUMBER_DISPLAY", "1");
    GWarnInternational = flag("BASIC", "WARN_INTERNATIONAL", "1");
    GCautionLaunch = flag("BASIC", "CAUTION_LAUNCH", "0");
    GCautionCustTab = flag("BASIC", "CAUTION_CUST_TAB", "0");
    GDailyBackup = flag("BASIC", "DAILY_BACKUP", "0");
    GDailyBackupTime = ParseDailyBackupTime(text("BASIC", "DAILY_BACKUP_TIME", QStringLiteral("12:30")));
    GBackupGenerations = integer("BASIC", "BACKUP_GENERATIONS", 7);
    if (GBackupGenerations < 1) {
        WriteLog(QStringLiteral("Settings BASIC/BACKUP_GENERATIONS=%1 keeps no copy; using 1").arg(GBackupGenerations));
        GBackupGenerations = 1;
    }

    // On unless switched off: a shop expects the caller's name to be spoken.
    GSpeakEnabled = flag("SPEAK", "ENABLED", "1");
    GSpeed = integer("SPEAK", "SPEED", 140);
    GIndex1 = integer("SPEAK", "INDEX1", 1);
    GIndex2 = integer("SPEAK", "INDEX2", 2);
    GFoot1 = text("SPEAK", "FOOT1", QStringLiteral("から"));
    GFoot2 = text("SPEAK", "FOOT2", QStringLiteral("え、でんわです"));
    GCautionText = text("SPEAK", "CAUTION_TEXT", QStringLiteral("ご注意ください、"));

    GKanaType = integer("COMMON", "KANA_TYPE", 0);
    GImageStretch = flag("CUST_INFO", "IMAGE_STRETCH", "0");
    GActWidth = integerOrZero("CUST_FRAME", "ACT_WIDTH", "0");
    GBannerStretch = flag("BANNER", "STRETCH", "1");
    GUnknownName = text("CALLER", "UNKNOWN_NAME", QStringLiteral("発信者不明"));
    GUnknownKana = text("CALLER", "UNKNOWN_KANA", QStringLiteral("はっしんしゃふめい"));
}
