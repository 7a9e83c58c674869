// The settings dialog: its enabling rules, what OK writes, the restart question and the
// autostart entry.

#include "admin/TfrmSet.h"
#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "platform/AutostartEntry.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimeEdit>
#include <QtTest>

#include <array>

namespace {
QString iniText()
{
    QFile f(gIniFile);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString key(const char* section, const char* name)
{
    return gIni->Value(section, name);
}

struct World
{
    TestEnv env;
    TempDb db;
    World(const QString& ini = QString())
    {
        dmCmn = &db.dm();
        env.writeIni(ini);
        LoadStartupSettings();
        gRestartRequested = false;
        for (const char* row : {"1, '顧客管理', 'EXE'", "3, '受付表', 'URL'"})
            db.dm().ExecSql(QString("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE) values (%1)").arg(QString::fromUtf8(row)));
    }
    ~World() { dmCmn = nullptr; }
};
} // namespace

class TestFrmSet : public QObject
{
    Q_OBJECT
private slots:
    void enablingRules()
    {
        World w("[SPEAK]\nENABLED=1\nINDEX1=0\nFOOT1=から\n[BASIC]\nJOUCHU=1\nJOUCHU_OPEN=1\n");
        TfrmSet dlg;
        dlg.show();
        QCOMPARE(dlg.cbxInterface->count(), 2);
        QCOMPARE(dlg.cbxInterface->currentIndex(), 0); // IF_NO defaults to 1

        // The link box governs the program choice and the automatic start.
        QVERIFY(!dlg.cbxInterface->isEnabled() && !dlg.chkAutoLaunch->isEnabled() && !dlg.lblInterfaceNote->isEnabled());
        dlg.chkLink->setChecked(true);
        QVERIFY(dlg.cbxInterface->isEnabled() && dlg.chkAutoLaunch->isEnabled() && dlg.lblInterface->isEnabled());

        // Speech: "(なし)" has no words after it.
        QVERIFY(dlg.trbSpeed->isEnabled());
        QVERIFY(!dlg.edtFoot1->isEnabled());
        QCOMPARE(dlg.edtFoot1->text(), QString("から")); // stored words stay; only a choice made here empties them
        QVERIFY(dlg.edtFoot2->isEnabled());
        dlg.cbxIndex1->setCurrentIndex(1);
        QVERIFY(dlg.edtFoot1->isEnabled());
        dlg.cbxIndex2->setCurrentIndex(0);
        QVERIFY(!dlg.edtFoot2->isEnabled());
        QCOMPARE(dlg.edtFoot2->text(), QString());
        dlg.chkSpeak->setChecked(false);
        for (QWidget* x : {(QWidget*)dlg.trbSpeed, (QWidget*)dlg.cbxIndex1, (QWidget*)dlg.edtFoot1, (QWidget*)dlg.lblSpeakNote})
            QVERIFY(!x->isEnabled());

        // Resident mode choices.
        QVERIFY(dlg.chkJouchuOpen->isChecked());
        QVERIFY(dlg.chkJouchuKidou->isEnabled());
        QVERIFY(!dlg.chkShowBalloon->isEnabled()); // the window opens, no balloon needed
        dlg.chkJouchuOpen->setChecked(false);
        QVERIFY(dlg.chkShowBalloon->isEnabled());
        dlg.cbxJouchu->setCurrentIndex(2);
        QVERIFY(dlg.chkJouchuOpen->isEnabled() && !dlg.chkJouchuKidou->isEnabled() && !dlg.chkShowBalloon->isEnabled());
        dlg.cbxJouchu->setCurrentIndex(0);
        QVERIFY(!dlg.chkJouchuOpen->isEnabled() && !dlg.chkJouchuKidou->isEnabled());
    }

