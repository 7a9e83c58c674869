#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestStartupSettings : public QObject
{
    Q_OBJECT

    static QString logText()
    {
        QFile f(gCurLogFile);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private slots:
    void emptyFileGivesDefaults()
    {
        TestEnv env;
        gTraceOn = false;
        LoadStartupSettings();
        QVERIFY(gTraceOn);
        QCOMPARE(GTelDbPath, env.path("data/ordova/common/ZUVARODB.FDB"));
        QVERIFY(GSpeakEnabled); // the caller's name is spoken unless switched off
        QVERIFY(!GLoginAuth);
        QCOMPARE(GJouchuIdx, 0);
        QCOMPARE(GUnknownName, QString::fromUtf8("発信者不明"));
        QCOMPARE(GUnknownKana, QString::fromUtf8("はっしんしゃふめい"));
        QCOMPARE(GFoot1, QString::fromUtf8("から"));
        QCOMPARE(GFoot2, QString::fromUtf8("え、でんわです"));
        QCOMPARE(GSpeed, 140);
        QCOMPARE(GIndex1, 1);
        QCOMPARE(GIndex2, 2);
        QCOMPARE(GIfNo, 1);
        QVERIFY(GBring);
        QVERIFY(GShowBalloon);
        QVERIFY(GBannerStretch);
        QCOMPARE(GTableName, QString("CUSTOMER"));
        QCOMPARE(GCustTelFname, QString("CUST_TEL_NON"));
    }

    void specialRules()
    {
        TestEnv env;
        env.writeIni("[ZUVARO_DB]\nDB_PATH=server:/srv/db/ZUVARODB.FDB\n"
                     "[LINK]\nENABLED=0\nAUTO_LAUNCH=1\n"
                     "[BASIC]\nJOUCHU=x\nBRING=\nSTARTUP=1\nSHOW_BALLOON=yes\n"
                     "[CUST_FRAME]\nACT_WIDTH=wide\n");
        LoadStartupSettings();
        QCOMPARE(GTelDbPath, QString("server:/srv/db/ZUVARODB.FDB"));
        QVERIFY(!GAutoLaunch);  // only read when the link is on
        QCOMPARE(GJouchuIdx, 0);
        QCOMPARE(GActWidth, 0);
        QVERIFY(!GBring);       // present but empty: off, whatever the default
        QVERIFY(!GShowBalloon); // anything but "1" is off
        QVERIFY(!GStartup);     // the autostart entry is missing

        QDir().mkpath(QFileInfo(AppPaths::autostartEntryPath()).path());
        QFile entry(AppPaths::autostartEntryPath());
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        gIni->WriteString("LINK", "ENABLED", "1");
        LoadStartupSettings();
        QVERIFY(GStartup);
        QVERIFY(GAutoLaunch);
    }

    void garbageIntegersTakeDefaultsAndAreLogged()
    {
        TestEnv env;
        env.writeIni("[SPEAK]\nSPEED=fast\nINDEX1=2\nINDEX2=\n[LINK]\nIF_NO=one\n[COMMON]\nKANA_TYPE=1x\n");
        LoadStartupSettings();
        QCOMPARE(GSpeed, 140);
        QCOMPARE(GIndex1, 2);
        QCOMPARE(GIndex2, 2);
        QCOMPARE(GIfNo, 1);
        QCOMPARE(GKanaType, 0);
        const QString log = logText();
        QVERIFY2(log.contains("SPEAK/SPEED=\"fast\""), qPrintable(log));
        QVERIFY(log.contains("LINK/IF_NO=\"one\""));
        QVERIFY(log.contains("COMMON/KANA_TYPE=\"1x\""));
    }
};

QTEST_GUILESS_MAIN(TestStartupSettings)
#include "tst_startupsettings.moc"
