#include "admin/TSettingsValues.h"

#include "core/AppGlobals.h"
#include "core/Helpers.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "platform/AutostartEntry.h"

TSettingsValues TSettingsValues::Current()
{
    TSettingsValues v;
    v.LinkEnabled = GLinkEnabled;
    v.AutoLaunch = GAutoLaunch;
    v.IfNo = GIfNo;
    v.UseAccept = GUseAccept;
    v.LoginAuth = GLoginAuth;
    v.Startup = GStartup && AutostartEntry::Exists();
    v.SpeakEnabled = GSpeakEnabled;
    v.Speed = GSpeed;
    v.Index1 = GIndex1;
    v.Index2 = GIndex2;
    v.Foot1 = GFoot1;
    v.Foot2 = GFoot2;
    v.AutoCustInfo = GAutoCustInfo;
    v.Bring = GBring;
    v.Jouchu = GJouchuIdx;
    v.JouchuOpen = GJouchuOpen;
    v.JouchuKidou = GJouchuKidou;
    v.ShowBalloon = GShowBalloon;
    v.AutoBackup = GAutoBackup;
    v.AutoBackupPath = GAutoBackupPath;
    v.DailyBackup = GDailyBackup;
    v.DailyBackupTime = GDailyBackupTime;
    v.BackupGenerations = GBackupGenerations;
    v.KanaType = GKanaType;
    v.BannerStretch = GBannerStretch;
    v.NumberForm = GNumberForm;
    v.CountryCode = GCountryCode;
    v.NumberDisplay = GNumberDisplay;
    v.WarnInternational = GWarnInternational;
    v.CautionLaunch = GCautionLaunch;
    v.CautionCustTab = GCautionCustTab;
    v.CautionText = GCautionText;
    return v;
}

bool TSettingsValues::ValidCountryCode(const QString& code)
{
    if (code.isEmpty() || code.size() > 3)
        return false;
    for (const QChar c : code)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool SettingsWriter::NeedsRestart(const TSettingsValues& v, bool pictureChanged)
{
    return v.UseAccept != GUseAccept || pictureChanged;
}

void SettingsWriter::Write(const TSettingsValues& v, const Hooks& hooks)
{
    ProfileFile& ini = *gIni;
    auto flag = [&](const char* section, const char* key, bool on) {
        ini.WriteString(QLatin1String(section), QLatin1String(key), FlagText(on));
    };
    auto integer = [&](const char* section, const char* key, int value) {
        ini.WriteInteger(QLatin1String(section), QLatin1String(key), value);
    };

    flag("LINK", "ENABLED", v.LinkEnabled);
    GLinkEnabled = v.LinkEnabled;
    flag("BASIC", "USE_ACCEPT", v.UseAccept);
    GUseAccept = v.UseAccept;
    if (hooks.UseAccept)
        hooks.UseAccept(v.UseAccept);
    GAutoLaunch = StoredAutoLaunch(v);
    flag("LINK", "AUTO_LAUNCH", GAutoLaunch);
    integer("LINK", "IF_NO", v.IfNo);
    GIfNo = v.IfNo;
    flag("BASIC", "LOGIN_AUTH", v.LoginAuth);
    GLoginAuth = v.LoginAuth;
    flag("BASIC", "STARTUP", v.Startup);
    GStartup = AutostartEntry::Apply(v.Startup) && v.Startup;

    flag("SPEAK", "ENABLED", v.SpeakEnabled);
    GSpeakEnabled = v.SpeakEnabled;
    if (v.SpeakEnabled) {
        const int index1 = v.Index1 < 0 ? 0 : v.Index1;
        const int index2 = v.Index2 < 0 ? 0 : v.Index2;
        integer("SPEAK", "SPEED", v.Speed);
        ini.WriteString(QStringLiteral("SPEAK"), QStringLiteral("FOOT1"), v.Foot1);
        integer("SPEAK", "INDEX1", index1);
        ini.WriteString(QStringLiteral("SPEAK"), QStringLiteral("FOOT2"), v.Foot2);
        integer("SPEAK", "INDEX2", index2);
        GSpeed = v.Speed;
        GFoot1 = v.Foot1;
        GIndex1 = index1;
        GFoot2 = v.Foot2;
        GIndex2 = index2;
        if (hooks.SpeechOn)
            hooks.SpeechOn();
    }

    flag("BASIC", "AUTO_CUST_INFO", v.AutoCustInfo);
    GAutoCustInfo = v.AutoCustInfo;
    flag("BASIC", "BRING", v.Bring);
    GBring = v.Bring;
    integer("BASIC", "JOUCHU", v.Jouchu);
    GJouchuIdx = v.Jouchu;
    if (hooks.Jouchu)
        hooks.Jouchu(v.Jouchu);
    flag("BASIC", "JOUCHU_OPEN", v.JouchuOpen);
    GJouchuOpen = v.JouchuOpen;
    flag("BASIC", "JOUCHU_KIDOU", v.JouchuKidou);
    GJouchuKidou = v.JouchuKidou;
    flag("BASIC", "SHOW_BALLOON", v.ShowBalloon);
    GShowBalloon = v.ShowBalloon;
    flag("BASIC", "AUTO_BACKUP", v.AutoBackup);
    GAutoBackup = v.AutoBackup;
    ini.WriteString(QStringLiteral("BASIC"), QStringLiteral("AUTO_BACKUP_PATH"), v.AutoBackupPath);
    GAutoBackupPath = v.AutoBackupPath;
    flag("BASIC", "DAILY_BACKUP", v.DailyBackup);
    GDailyBackup = v.DailyBackup;
    ini.WriteString(QStringLiteral("BASIC"), QStringLiteral("DAILY_BACKUP_TIME"),
                    v.DailyBackupTime.toString(QStringLiteral("HH:mm")));
    GDailyBackupTime = v.DailyBackupTime;
    integer("BASIC", "BACKUP_GENERATIONS", qMax(1, v.BackupGenerations));
    GBackupGenerations = qMax(1, v.BackupGenerations);
    integer("COMMON", "KANA_TYPE", v.KanaType);
    GKanaType = v.KanaType;
    if (hooks.Picture)
        hooks.Picture();
    flag("BANNER", "STRETCH", v.BannerStretch);
    GBannerStretch = v.BannerStretch;
    flag("BASIC", "NUMBER_FORM", v.NumberForm);
    GNumberForm = v.NumberForm;
    ini.WriteString(QStringLiteral("BASIC"), QStringLiteral("COUNTRY_CODE"), v.CountryCode);
    GCountryCode = v.CountryCode;
    flag("BASIC", "NUMBER_DISPLAY", v.NumberDisplay);
    GNumberDisplay = v.NumberDisplay;
    flag("BASIC", "WARN_INTERNATIONAL", v.WarnInternational);
    GWarnInternational = v.WarnInternational;
    flag("BASIC", "CAUTION_LAUNCH", v.CautionLaunch);
    GCautionLaunch = v.CautionLaunch;
    flag("BASIC", "CAUTION_CUST_TAB", v.CautionCustTab);
    GCautionCustTab = v.CautionCustTab;
    ini.WriteString(QStringLiteral("SPEAK"), QStringLiteral("CAUTION_TEXT"), v.CautionText);
    GCautionText = v.CautionText;
}
