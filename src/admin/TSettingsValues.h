#pragma once

#include <QString>
#include <QTime>

#include <functional>

// What the settings dialog edits, in the form the settings file keeps it.
struct TSettingsValues
{
    bool LinkEnabled = false;
    bool AutoLaunch = false;
    int IfNo = -1;
    bool UseAccept = false;
    bool LoginAuth = false;
    bool Startup = false;
    bool SpeakEnabled = false;
    int Speed = 140;
    int Index1 = 1;
    int Index2 = 2;
    QString Foot1;
    QString Foot2;
    bool AutoCustInfo = false;
    bool Bring = true;
    int Jouchu = 0;
    bool JouchuOpen = false;
    bool JouchuKidou = false;
    bool ShowBalloon = true;
    bool AutoBackup = false;
    QString AutoBackupPath;
    bool DailyBackup = false;
    QTime DailyBackupTime = QTime(12, 30);
    int BackupGenerations = 7;
    int KanaType = 0;
    bool BannerStretch = true;
    bool NumberForm = true;
    QString CountryCode = QStringLiteral("81");
    bool NumberDisplay = true;
    bool WarnInternational = true;
    bool CautionLaunch = false;
    bool CautionCustTab = false;
    QString CautionText = QStringLiteral("ご注意ください、");

    // The running program's values (the start-up copies).
    static TSettingsValues Current();
    // A country code the number form can use: one to three digits.
    static bool ValidCountryCode(const QString& code);
};

// Writes the settings dialog's keys, in its order, to the settings file and the start-up
// copies, and tells the running program about each change through the hooks.
class SettingsWriter
{
public:
    struct Hooks
    {
        std::function<void(bool)> UseAccept;   // show or hide the response tab
        std::function<void()> SpeechOn;        // create the speech engine when missing
        std::function<void(int)> Jouchu;       // enter or leave resident mode
        std::function<void()> Picture;         // save or delete the title picture
    };

    // A change that only takes full effect after a restart.
    static bool NeedsRestart(const TSettingsValues& v, bool pictureChanged);
    // AUTO_LAUNCH is stored on only together with the link.
    static bool StoredAutoLaunch(const TSettingsValues& v) { return v.LinkEnabled && v.AutoLaunch; }
    static void Write(const TSettingsValues& v, const Hooks& hooks);
};
