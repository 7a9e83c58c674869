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

    // An upgraded database, one Wi-Fi phone set up, the program started and the phone linked.
    struct Shop
    {
        TestEnv env;
        int port = PhoneSim::FreePort();
        ProgramRunner runner;
        QProcess* program = nullptr;
        std::unique_ptr<QProcess> phone;
        explicit Shop(const QStringList& phoneArgs)
        {
            {
                const TestDatabase upgradedFirst(AppPaths::defaultDatabasePath());
            }
            env.writeIni(QStringLiteral("[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\nDEVICE_INDEX_1=0\n").arg(port));
            program = runner.start();
            phone =
                PhoneSim::Start(port, QStringList{"--own-number", "09011112222", "--ring-interval", "0"} + phoneArgs);
        }
        bool linked() const { return phone && ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")); }
        // The program, ended, started again until it has stored the journal's calls.
        bool restartReplays()
        {
            phone->waitForFinished(5000);
            QProcess* again = runner.start();
            return ProgramRunner::waitForLog(QStringLiteral("Journaled calls written to the call log: "), 60000) &&
                   runner.terminate(again) == 0;
        }
        static QStringList storedInLogOrder()
        {
            return TestDatabase::ColumnIn(AppPaths::defaultDatabasePath(),
                                          QStringLiteral("select TEL_NO from LOG order by LOG_NO"));
        }
    };

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
        Shop shop({});
        QVERIFY(shop.linked());

        const QString moved =
            wholeFolder ? QFileInfo(AppPaths::defaultDatabasePath()).absolutePath() : AppPaths::defaultDatabasePath();
        QStringList sent;
        int next = 0;
        const auto callOnce = [&]() {
            sent << number(++next);
            shop.phone->write((sent.last() + QLatin1Char('\n')).toLatin1());
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
        QCOMPARE(shop.program->state(), QProcess::Running);

        if (stopWhileAway) {
            QCOMPARE(shop.runner.terminate(shop.program), 0);
            QVERIFY(QDir().rename(moved + QStringLiteral(".away"), moved));
            QVERIFY(shop.restartReplays());
        } else {
            QVERIFY(QDir().rename(moved + QStringLiteral(".away"), moved));
            for (int i = 0; i < 6; ++i)
                callOnce();
            QTRY_VERIFY_WITH_TIMEOUT(ProgramRunner::logText().contains(sent.last()) && journaled() == 0, 60000);
            QCOMPARE(shop.runner.terminate(shop.program), 0);
        }
        QCOMPARE(journaled(), 0);
        QCOMPARE(Shop::storedInLogOrder(), sent);
    }

    // A phone's burst of 1,500 calls, a stop request while most are still queued: the
    // program ends within seconds, the queued calls in the journal; the next start stores
    // them, every call once.
    void stopWithABurstQueued()
    {
        Shop shop({"--show-sent"});
        QVERIFY(shop.linked());
        QStringList all;
        for (int i = 1; i <= 1500; ++i)
            all << number(i);
        shop.phone->write((all.join(QLatin1Char('\n')) + QLatin1Char('\n')).toLatin1());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += shop.phone->readAllStandardOutput()).count("> +CLIP") == all.size(), 30000);
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("LogNo1=")));

        QElapsedTimer t;
        t.start();
        ::kill(pid_t(shop.program->processId()), SIGTERM);
        QVERIFY2(shop.program->waitForFinished(10000), "the program did not end");
        qInfo("ended %lld ms after the signal, %d calls journaled", t.elapsed(), journaled());
        QCOMPARE(shop.program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(shop.program->exitCode(), 0);
        QVERIFY(journaled() > 0);
        QVERIFY(shop.restartReplays());
        QCOMPARE(journaled(), 0);
        QCOMPARE(Shop::storedInLogOrder(), all);
    }
};

QTEST_GUILESS_MAIN(TestCallKeeping)
#include "tst_callkeeping.moc"