    // OK without a change writes back exactly what was read, whatever the file holds.
    void okWithoutChangesKeepsEveryKey_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::newRow("every key off its default")
            << "[LINK]\nENABLED=1\nAUTO_LAUNCH=1\nIF_NO=3\n"
               "[BASIC]\nUSE_ACCEPT=1\nLOGIN_AUTH=1\nSTARTUP=1\nAUTO_CUST_INFO=1\nBRING=0\nJOUCHU=1\n"
               "JOUCHU_OPEN=1\nJOUCHU_KIDOU=1\nSHOW_BALLOON=0\nAUTO_BACKUP=1\nAUTO_BACKUP_PATH=%1\n"
               "NUMBER_FORM=0\nCOUNTRY_CODE=1\nDAILY_BACKUP=1\nDAILY_BACKUP_TIME=07:05\nBACKUP_GENERATIONS=3\n"
               "NUMBER_DISPLAY=0\nWARN_INTERNATIONAL=0\nCAUTION_LAUNCH=1\nCAUTION_CUST_TAB=1\n"
               "[SPEAK]\nENABLED=0\nSPEED=230\nFOOT1=さまから\nINDEX1=2\nFOOT2=のおでんわ\nINDEX2=1\n"
               "CAUTION_TEXT=お気をつけください、\n"
               "[COMMON]\nKANA_TYPE=2\n[BANNER]\nSTRETCH=0\n";
        QTest::newRow("default words after both names") << "[SPEAK]\nENABLED=1\nINDEX1=1\nINDEX2=2\n";
        QTest::newRow("stored words after (なし)")
            << "[SPEAK]\nENABLED=1\nINDEX1=0\nFOOT1=から\nINDEX2=0\nFOOT2=様\n[BASIC]\nJOUCHU=2\nJOUCHU_OPEN=1\n";
    }
    void okWithoutChangesKeepsEveryKey()
    {
        QFETCH(QString, ini);
        World w(QString(ini).replace("%1", QDir::tempPath()));
        if (ini.contains("STARTUP=1")) {
            QVERIFY(AutostartEntry::Apply(true));
            LoadStartupSettings();
        }
        const std::array<std::array<const char*, 3>, 32> keys{{
            {"LINK", "ENABLED", "0"},
            {"LINK", "AUTO_LAUNCH", "0"},
            {"LINK", "IF_NO", "1"},
            {"BASIC", "USE_ACCEPT", "0"},
            {"BASIC", "LOGIN_AUTH", "0"},
            {"BASIC", "STARTUP", "0"},
            {"BASIC", "AUTO_CUST_INFO", "0"},
            {"BASIC", "BRING", "1"},
            {"BASIC", "JOUCHU", "0"},
            {"BASIC", "JOUCHU_OPEN", "0"},
            {"BASIC", "JOUCHU_KIDOU", "0"},
            {"BASIC", "SHOW_BALLOON", "1"},
            {"BASIC", "AUTO_BACKUP", "0"},
            {"BASIC", "AUTO_BACKUP_PATH", ""},
            {"SPEAK", "ENABLED", "1"},
            {"SPEAK", "SPEED", "140"},
            {"SPEAK", "INDEX1", "1"},
            {"SPEAK", "INDEX2", "2"},
            {"SPEAK", "FOOT1", "から"},
            {"SPEAK", "FOOT2", "え、でんわです"},
            {"COMMON", "KANA_TYPE", "0"},
            {"BANNER", "STRETCH", "1"},
            {"BASIC", "NUMBER_FORM", "1"},
            {"BASIC", "COUNTRY_CODE", "81"},
            {"BASIC", "DAILY_BACKUP", "0"},
            {"BASIC", "DAILY_BACKUP_TIME", "12:30"},
            {"BASIC", "BACKUP_GENERATIONS", "7"},
            {"BASIC", "NUMBER_DISPLAY", "1"},
            {"BASIC", "WARN_INTERNATIONAL", "1"},
            {"BASIC", "CAUTION_LAUNCH", "0"},
            {"BASIC", "CAUTION_CUST_TAB", "0"},
            {"SPEAK", "CAUTION_TEXT", "ご注意ください、"},
        }};
        auto values = [&]() {
            QStringList out;
            for (const auto& [section, name, def] : keys)
                out << QString("%1/%2=%3").arg(section, name,
                                              gIni->ReadString(section, name, QString::fromUtf8(def)));
            return out;
        };
        const QStringList before = values();
        const QString fileBefore = iniText();
        TfrmSet dlg;
        dlg.show();
        dlg.btnOK->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(MessageService::shownTexts().isEmpty());
        QCOMPARE(values(), before);
        if (QTest::currentDataTag() == QByteArray("every key off its default"))
            QCOMPARE(iniText(), fileBefore);
        AutostartEntry::Apply(false);
    }

    void openOnlyWhenResidentChoiceIsSet()
    {
        World w("[BASIC]\nJOUCHU=0\nJOUCHU_OPEN=1\n");
        TfrmSet dlg;
        dlg.show();
        QVERIFY(!dlg.chkJouchuOpen->isChecked());
    }

