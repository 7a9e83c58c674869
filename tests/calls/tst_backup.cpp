#include "calls/DatabaseBackup.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/DatabaseCopy.h"
#include "db/DatabaseError.h"
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

    // A backup folder that holds the database itself: refused, nothing renamed.
    void refusesTheDatabaseItself_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("the database folder") << "db";
        QTest::newRow("a link to that folder") << "link";
        QTest::newRow("with a trailing dot") << "db/.";
    }

    void refusesTheDatabaseItself()
    {
        QFETCH(QString, folder);
        TestEnv env;
        LoadStartupSettings();
        QDir().mkpath(env.path("db"));
        QVERIFY(QFile::link(env.path("db"), env.path("link")));
        TestDatabase db(env.path("db/ZUVARODB.FDB"));
        QVERIFY(!AutoBackup(*dmCmn, db.path(), env.path(folder), true));
        QCOMPARE(MessageService::shown().size(), 1);
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Warning);
        QVERIFY(MessageService::shownTexts().first().contains(QString::fromUtf8("データベースファイルそのもの")));
        QCOMPARE(QDir(env.path("db")).entryList(QDir::Files), QStringList{"ZUVARODB.FDB"});
        TLog log;
        log.DtFrom = QDateTime::currentDateTime();
        log.TelNo = "0312345678";
        log.TelType = QString::fromUtf8("着信");
        dmCmn->InsertLog(log);
        QCOMPARE(logRowsIn(db.path()), 1);
    }

    // A kill between the copy's begin and end left the database locked: the next backups
    // end the lock and succeed, and their copies open.
    void staleLockIsEnded()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"), false);
        QDir().mkpath(env.path("backup"));
        dmCmn->ExecSql("ALTER DATABASE BEGIN BACKUP");
        dmCmn->IBDatabase1.close();
        QCOMPARE(DatabaseCopy::BackupState(*dmCmn), 1);
        for (int i = 0; i < 2; ++i) {
            Clock::setNow(QDateTime(QDate(2024, 2, 1), QTime(8, 9, 10 + i)));
            QVERIFY(AutoBackup(*dmCmn, db.path(), env.path("backup"), true));
            QCOMPARE(logRowsIn(env.path("backup/ZUVARODB.FDB")), 0);
        }
        QVERIFY(MessageService::shown().isEmpty());
        QCOMPARE(DatabaseCopy::BackupState(*dmCmn), 0);
        QVERIFY(!QFileInfo::exists(env.path("shop.fdb.delta")));
    }

    // A backup that fails says why when the button asked for it, and the previous copy
    // stays where it was.
    void failureKeepsThePreviousCopyAndSaysWhy()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        QDir().mkpath(env.path("backup"));
        QVERIFY(AutoBackup(*dmCmn, db.path(), env.path("backup"), true));
        dmCmn->IBDatabase1.setStatementHook([](const QString& sql) {
            if (sql.startsWith("ALTER DATABASE BEGIN BACKUP"))
                throw DatabaseError("unsuccessful metadata update (injected)");
        });
        QVERIFY(!AutoBackup(*dmCmn, db.path(), env.path("backup"), true));
        dmCmn->IBDatabase1.setStatementHook(nullptr);
        QCOMPARE(MessageService::shown().size(), 1);
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Error);
        QCOMPARE(MessageService::shownTexts().first(),
                 QString::fromUtf8("データファイル 「ZUVARODB.FDB」 を指定された場所にコピーできませんでした。\r\n"
                                   "unsuccessful metadata update (injected)"));
        QCOMPARE(QDir(env.path("backup")).entryList(QDir::Files), QStringList{"ZUVARODB.FDB"});
        QCOMPARE(logRowsIn(env.path("backup/ZUVARODB.FDB")), 0);
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
