// Login at start-up between real processes: two arguments, a refusal that ends the program
// normally, and the restart hand-over that never shows on the new copy's command line.

#include "admin/LoginFlow.h"
#include "core/AppGlobals.h"
#include "core/ProfileFile.h"
#include "db/InitialDatabase.h"
#include "db/TdmCmn.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

const char kPassword[] = "Zq7!secret";

bool WaitForCount(const QString& text, int count, int timeoutMs = 30000)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (ProgramRunner::logText().count(text) >= count)
            return true;
        QTest::qWait(100);
    }
    return false;
}

QByteArray ProcFile(qint64 pid, const char* name)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Gone(qint64 pid)
{
    const QByteArray stat = ProcFile(pid, "stat");
    return stat.isEmpty() || stat.contains(") Z ");
}

} // namespace

class TestLoginProcess : public QObject
{
    Q_OBJECT
private slots:
    void loginBetweenProcesses()
    {
        TestEnv env;
        InitialDatabase::Create(AppPaths::defaultDatabasePath());
        gIni->WriteString("BASIC", "LOGIN_AUTH", "1");
        ProgramRunner runner;

        // Wrong credentials: the one warning, "reboot Halt", no main window, exit status 0.
        QCOMPARE(runner.run({"nobody", "x"}), 0);
        QString log = ProgramRunner::logText();
        QVERIFY(log.contains(QString::fromUtf8(
            "MessageBox(warning): ユーザIDかパスワードが無効です。もしくは有効期限が過ぎています。")));
        QVERIFY(log.contains(QStringLiteral("reboot Halt")));
        QVERIFY(!log.contains(QStringLiteral("Android版 Ver. ")));
        QVERIFY(!log.contains(QStringLiteral("TfrmMain.FormDestroy")));

        {
            TdmCmn dm(AppPaths::defaultDatabasePath());
            dm.ExecSql(QStringLiteral("insert into USER_M (USERID, USERNM, PASSWD, AUTH) values ('tanaka', '田中', '") +
                       QLatin1String(kPassword) + QStringLiteral("', 1)"));
        }

        // The two command-line arguments still log in.
        QProcess* first = runner.start({"tanaka", QLatin1String(kPassword)});
        QVERIFY(WaitForCount(QStringLiteral("TfrmMain.LoginCheck UserId=tanaka"), 1));
        QVERIFY(WaitForCount(QStringLiteral("Android版 Ver. "), 1));
        QCOMPARE(runner.terminate(first), 0);

        // The restart: the new copy logs the same user in from the private hand-over.
        qputenv("ZUVARO_UNATTENDED", "no");
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qint64 pid = 0;
        QVERIFY(LoginFlow::StartRestartedCopy(ProgramRunner::programPath(),
                                              TUser{QStringLiteral("tanaka"), QStringLiteral("田中"),
                                                    QLatin1String(kPassword), 1},
                                              &pid));
        QVERIFY(pid > 0);
        QVERIFY(WaitForCount(QStringLiteral("TfrmMain.LoginCheck UserId=tanaka"), 2));
        QVERIFY(WaitForCount(QStringLiteral("Android版 Ver. "), 2));
        const QByteArray cmdline = ProcFile(pid, "cmdline");
        QCOMPARE(cmdline, QFile::encodeName(ProgramRunner::programPath()) + '\0');
        QVERIFY(!ProcFile(pid, "environ").contains(kPassword));
        QVERIFY(!ProgramRunner::logText().contains(QLatin1String(kPassword)));

        ::kill(pid_t(pid), SIGTERM);
        QElapsedTimer t;
        t.start();
        while (!Gone(pid) && t.elapsed() < 30000)
            QTest::qWait(100);
        QVERIFY(Gone(pid));
        QVERIFY(WaitForCount(QStringLiteral("TfrmMain.FormDestroy"), 2));
    }
};

QTEST_GUILESS_MAIN(TestLoginProcess)
#include "tst_login_process.moc"
