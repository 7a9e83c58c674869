#include "calls/DatabaseBackup.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/BackupSet.h"
#include "db/DatabaseCopy.h"
#include "db/DatabaseError.h"
#include "db/TdmCmn.h"
#include "support/ProgramRunner.h"
#include "support/SmallDisk.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {
int logRowsIn(const QString& path)
{
    return TestDatabase::ColumnIn(path, "select count(*) from LOG").value(0, "-1").toInt();
}
} // namespace

class TestBackup : public QObject
{
    Q_OBJECT
private slots:
    void copiesWhileOpenAreKeptAsDatedCopies()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        QDir().mkpath(env.path("backup"));
        // A copy made by an older version under the plain name, which no dated copy holds.
        QFile legacy(env.path("backup/ZUVARODB.FDB"));
        QVERIFY(legacy.open(QIODevice::WriteOnly));
        legacy.write("an older copy");
        legacy.close();
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
        QVERIFY(QFileInfo::exists(env.path("backup/ZUVARODB.FDB_RENAME20240201_080910")));

        // The program goes on writing; the second copy is dated apart from the first.
        TLog more;
        more.DtFrom = QDateTime::currentDateTime();
        more.TelNo = "x";
        more.TelType = QString::fromUtf8("着信");
        dmCmn->InsertLog(more);
        Clock::setNow(QDateTime(QDate(2024, 2, 2), QTime(12, 30, 0)));
        QVERIFY(AutoBackup(*dmCmn, db.path(), env.path("backup") + "/", true));
        QCOMPARE(QDir(env.path("backup")).entryList(QDir::Files),
                 (QStringList{"ZUVARODB.FDB", "ZUVARODB.FDB_RENAME20240201_080910", "ZUVARODB_20240201_080910.FDB",
                              "ZUVARODB_20240202_123000.FDB"}));

