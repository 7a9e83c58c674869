// zuvaro3-backup against the real program: a copy, the list, and a restore that is refused
// while the program has the database open and done once it has ended.

#include "core/AppGlobals.h"
#include "db/DatabaseCopy.h"
#include "db/FbDatabase.h"
#include "db/InitialDatabase.h"
#include "support/FbServer.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSysInfo>
#include <QtTest>

namespace {
struct Result
{
    int code;
    QString out;
    QString err;
};

Result backupTool(const QStringList& args)
{
    QProcess p;
    p.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-backup/zuvaro3-backup")), args);
    if (!p.waitForFinished(120000))
        return {-1, QString(), QString()};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
// The program's local database and a backup folder in the settings; returns the folder.
QString localShop(const TestEnv& env, const QString& live)
{
    InitialDatabase::Create(live);
    const QString folder = env.path("backup");
    QDir().mkpath(folder);
    env.writeIni("[BASIC]\nAUTO_BACKUP_PATH=" + folder + "\n");
    return folder;
}

bool opens(const QString& database)
{
    try {
        return TestDatabase::ColumnIn(database, "select 1 from RDB$DATABASE").size() == 1;
    } catch (const std::exception&) {
        return false;
    }
}
} // namespace

class TestBackupTool : public QObject
{
    Q_OBJECT
private slots:
    void copyListAndRestoreRefusedWhileTheProgramRuns()
    {
        TestEnv env;
        const QString live = AppPaths::defaultDatabasePath();
        const QString folder = localShop(env, live);

        const Result made = backupTool({"--now"});
        QCOMPARE(made.code, 0);
        const QString copy = made.out.trimmed();
        QVERIFY2(QFileInfo(copy).fileName().startsWith("ZUVARODB_"), qPrintable(made.out + made.err));
        QVERIFY(QFileInfo::exists(folder + "/ZUVARODB.FDB"));
        // A file that is not a database, named like a copy, lists as damaged.
        QFile junk(folder + "/ZUVARODB_20200101_000000.FDB");
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a database");
        junk.close();
        const Result listed = backupTool({"--list"});
        QCOMPARE(listed.code, 0);
        QCOMPARE(listed.out.count('\n'), 2);
        QVERIFY(listed.out.contains(QFileInfo(copy).fileName() + "  ok"));
        QVERIFY(listed.out.contains("ZUVARODB_20200101_000000.FDB  DAMAGED"));
        QCOMPARE(backupTool({"--restore", "ZUVARODB_20200101_000000.FDB"}).code, 1);

        ProgramRunner runner;
        QProcess* program = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")));
        const QStringList before = QDir(QFileInfo(live).path()).entryList(QDir::Files);
        const Result refused = backupTool({"--restore", copy});
        QCOMPARE(refused.code, 3);
        QVERIFY2(refused.err.contains("refused"), qPrintable(refused.err));
        QCOMPARE(QDir(QFileInfo(live).path()).entryList(QDir::Files), before);
        QCOMPARE(runner.terminate(program), 0);

        const Result restored = backupTool({"--restore", copy});
        QCOMPARE(restored.code, 0);
        const QStringList after = QDir(QFileInfo(live).path()).entryList({"ZUVARODB.FDB*"}, QDir::Files);
        QCOMPARE(after.size(), 2);
        QVERIFY(after.at(1).startsWith("ZUVARODB.FDB_before_restore_"));
        QCOMPARE(backupTool({"--keep", "1"}).code, 0);
        QCOMPARE(QDir(folder).entryList({"ZUVARODB_*"}, QDir::Files), QStringList{QFileInfo(copy).fileName()});
    }

    // A copy killed at any moment (the lock begun, half ended, the copy half checked), then a
    // call: the next copy ends what the killed one left and holds every call.
    void copyAfterACopyKilledAtAnyMoment()
    {
        TestEnv env;
        const QString live = AppPaths::defaultDatabasePath();
        const QString folder = localShop(env, live);
        QElapsedTimer whole;
        whole.start();
        QCOMPARE(backupTool({"--now"}).code, 0);
        const qint64 span = qMax<qint64>(whole.elapsed(), 20);
        for (int i = 0; i < 16; ++i) {
            QProcess p;
            p.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-backup/zuvaro3-backup")), {"--now"});
            QVERIFY(p.waitForStarted());
            QTest::qSleep(int(span * i / 16));
            p.kill();
            p.waitForFinished();
            // The engine's lock files may need a moment to let go of the killed process.
            QTRY_VERIFY_WITH_TIMEOUT(opens(live), 10000);
            TestDatabase::ColumnIn(live, QString("insert into LOG (LOG_NO, TEL_NO) values (%1, '03%1') returning LOG_NO")
                                             .arg(1000 + i));
            const Result again = backupTool({"--now"});
            const QString calls = TestDatabase::ColumnIn(live, "select count(*) from LOG").value(0);
            QCOMPARE(calls, QString::number(i + 1));
            QVERIFY2(again.code == 0, qPrintable(again.err));
            QCOMPARE(TestDatabase::ColumnIn(again.out.trimmed(), "select count(*) from LOG").value(0), calls);
        }
    }

