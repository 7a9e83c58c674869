#include "calls/DatabaseBackup.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QtTest>

namespace {
int logRowsIn(const QString& path)
{
    FbDatabase db;
    db.setDatabaseName(path);
    db.setParams({"user_name=SYSDBA", "password=pinewoodx", "lc_ctype=ASCII"});
    db.setSqlDialect(1);
    db.open();
    int n = -1;
    {
        FbQuery q(db);
        q.setSql("select count(*) as N from LOG");
        q.open();
        n = q.fieldByName("N").asInteger();
        q.close();
    }
    db.close();
    return n;
}
} // namespace

class TestBackup : public QObject
{
    Q_OBJECT
private slots:
    void copyWhileOpenRenamesThePreviousCopy()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        QDir().mkpath(env.path("backup"));
        for (int i = 0; i < 50; ++i) {
            TLog log;
            log.DtFrom = QDateTime::currentDateTime();
            log.TelNo = QString::number(i);
            log.TelType = QString::fromUtf8("着信");
            dmCmn->InsertLog(log);
        }
        Clock::setNow(QDateTime(QDate(2024, 2, 1), QTime(8, 9, 10)));
        QVERIFY(AutoBackup(*dmCmn, db.path(), env.path("backup"), true));
        QVERIFY(MessageService::shown().isEmpty());

        // The program goes on writing; a second backup moves the first copy aside.
        TLog more;
        more.DtFrom = QDateTime::currentDateTime();
        more.TelNo = "x";
        more.TelType = QString::fromUtf8("着信");
        dmCmn->InsertLog(more);
        QVERIFY(AutoBackup(*dmCmn, db.path(), env.path("backup") + "/", true));
        QVERIFY(QFileInfo::exists(env.path("backup/ZUVARODB.FDB_RENAME20240201_080910")));

        // Both copies are databases of their own that open with the rows of their time.
        QCOMPARE(logRowsIn(env.path("backup/ZUVARODB.FDB_RENAME20240201_080910")), 50);
        QCOMPARE(logRowsIn(env.path("backup/ZUVARODB.FDB")), 51);
        // And the program's own database is still writable.
        dmCmn->InsertLog(more);
    }

    void missingFolder()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        QVERIFY(!AutoBackup(*dmCmn, db.path(), env.path("nowhere"), true));
        QCOMPARE(MessageService::shownTexts(),
                 QStringList{QString::fromUtf8("バックアップ先が無効です。環境設定画面で有効なバックアップ先を確認設定してください。")});
        MessageService::clearShown();
        QVERIFY(!AutoBackup(*dmCmn, db.path(), QString(), false));
        QVERIFY(MessageService::shown().isEmpty());
        QVERIFY(ProgramRunner::logText().contains(QString::fromUtf8("バックアップ先が無効です。")));
    }

    void serverPathsMapToTheLocalFile()
    {
        QCOMPARE(LocalDatabaseFile("localhost:/srv/db/ZUVARODB.FDB"), QString("/srv/db/ZUVARODB.FDB"));
        QCOMPARE(LocalDatabaseFile("/srv/db/ZUVARODB.FDB"), QString("/srv/db/ZUVARODB.FDB"));
        QCOMPARE(LocalDatabaseFile("/srv/a:b/ZUVARODB.FDB"), QString("/srv/a:b/ZUVARODB.FDB"));
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