        // Each copy is a database of its own that opens with the rows of its time; the plain
        // name is the newest, and an older version's copy was set aside, not replaced.
        QCOMPARE(logRowsIn(env.path("backup/ZUVARODB_20240201_080910.FDB")), 50);
        QCOMPARE(logRowsIn(env.path("backup/ZUVARODB_20240202_123000.FDB")), 51);
        QCOMPARE(logRowsIn(env.path("backup/ZUVARODB.FDB")), 51);
        // And the program's own database is still writable.
        dmCmn->InsertLog(more);
    }

    // Pruning keeps exactly the newest N of our dated copies and touches nothing else.
    void pruneKeepsOurNewestAndNothingElse_data()
    {
        QTest::addColumn<int>("keep");
        QTest::newRow("seven") << 7;
        QTest::newRow("two") << 2;
        QTest::newRow("one") << 1;
        QTest::newRow("nonsense keeps one") << 0;
    }

    void pruneKeepsOurNewestAndNothingElse()
    {
        QFETCH(int, keep);
        TestEnv env;
        const QString folder = env.path("backup");
        QDir().mkpath(folder);
        auto touch = [&](const QString& name, const QDateTime& modified = QDateTime::currentDateTime()) {
            QFile f(folder + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
            f.flush();
            f.setFileTime(modified, QFileDevice::FileModificationTime);
        };
        QStringList ours;
        for (int day = 1; day <= 9; ++day) {
            ours << QString("ZUVARODB_202403%1_123000.FDB").arg(day, 2, 10, QLatin1Char('0'));
            touch(ours.last());
        }
        const QStringList foreign{"ZUVARODB.FDB", "ZUVARODB.FDB_RENAME20240101_000000", "zuvarodb_20240101_123000.fdb",
                                  "ZUVARODB_20240101_123000.FDB.bak", "ZUVARODB_2024.FDB", "ZUVARODB_20240101_123000.GDB",
                                  "notes.txt", "ZUVARODB_20240420_123000.FDB.part"};
        for (const QString& name : foreign)
            touch(name);
        touch("ZUVARODB_20240101_123000.FDB.part", QDateTime::currentDateTime().addDays(-2));
        QDir().mkpath(folder + "/ZUVARODB_20230101_123000.FDB"); // a folder of that name
        // Links named like the newest copies: no generations of ours, neither counted nor removed.
        QVERIFY(QFile::link(folder + "/notes.txt", folder + "/ZUVARODB_20240420_123000.FDB"));
        QVERIFY(QFile::link(folder + "/" + ours.first(), folder + "/ZUVARODB_20240421_123000.FDB"));

        const QStringList removed = BackupSet::Prune(folder, keep, QDateTime::currentDateTime());
        const int kept = qMax(keep, 1);
        QCOMPARE(removed.size(), 9 - kept + 1);
        QStringList expected = foreign + ours.mid(9 - kept) +
                               QStringList{"ZUVARODB_20230101_123000.FDB", "ZUVARODB_20240420_123000.FDB",
                                           "ZUVARODB_20240421_123000.FDB"};
        expected.sort();
        QStringList left = QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
        left.sort();
        QCOMPARE(left, expected);
        QCOMPARE(BackupSet::Newest(folder, QDateTime::currentDateTime()), QDateTime(QDate(2024, 3, 9), QTime(12, 30)));
    }

    // The daily time: due once the time of day has passed without a copy since.
    void dailyCopyIsDue_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QTime>("at");
        QTest::addColumn<QDateTime>("newest");
        QTest::addColumn<bool>("due");
        const QDate d(2024, 5, 10);
        QTest::newRow("never copied") << QDateTime(d, QTime(8, 0)) << QTime(12, 30) << QDateTime() << true;
        QTest::newRow("before the time, copied yesterday after it")
            << QDateTime(d, QTime(12, 29, 59)) << QTime(12, 30) << QDateTime(d.addDays(-1), QTime(12, 30)) << false;
        QTest::newRow("at the time") << QDateTime(d, QTime(12, 30)) << QTime(12, 30) << QDateTime(d.addDays(-1), QTime(12, 30)) << true;
        QTest::newRow("after the time, copied since") << QDateTime(d, QTime(18, 0)) << QTime(12, 30) << QDateTime(d, QTime(12, 30, 2))
                                                      << false;
        QTest::newRow("morning after a day switched off")
            << QDateTime(d, QTime(9, 0)) << QTime(12, 30) << QDateTime(d.addDays(-2), QTime(17, 0)) << true;
        QTest::newRow("copied at the last end after the time")
            << QDateTime(d, QTime(9, 0)) << QTime(12, 30) << QDateTime(d.addDays(-1), QTime(19, 0)) << false;
        QTest::newRow("new year") << QDateTime(QDate(2025, 1, 1), QTime(0, 10)) << QTime(23, 30) << QDateTime(QDate(2024, 12, 30), QTime(23, 0))
                                  << true;
    }

    void dailyCopyIsDue()
    {
        QFETCH(QDateTime, now);
        QFETCH(QTime, at);
        QFETCH(QDateTime, newest);
        QFETCH(bool, due);
        QCOMPARE(BackupSet::DailyDue(now, at, newest), due);
        // Names carry the time to the second, and only ours give one.
        QCOMPARE(BackupSet::TimeOfName(BackupSet::FileName(now)), now);
        QVERIFY(!BackupSet::TimeOfName("ZUVARODB_" + now.toString("yyyyMMdd_HHmmss") + ".FDB.part").isValid());
    }

    void dailyTimeSetting()
    {
        QCOMPARE(ParseDailyBackupTime("7:05"), QTime(7, 5));
        QCOMPARE(ParseDailyBackupTime(" 23:59 "), QTime(23, 59));
        QCOMPARE(ParseDailyBackupTime("25:00"), QTime(12, 30));
        QCOMPARE(ParseDailyBackupTime("noon"), QTime(12, 30));
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
        QCOMPARE(QDir(env.path("backup")).entryList(QDir::Files).size(), 2);
        QCOMPARE(logRowsIn(env.path("backup/ZUVARODB.FDB")), 0);
    }

    // A backup folder that is full or read-only: every way of copying names the reason, and
    // the generation already there stays whole.
    void fullOrReadOnlyFolderIsNamed_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full") << false << QString::fromUtf8("容量不足");
        QTest::newRow("read-only") << true << QString::fromUtf8("書き込めません");
    }

    void fullOrReadOnlyFolderIsNamed()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, reason);
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        SmallDisk disk(env.path("backup"), 6144);
        if (!disk.mounted())
            QSKIP("a small file system of its own needs root (mount -t tmpfs)");
        Clock::setNow(QDateTime(QDate(2024, 2, 1), QTime(8, 0)));
        QVERIFY(AutoBackup(*dmCmn, db.path(), disk.path(), false));
        if (readOnly)
            QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", disk.path()}), 0);
        else
            disk.fill();
        Clock::setNow(QDateTime(QDate(2024, 2, 2), QTime(8, 0)));
        QVERIFY(!AutoBackup(*dmCmn, db.path(), disk.path(), true));
        QCOMPARE(MessageService::shown().size(), 1);
        QVERIFY2(MessageService::shownTexts().first().contains(reason), qPrintable(MessageService::shownTexts().first()));
        QVERIFY(ProgramRunner::logText().contains("TfrmMain.AutoBackup E.Message=" + reason));
        QCOMPARE(DatabaseCopy::BackupState(*dmCmn), 0);
        if (readOnly)
            QProcess::execute("mount", {"-o", "remount,rw", disk.path()});
        disk.release();
        QCOMPARE(BackupSet::List(disk.path()).size(), 1);
        QCOMPARE(logRowsIn(disk.path() + "/ZUVARODB_20240201_080000.FDB"), 0);
        Clock::reset();
        MessageService::clearShown();
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
