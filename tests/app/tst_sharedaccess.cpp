#include "core/AppGlobals.h"
#include "support/TestEnv.h"

#include <QtTest>

#include <csignal>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// One data folder, several accounts of a shop PC: root runs the program and the tools (an
// administrator, a cron job), then a member of the folder's group does the same, with a
// backup folder outside the data folders. Root
// only: it makes a throwaway account and group, and removes them.
class TestSharedAccess : public QObject
{
    Q_OBJECT

    QString FShop, FUserHome, FRootHome, FRootRuntime, FUser, FGroup;
    uint FUid = 0, FGid = 0;

    // Runs a program of ours, as root or as the member (with no session folder of its own).
    std::unique_ptr<QProcess> start(bool asUser, const QString& binary, const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"FIREBIRD_LOCK", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"})
            env.remove(QLatin1String(name));
        env.insert("ZUVARO_DATA_ROOT", FShop);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ZUVARO_UNATTENDED", "no");
        env.insert("HOME", asUser ? FUserHome : FRootHome);
        if (!asUser)
            env.insert("XDG_RUNTIME_DIR", FRootRuntime);
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        const QStringList as{"--reuid", QString::number(FUid), "--regid", QString::number(FGid), "--init-groups", "--"};
        p->start(asUser ? QStringLiteral("setpriv") : TestEnv::binary(binary),
                 asUser ? as + QStringList{TestEnv::binary(binary)} + args : args);
        p->waitForStarted(10000);
        return p;
    }

    int run(bool asUser, const QString& binary, const QStringList& args, QString* err = nullptr)
    {
        auto p = start(asUser, binary, args);
        if (!p->waitForFinished(60000))
            return -1;
        if (err)
            *err = QString::fromUtf8(p->readAllStandardError());
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    }