    void linkKeysAsStored()
    {
        World w("[LINK]\nENABLED=1\nAUTO_LAUNCH=1\nIF_NO=5\n[SPEAK]\nENABLED=0\nSPEED=180\nFOOT2=様\n");
        TfrmSet dlg;
        dlg.show();
        // Program 5 was deleted from the master: no selection, and OK writes -1.
        QCOMPARE(dlg.cbxInterface->currentIndex(), -1);
        dlg.chkLink->setChecked(false); // the auto-start box stays checked but counts only with the link
        QVERIFY(dlg.chkAutoLaunch->isChecked());
        dlg.btnOK->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(key("LINK", "ENABLED"), QString("0"));
        QCOMPARE(key("LINK", "AUTO_LAUNCH"), QString("0"));
        QCOMPARE(key("LINK", "IF_NO"), QString("-1"));
        QVERIFY(!GAutoLaunch);
        QCOMPARE(GIfNo, -1);
        // Speech off: only ENABLED is written, the other speech keys stay as they were.
        QCOMPARE(key("SPEAK", "ENABLED"), QString("0"));
        QCOMPARE(key("SPEAK", "SPEED"), QString("180"));
        QCOMPARE(key("SPEAK", "FOOT2"), QString("様"));
        QVERIFY(key("SPEAK", "INDEX1").isNull());
        QVERIFY(MessageService::shownTexts().isEmpty()); // no restart question

        // Choosing program 3 with the auto start.
        TfrmSet again;
        again.show();
        again.chkLink->setChecked(true);
        again.cbxInterface->setCurrentIndex(1);
        again.chkAutoLaunch->setChecked(true);
        again.chkSpeak->setChecked(true);
        again.trbSpeed->setValue(200);
        again.btnOK->click();
        QCOMPARE(key("LINK", "AUTO_LAUNCH"), QString("1"));
        QCOMPARE(key("LINK", "IF_NO"), QString("3"));
        QCOMPARE(key("SPEAK", "SPEED"), QString("200"));
        QVERIFY(GAutoLaunch && GLinkEnabled && GSpeakEnabled);
        QCOMPARE(GSpeed, 200);
    }

    void restartQuestion()
    {
        World w("[BASIC]\nUSE_ACCEPT=0\n");
        const QString before = iniText();
        TfrmSet dlg;
        dlg.show();
        dlg.chkUseAccept->setChecked(true);
        dlg.chkBring->setChecked(false);
        MessageService::setNextAnswer(MsgResult::Cancel);
        dlg.btnOK->click();
        QCOMPARE(MessageService::shownTexts(),
                 QStringList{"この変更には再起動が必要です。当ソフトを再起動してよろしいですか？"});
        QCOMPARE(iniText(), before); // Cancel writes nothing
        QVERIFY(!gRestartRequested);
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.btnOK->isEnabled());

