#include "core/AppGlobals.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

#include <csignal>

// The real program keeping the calls of a phone through what can go wrong around it: the
// database's folder moved away and back while calls come, and a stop request with a burst
// of calls still queued.
class TestCallKeeping : public QObject
{
    Q_OBJECT

    static QString number(int i) { return QStringLiteral("03%1").arg(i, 8, 10, QLatin1Char('0')); }

    static int journaled()
    {
        QFile f(gDataDir + QStringLiteral("/CallJournal.txt"));
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : 0;
    }

    // A settings file with one Wi-Fi phone; returns its port.
    static int withPhone(const TestEnv& env)
    {
        const int port = PhoneSim::FreePort();
        env.writeIni(QStringLiteral("[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\nDEVICE_INDEX_1=0\n").arg(port));
        return port;
    }

    static QStringList storedInLogOrder()
    {
        return TestDatabase::ColumnIn(AppPaths::defaultDatabasePath(),
                                      QStringLiteral("select TEL_NO from LOG order by LOG_NO"));
    }

private slots:
    void databaseFolderAwayWhileCallsCome_data()
    {
        QTest::addColumn<bool>("wholeFolder");
        QTest::addColumn<bool>("stopWhileAway");
        QTest::newRow("folder back while running") << true << false;
        // The engine cannot let go of the database then; the program ends all the same.
        QTest::newRow("stop while the folder is away") << true << true;
        QTest::newRow("file back while running") << false << false;
    }

    // Calls at four a second while the database's folder is away for a while: the program
    // goes on, each call is in the journal soon after it came, and once the folder is back
    // every call is in the call log once, numbered in the order the calls came.
    void databaseFolderAwayWhileCallsCome()
    {
        QFETCH(bool, wholeFolder);
        QFETCH(bool, stopWhileAway);
        TestEnv env;
        {
            const TestDatabase upgradedFirst(AppPaths::defaultDatabasePath());
        }
        const int port = withPhone(env);
        ProgramRunner runner;
        QProcess* program = runner.start();
        auto phone = PhoneSim::Start(port, {"--own-number", "09011112222", "--ring-interval", "0"});
        QVERIFY(phone);
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")));

        const QString moved =
            wholeFolder ? QFileInfo(AppPaths::defaultDatabasePath()).absolutePath() : AppPaths::defaultDatabasePath();
        QStringList sent;
        int next = 0;
        const auto callOnce = [&]() {
            sent << number(++next);
            phone->write((sent.last() + QLatin1Char('\n')).toLatin1());
            QTest::qWait(250);
        };
        for (int i = 0; i < 6; ++i)
            callOnce();
        QTRY_COMPARE_WITH_TIMEOUT(ProgramRunner::logText().count(QStringLiteral("LogNo1=")), 6, 30000);

        QVERIFY(QDir().rename(moved, moved + QStringLiteral(".away")));
        // Long enough for the periodic check to find the folder gone.
        for (int i = 0; i < 48; ++i)
            callOnce();
        QElapsedTimer last;
        last.start();
        // Kept within seconds of the last call, however the engine takes the loss.
        QTRY_COMPARE_WITH_TIMEOUT(journaled(), 48, 5000);
        qInfo("all journaled %lld ms after the last call was sent", last.elapsed());
        QCOMPARE(program->state(), QProcess::Running);

        if (stopWhileAway) {
            QCOMPARE(runner.terminate(program), 0);
            phone->waitForFinished(5000);
            QVERIFY(QDir().rename(moved + QStringLiteral(".away"), moved));
            QProcess* again = runner.start();
            QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Journaled calls written to the call log: ")));
            QCOMPARE(runner.terminate(again), 0);
        } else {
            QVERIFY(QDir().rename(moved + QStringLiteral(".away"), moved));
            for (int i = 0; i < 6; ++i)
                callOnce();
            QTRY_VERIFY_WITH_TIMEOUT(ProgramRunner::logText().contains(sent.last()) && journaled() == 0, 60000);
            phone->closeWriteChannel();
            QCOMPARE(runner.terminate(program), 0);
            phone->waitForFinished(5000);
        }
        QCOMPARE(journaled(), 0);
        QCOMPARE(storedInLogOrder(), sent);
    }

    // A phone's burst of 1,500 calls, a stop request while most are still queued: the
    // program ends within seconds, the queued calls in the journal; the next start stores
    // them, every call once.
    void stopWithABurstQueued()
    {
        TestEnv env;
        {
            const TestDatabase upgradedFirst(AppPaths::defaultDatabasePath());
        }
        const int port = withPhone(env);
        ProgramRunner runner;
        QProcess* program = runner.start();
        auto phone = PhoneSim::Start(port, {"--own-number", "09011112222", "--ring-interval", "0", "--show-sent"});
        QVERIFY(phone);
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")));
        const int calls = 1500;
        QByteArray burst;
        for (int i = 1; i <= calls; ++i)
            burst += number(i).toLatin1() + '\n';
        phone->write(burst);
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += phone->readAllStandardOutput()).count("> +CLIP") == calls, 30000);
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("LogNo1=")));

        QElapsedTimer t;
        t.start();
        ::kill(pid_t(program->processId()), SIGTERM);
        QVERIFY2(program->waitForFinished(10000), "the program did not end");
        qInfo("ended %lld ms after the signal, %d calls journaled", t.elapsed(), journaled());
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0);
        QVERIFY(journaled() > 0);
        phone->waitForFinished(5000);

        // The next start stores them before anything else.
        QProcess* again = runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("Journaled calls written to the call log: "), 60000));
        QCOMPARE(runner.terminate(again), 0);
        QCOMPARE(journaled(), 0);
        QStringList all;
        for (int i = 1; i <= calls; ++i)
            all << number(i);
        QCOMPARE(storedInLogOrder(), all);
    }
};

QTEST_GUILESS_MAIN(TestCallKeeping)
#include "tst_callkeeping.moc"