    QString log() const
    {
        QFile f(FShop + "/ordova/zuvaro3/log/log_" + gComputerName + "_Cur.txt");
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    bool waitForLog(const QString& text, int times)
    {
        return QTest::qWaitFor([&] { return log().count(text) >= times; }, 60000);
    }

    // The program takes a call handed over by a second start and ends at a stop request;
    // the tools write their files.
    void everythingWorks(bool asUser, const QString& who, int runsBefore)
    {
        auto program = start(asUser, "zuvaro3", {});
        QVERIFY(waitForLog(QString::fromUtf8("Android版 Ver. "), runsBefore + 1));
        QCOMPARE(run(asUser, "zuvaro3", {"/s", "031234567" + QString::number(runsBefore)}), 0);
        QVERIFY(waitForLog("LogNo1=", runsBefore + 1));
        program->terminate();
        QVERIFY(program->waitForFinished(30000));
        QCOMPARE(program->exitCode(), 0);
        const QString day = QDate::currentDate().toString("yyyy/MM/dd");
        QCOMPARE(run(asUser, "tools/zuvaro3-export/zuvaro3-export", {"--kind", "calls", "--out", FShop + "/out/" + who + ".csv"}), 0);
        QCOMPARE(run(asUser, "tools/zuvaro3-report/zuvaro3-report",
                     {"--summary", "ranking", "--group", "number", "--from", day, "--to", day, "--pdf", FShop + "/out/" + who + ".pdf"}),
                 0);
        QCOMPARE(run(asUser, "tools/zuvaro3-initdb/zuvaro3-initdb", {FShop + "/ordova/common/" + who + ".FDB"}), 0);
        QCOMPARE(run(asUser, "tools/zuvaro3-backup/zuvaro3-backup", {"--now", "--folder", FShop + "/backup"}), 0);

        // Everything below the data root is the group's to read and write, nobody else's.
        QDirIterator it(FShop, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            struct stat st;
            QCOMPARE(::lstat(QFile::encodeName(it.next()).constData(), &st), 0);
            const mode_t need = S_ISDIR(st.st_mode) ? 070 : 060;
            QVERIFY2(st.st_gid == FGid && (st.st_mode & need) == need && !(st.st_mode & 07),
                     qPrintable(QString("%1 %2 %3").arg(it.filePath()).arg(st.st_mode & 07777, 0, 8).arg(st.st_gid)));
        }
    }

private slots:
    void rootThenAGroupMember()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
            QSKIP("needs root (and setpriv) to make a throwaway account");
        TestEnv env;
        QVERIFY(QFile::setPermissions(env.root(), QFile::permissions(env.root()) | QFileDevice::ExeGroup | QFileDevice::ExeOther));
        FRootRuntime = env.path("runtime");
        FRootHome = env.path("home");
        FUserHome = env.path("member");
        FShop = env.path("shop");
        const QString tag = QString::number(::getpid());
        FGroup = "zuvg" + tag;
        FUser = "zuvu" + tag;
        QCOMPARE(QProcess::execute("groupadd", {FGroup}), 0);
        const auto removeGroup = qScopeGuard([this] { QProcess::execute("groupdel", {FGroup}); });
        QCOMPARE(QProcess::execute("useradd", {"-M", "-N", "-g", FGroup, "-d", FUserHome, "-s", "/usr/sbin/nologin", FUser}), 0);
        const auto removeUser = qScopeGuard([this] { QProcess::execute("userdel", {FUser}); });
        const passwd* pw = ::getpwnam(qPrintable(FUser));
        QVERIFY(pw);
        FUid = pw->pw_uid;
        FGid = pw->pw_gid;
        if (run(true, "zuvaro3", {"--version"}) != 0)
            QSKIP("the build tree is not reachable for another account");

        // The folders as the package makes them: the group's, set-group-id.
        for (const QString& dir : {FShop, FShop + "/ordova", FShop + "/out", FShop + "/backup", FUserHome}) {
            QVERIFY(QDir().mkpath(dir));
            QCOMPARE(::chown(QFile::encodeName(dir).constData(), dir == FUserHome ? FUid : 0, FGid), 0);
            QCOMPARE(::chmod(QFile::encodeName(dir).constData(), dir == FUserHome ? 0700 : 02770), 0);
        }
        // Another local account made the shared fallback runtime folder first.
        const QString taken = QDir::tempPath() + "/runtime-" + FUser;
        QVERIFY(QDir().mkpath(taken));
        const auto removeTaken = qScopeGuard([taken] { QDir(taken).removeRecursively(); });

        QCOMPARE(run(false, "tools/zuvaro3-initdb/zuvaro3-initdb", {FShop + "/ordova/common/ZUVARODB.FDB"}), 0);
        everythingWorks(false, "root", 0);
        everythingWorks(true, "member", 1);

        // Held by the member's running program: the tool run by root says so.
        QString err;
        {
            auto program = start(true, "zuvaro3", {});
            QVERIFY(waitForLog(QString::fromUtf8("Android版 Ver. "), 3));
            QCOMPARE(run(false, "tools/zuvaro3-export/zuvaro3-export", {"--kind", "calls", "--out", FShop + "/out/held.csv"}, &err), 3);
            QVERIFY2(err.contains("held by another program"), qPrintable(err));
            program->terminate();
            QVERIFY(program->waitForFinished(30000));
        }

        // Root's backup from cron holds the database (caught, and held still, once its engine
        // has attached): the engine's lock files stay usable by the group while it runs.
        const QString lockFolder = FShop + "/ordova/common/fblock";
        {
            auto backup = start(false, "tools/zuvaro3-backup/zuvaro3-backup", {"--now", "--folder", FShop + "/backup"});
            bool caught = false;
            QElapsedTimer waited;
            waited.start();
            for (int i = 0; !caught && waited.elapsed() < 60000; ++i) {
                if (!QDir(lockFolder).entryList({"fb_lock_*"}, QDir::Files).isEmpty())
                    caught = ::kill(pid_t(backup->processId()), SIGSTOP) == 0;
                else if (i % 1000 == 0 && backup->waitForFinished(0))
                    break;
            }
            if (!caught)
                QSKIP("root's backup ended before its attachment could be seen");
            // Held still, it may hold the engine's own locks, on which a member's start would
            // wait: the member checks its rights on every lock file instead.
            const QString check = "for f in \"$0\"/*; do [ -r \"$f\" ] && [ -w \"$f\" ] || { echo \"$f\"; exit 1; }; done";
            QProcess member;
            member.start("setpriv", {"--reuid", QString::number(FUid), "--regid", QString::number(FGid), "--init-groups", "--",
                                     "sh", "-c", check, lockFolder});
            QVERIFY(member.waitForFinished(30000));
            ::kill(pid_t(backup->processId()), SIGCONT);
            QVERIFY2(member.exitCode() == 0, member.readAllStandardOutput().constData());
            QVERIFY(backup->waitForFinished(60000));
            QCOMPARE(backup->exitCode(), 0);
        }

        // A lock file only root may open (left by an older version's root run): the messages
        // name the lock folder and the missing rights, not the settings file, and nothing is
        // said to be held.
        const QByteArray init = QFile::encodeName(lockFolder + "/fb_init");
        QCOMPARE(::chown(init.constData(), 0, 0), 0);
        QCOMPARE(::chmod(init.constData(), 0600), 0);
        QCOMPARE(run(true, "tools/zuvaro3-export/zuvaro3-export", {"--kind", "calls", "--out", FShop + "/out/denied.csv"}, &err), 1);
        QVERIFY2(err.contains("cannot use its lock folder " + lockFolder + " (no permission)"), qPrintable(err));
        QVERIFY2(!err.contains("held by another"), qPrintable(err));
        QCOMPARE(run(true, "tools/zuvaro3-backup/zuvaro3-backup", {"--now", "--folder", FShop + "/backup"}, &err), 1);
        QVERIFY2(err.contains("cannot use its lock folder " + lockFolder + " (no permission)"), qPrintable(err));
        QVERIFY2(!err.contains("open in another program"), qPrintable(err));
        const int linesBefore = log().count('\n');
        QCOMPARE(run(true, "zuvaro3", {}), 1);
        const QString said = log().section('\n', linesBefore);
        QVERIFY2(said.contains(QString::fromUtf8("MessageBox(error): データベースエンジンのロックフォルダ ") + lockFolder +
                               QString::fromUtf8(" を使用できません（アクセス権がありません）。")),
                 qPrintable(said.right(600)));
        QVERIFY(!said.contains(QString::fromUtf8("zuvaro3.iniファイルの設定を確認してください")));
    }
};

QTEST_GUILESS_MAIN(TestSharedAccess)
#include "tst_sharedaccess.moc"