        MessageService::setNextAnswer(MsgResult::Ok);
        dlg.btnOK->click();
        QVERIFY(gRestartRequested);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(key("BASIC", "USE_ACCEPT"), QString("1"));
        QCOMPARE(key("BASIC", "BRING"), QString("0"));
    }

    void clearingTheLogoDeletesTheBannerAfterRestartQuestion()
    {
        World w;
        QImage banner(40, 10, QImage::Format_RGB32);
        banner.fill(Qt::red);
        QVERIFY(banner.save(gBannerFile, "BMP"));
        TfrmSet dlg;
        dlg.show();
        QVERIFY(!dlg.Picture().isNull());
        QVERIFY(!dlg.PictureChanged());
        dlg.btnLogoClear->click();
        MessageService::setNextAnswer(MsgResult::Ok);
        dlg.btnOK->click();
        QVERIFY(gRestartRequested);
        QVERIFY(!QFile::exists(gBannerFile));

        // Loading a picture writes it as the banner.
        const QString jpg = w.env.path("logo.jpg");
        QVERIFY(banner.save(jpg, "JPG"));
        gRestartRequested = false;
        TfrmSet load;
        load.ChoosePicture = [&]() { return jpg; };
        load.show();
        load.btnLogoLoad->click();
        MessageService::setNextAnswer(MsgResult::Ok);
        load.btnOK->click();
        QCOMPARE(QImage(gBannerFile).size(), QSize(40, 10));
    }

    void backupFolderMustExist()
    {
        World w;
        const QString before = iniText();
        TfrmSet dlg;
        dlg.show();
        // Setting a folder for the first time switches the daily copy on, with its defaults.
        QVERIFY(!dlg.chkDailyBackup->isChecked());
        QCOMPARE(dlg.tmeDailyBackup->time(), QTime(12, 30));
        QCOMPARE(dlg.spnBackupGenerations->value(), 7);
        dlg.chkAutoBackup->setChecked(true);
        dlg.edtBackupPath->setText(w.env.path("missing"));
        QVERIFY(dlg.chkDailyBackup->isChecked());
        dlg.btnOK->click();
        QCOMPARE(MessageService::shownTexts(), QStringList{"バックアップ先が無効です。バックアップ先を指定してください。"});
        QCOMPARE(iniText(), before);
        QVERIFY(dlg.btnOK->isEnabled());
        dlg.ChooseFolder = [&](const QString&) { return w.env.root(); };
        dlg.btnBackupPath->click();
        dlg.tmeDailyBackup->setTime(QTime(7, 5));
        dlg.btnOK->click();
        QCOMPARE(key("BASIC", "AUTO_BACKUP_PATH"), w.env.root());
        QVERIFY(GAutoBackup);
        QCOMPARE(key("BASIC", "DAILY_BACKUP"), QString("1"));
        QCOMPARE(key("BASIC", "DAILY_BACKUP_TIME"), QString("07:05"));
        QCOMPARE(key("BASIC", "BACKUP_GENERATIONS"), QString("7"));
        QVERIFY(GDailyBackup);
        QCOMPARE(GDailyBackupTime, QTime(7, 5));

        // Once a folder is set, the user's choice stands: switched off, it stays off.
        TfrmSet again;
        again.show();
        QVERIFY(again.chkDailyBackup->isChecked());
        again.chkDailyBackup->setChecked(false);
        again.edtBackupPath->setText(w.env.path("."));
        QVERIFY(!again.chkDailyBackup->isChecked());
    }

    void numberFormAndCountryCode()
    {
        World w("[BASIC]\nNUMBER_FORM=0\nCOUNTRY_CODE=1\n");
        TfrmSet dlg;
        dlg.show();
        QVERIFY(!dlg.chkNumberForm->isChecked());
        QCOMPARE(dlg.edtCountryCode->text(), QString("1"));
        QVERIFY(!dlg.edtCountryCode->isEnabled());
        dlg.chkNumberForm->setChecked(true);
        QVERIFY(dlg.edtCountryCode->isEnabled());
        const QString before = iniText();
        dlg.edtCountryCode->setText("8a");
        dlg.btnOK->click();
        QCOMPARE(MessageService::shownTexts(), QStringList{"国番号は1～3桁の数字で入力してください。"});
        QCOMPARE(iniText(), before);
        dlg.edtCountryCode->setText("81");
        dlg.btnOK->click();
        QCOMPARE(key("BASIC", "NUMBER_FORM"), QString("1"));
        QCOMPARE(key("BASIC", "COUNTRY_CODE"), QString("81"));
        QVERIFY(GNumberForm);
        QCOMPARE(GCountryCode, QString("81"));
    }

    void autostartEntry()
    {
        World w;
        const QString entry = AutostartEntry::Path();
        QVERIFY(entry.startsWith(w.env.path("config/autostart/")));
        QVERIFY(entry.endsWith(".desktop"));
        TfrmSet dlg;
        dlg.show();
        QVERIFY(!dlg.chkStartup->isChecked());
        dlg.chkStartup->setChecked(true);
        dlg.btnOK->click();
        QVERIFY(QFile::exists(entry));
        QFile f(entry);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QVERIFY(text.contains("[Desktop Entry]") && text.contains("Exec=\"" + QCoreApplication::applicationFilePath() + "\""));
        QVERIFY(GStartup);
        QFile log(gCurLogFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(log.readAll()).contains("ショートカットを作成しました ShortCutFileName=" + entry));

        // The file says on but the entry is gone: off, and shown unchecked.
        QFile::remove(entry);
        LoadStartupSettings();
        QCOMPARE(key("BASIC", "STARTUP"), QString("1"));
        QVERIFY(!GStartup);
        TfrmSet again;
        again.show();
        QVERIFY(!again.chkStartup->isChecked());
        again.chkStartup->setChecked(true);
        again.btnOK->click();
        QVERIFY(QFile::exists(entry));

        // An entry left by a copy started from elsewhere (a build folder) is pointed at this one.
        {
            QFile stale(entry);
            QVERIFY(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
            stale.write("[Desktop Entry]\nType=Application\nExec=\"/home/shop/zuvaro3/build/zuvaro3\"\n");
        }
        TfrmSet keep;
        keep.show();
        keep.btnOK->click();
        QFile updated(entry);
        QVERIFY(updated.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(updated.readAll()).contains("Exec=\"" + QCoreApplication::applicationFilePath() + "\""));

        TfrmSet off;
        off.show();
        QVERIFY(off.chkStartup->isChecked());
        off.chkStartup->setChecked(false);
        off.btnOK->click();
        QVERIFY(!QFile::exists(entry));
        QCOMPARE(key("BASIC", "STARTUP"), QString("0"));
        log.seek(0);
        QVERIFY(QString::fromUtf8(log.readAll()).contains("ショートカットを削除しました"));
    }
};

QTEST_MAIN(TestFrmSet)
#include "tst_frmset.moc"
