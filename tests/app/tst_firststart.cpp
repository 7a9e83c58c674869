#include "core/AppGlobals.h"
#include "db/FbDatabase.h"
#include "db/FirstStartDatabase.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QtTest>

// A fresh PC: the real program makes its own database, and asking the programs for their
// help or version touches nothing.
class TestFirstStart : public QObject
{
    Q_OBJECT

private slots:
    void infoArgumentsTouchNothing_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("expected");
        const QString version = QStringLiteral(ZUVARO_VERSION);
        for (const char* p : {"zuvaro3", "tools/zuvaro3-initdb/zuvaro3-initdb", "tools/zuvaro3-export/zuvaro3-export",
                              "tools/zuvaro3-report/zuvaro3-report", "tools/zuvaro-phone/zuvaro-phone"}) {
            const QString name = QFileInfo(QString::fromLatin1(p)).fileName();
            QTest::addRow("%s --help", qPrintable(name)) << QString::fromLatin1(p) << "--help" << "Usage: ";
            QTest::addRow("%s --version", qPrintable(name)) << QString::fromLatin1(p) << "--version" << version;
        }
        QTest::addRow("zuvaro3 -h") << "zuvaro3" << "-h" << "/s TEXT";
    }

    void infoArgumentsTouchNothing()
    {
        QFETCH(QString, program);
        QFETCH(QString, argument);
        QFETCH(QString, expected);
        TestEnv env;
        QTemporaryDir fresh;
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("ZUVARO_DATA_ROOT", fresh.path() + "/data");
        e.insert("XDG_CONFIG_HOME", fresh.path() + "/config");
        e.insert("HOME", env.path("home"));
        e.remove("FIREBIRD_LOCK");
        // A terminal without a display.
        e.remove("DISPLAY");
        e.remove("WAYLAND_DISPLAY");
        e.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(e);
        p.start(TestEnv::binary(program), {argument});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(QString::fromUtf8(p.readAllStandardOutput()).contains(expected), qPrintable(expected));
        QCOMPARE(QDir(fresh.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void firstStartCreatesTheDatabase()
    {
        TestEnv env;
        const QString db = AppPaths::defaultDatabasePath();
        ProgramRunner runner;
        QProcess* p = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Android版 Ver. ")));
        QVERIFY(ProgramRunner::logText().contains(QString::fromUtf8("初期データベースを作成しました DB_PATH=") + db));
        QVERIFY(!ProgramRunner::logText().contains(QString::fromUtf8("データベースへの接続に失敗しました")));
        QVERIFY(QFileInfo(db).permissions().testFlag(QFile::WriteGroup));
        QCOMPARE(runner.terminate(p), 0);

        // The next start finds it and leaves it alone.
        QFile::remove(gCurLogFile);
        p = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Android版 Ver. ")));
        QVERIFY(!ProgramRunner::logText().contains(QStringLiteral("FirstStartDatabase")));
        QCOMPARE(runner.terminate(p), 0);
    }

    // Anything but the default file on a PC not used yet is a file gone missing: an
    // unattended start names it, ends, and creates nothing.
    void missingDatabaseEndsUnattended_data()
    {
        QTest::addColumn<QString>("dbPath"); // relative to the data root; empty: the default
        QTest::addColumn<QString>("trace");  // a file of earlier use, relative to the data root
        QTest::addRow("a typo in DB_PATH") << "ordova/common/ZUVARODB.FBD" << "";
        QTest::addRow("a share that did not mount") << "mnt/share/ZUVARODB.FDB" << "";
        QTest::addRow("default, after a run") << "" << "ordova/zuvaro3/log/log_OLD_Cur.txt";
        QTest::addRow("default, calls journaled") << "" << "ordova/zuvaro3/CallJournal.txt";
        QTest::addRow("default, backups taken") << "" << "backup/ZUVARODB_20240501_123000.FDB";
    }

    void missingDatabaseEndsUnattended()
    {
        QFETCH(QString, dbPath);
        QFETCH(QString, trace);
        TestEnv env;
        const QString db = dbPath.isEmpty() ? AppPaths::defaultDatabasePath() : env.path("data/" + dbPath);
        env.writeIni("[ZUVARO_DB]\nDB_PATH=" + (dbPath.isEmpty() ? QString() : db) +
                     "\n[BASIC]\nAUTO_BACKUP_PATH=" + env.path("data/backup") + "\n");
        if (!trace.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(env.path("data/" + trace)).path()));
            QFile f(env.path("data/" + trace));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
        ProgramRunner runner("yes");
        QCOMPARE(runner.run({}), 1);
        const QString log = ProgramRunner::logText();
        QVERIFY2(log.contains(QString::fromUtf8("MessageBox(error): データベースファイル ") + db +
                              QString::fromUtf8(" がありません。")),
                 qPrintable(log));
        QVERIFY(log.contains(QString::fromUtf8("データベースを作成せずに終了します。")));
        QVERIFY(!log.contains(QStringLiteral("Android版 Ver. ")));
        QVERIFY(!QFileInfo::exists(db));
        QVERIFY(!QFileInfo::exists(env.path("data/mnt"))); // not even the folder of the share
    }

    // The cases the program cannot or must not create, in process.
    void leftAlone()
    {
        TestEnv env;
        const QString existing = env.path("data/ordova/common/OLD.FDB");
        QVERIFY(QDir().mkpath(QFileInfo(existing).path()));
        {
            QFile f(existing);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not touched");
        }
        QCOMPARE(FirstStartDatabase::Ensure(existing), FirstStartDatabase::Outcome::Present);
        QFile f(existing);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("not touched"));

        // Below a file, no folder can be made (whoever runs this, root too).
        const QString blocked = existing + "/db/ZUVARODB.FDB";
        QCOMPARE(FirstStartDatabase::Ensure(blocked), FirstStartDatabase::Outcome::NotCreatable);
        QVERIFY(ProgramRunner::logText().contains(QString::fromUtf8("に書き込めないため作成できません")));

        const QString server = "dbhost:" + env.path("server/ZUVARODB.FDB");
        QCOMPARE(FirstStartDatabase::Ensure(server), FirstStartDatabase::Outcome::OnServer);
        QVERIFY(!QDir(env.path("server")).exists());

        // The engine's words for a file the server does not have.
        const QString missing = "I/O error during \"open\" operation for file \"/srv/ZUVARODB.FDB\"\n"
                                "-Error while trying to open file\n-No such file or directory";
        QVERIFY(FirstStartDatabase::ServerMissingHint("dbhost:/srv/ZUVARODB.FDB", missing).contains("サーバーの管理者"));
        QVERIFY(FirstStartDatabase::ServerMissingHint("/srv/ZUVARODB.FDB", missing).isEmpty());
        QVERIFY(FirstStartDatabase::ServerMissingHint("dbhost:/srv/ZUVARODB.FDB", "Your user name and password are not defined")
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFirstStart)
#include "tst_firststart.moc"