    // On the server, with another PC attached and taking calls: a lock whose copier was
    // killed is ended and the copy made; the lock of a copy still under way is left alone and
    // the copy reported as failed.
    void serverLockOfAKilledCopier_data()
    {
        QTest::addColumn<bool>("copierKilled");
        QTest::newRow("copier killed") << true;
        QTest::newRow("copier still copying") << false;
    }

    void serverLockOfAKilledCopier()
    {
        QFETCH(bool, copierKilled);
        if (!FbServer::Installed())
            QSKIP("the Firebird server package is not installed (scripts/deps.sh installs it)");
        TestEnv env;
        FbServer server;
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const QString file = QDir(server.dir()).filePath("data/ZUVARODB.FDB");
        QProcess initdb;
        initdb.start(TestEnv::binary("tools/zuvaro3-initdb/zuvaro3-initdb"), {file});
        QVERIFY(initdb.waitForFinished(60000));
        QCOMPARE(initdb.exitCode(), 0);
        const QString remote = server.remotePath(file);
        const QString folder = env.path("backup");
        QDir().mkpath(folder);
        env.writeIni("[BASIC]\nAUTO_BACKUP_PATH=" + folder + "\n[ZUVARO_DB]\nDB_PATH=" + remote +
                     "\nDB_USER=SYSDBA\nDB_PASSWORD=pinewoodx\n");

        FbDatabase pc; // the other PC
        pc.setDatabaseName(remote);
        pc.setParams({"user_name=SYSDBA", "password=pinewoodx", "lc_ctype=NONE"});
        pc.setSqlDialect(1);
        pc.open();
        const auto scalar = [&remote](const QString& sql) { return TestDatabase::ColumnIn(remote, sql).value(0); };
        QProcess copier;
        copier.setProcessChannelMode(QProcess::MergedChannels);
        copier.start("isql-fb", {"-q", "-user", "SYSDBA", "-password", "pinewoodx", remote});
        QVERIFY(copier.waitForStarted());
        copier.write("alter database begin backup; commit; select 'ID=' || current_connection from rdb$database;\n");
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += copier.readAll()).contains("ID="), said.constData(), 30000);
        DatabaseCopy::TLockHolder holder;
        holder.Pid = copier.processId();
        holder.Host = QSysInfo::machineHostName();
        holder.Attachment = said.mid(said.indexOf("ID=") + 3).split('\n').value(0).trimmed().toLongLong();
        QVERIFY(DatabaseCopy::WriteLockMarker(file, holder));
        if (copierKilled) {
            copier.kill();
            QVERIFY(copier.waitForFinished());
        }
        scalar("insert into LOG (LOG_NO, TEL_NO) values (1, '0311112222') returning LOG_NO");

        const Result made = backupTool({"--now"});
        if (copierKilled) {
            QVERIFY2(made.code == 0, qPrintable(made.err));
            QCOMPARE(TestDatabase::ColumnIn(made.out.trimmed(), "select count(*) from LOG").value(0), QString("1"));
            QCOMPARE(scalar("select MON$BACKUP_STATE from MON$DATABASE"), QString("0"));
        } else {
            QCOMPARE(made.code, 1);
            QVERIFY2(made.err.contains("the copy failed: the database is locked by a copy in progress"), qPrintable(made.err));
            QVERIFY(ProgramRunner::logText().contains("locked by a copy in progress"));
            QCOMPARE(scalar("select MON$BACKUP_STATE from MON$DATABASE"), QString("1"));
            copier.write("alter database end backup; commit; exit;\n");
            QVERIFY(copier.waitForFinished(30000));
        }
        pc.close();
    }

    // A restore killed at any moment leaves the old database or the copy at the database's
    // path, never neither; the next run clears what was left and can restore again.
    void restoreKilledAtAnyMoment()
    {
        TestEnv env;
        const QString live = AppPaths::defaultDatabasePath();
        const QString folder = localShop(env, live);
        const QString copy = backupTool({"--now"}).out.trimmed();
        QVERIFY(QFileInfo::exists(copy));
        const QString dir = QFileInfo(live).path();
        const auto dbFiles = [&]() { return QDir(dir).entryList({"ZUVARODB.FDB*"}, QDir::Files); };
        QElapsedTimer whole;
        whole.start();
        QVERIFY(backupTool({"--restore", copy}).code == 0);
        const qint64 span = qMax<qint64>(whole.elapsed(), 20);
        for (int i = 0; i < 12; ++i) {
            QProcess p;
            p.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-backup/zuvaro3-backup")), {"--restore", copy});
            QVERIFY(p.waitForStarted());
            QTest::qSleep(int(span * i / 12));
            p.kill();
            p.waitForFinished();
            QVERIFY2(QFileInfo::exists(live), qPrintable(dbFiles().join(' ')));
            // Whatever is in place opens and reads.
            QCOMPARE(TestDatabase::ColumnIn(live, "select count(*) from LOG").size(), 1);
            const Result again = backupTool({"--restore", copy});
            QVERIFY2(again.code == 0, qPrintable(again.err));
            QVERIFY(!QFileInfo::exists(live + ".restore"));
        }
    }
};

QTEST_GUILESS_MAIN(TestBackupTool)
#include "tst_backuptool.moc"
