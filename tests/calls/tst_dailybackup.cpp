// The daily copy made by the running program: at its time while calls come in, and caught
// up at the next start after a time that passed with the program ended.

#include "calls/DatabaseBackup.h"
#include "calls/TfrmMain.h"
#include "core/Clock.h"
#include "core/StartupSettings.h"
#include "db/BackupSet.h"
#include "db/TdmCmn.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QLabel>
#include <QtTest>

namespace {
int logRowsIn(const QString& path)
{
    return TestDatabase::ColumnIn(path, "select count(*) from LOG").value(0, "-1").toInt();
}

QStringList datedCopies(const QString& folder)
{
    QStringList names;
    for (const BackupSet::TBackupFile& f : BackupSet::List(folder))
        names << QFileInfo(f.Path).fileName();
    return names;
}
// The daily copy at 12:30 into a backup folder of the test's, keeping the given number.
QString dailyAt1230(const TestEnv& env, const TestDatabase& db, int keep)
{
    const QString folder = env.path("backup");
    QDir().mkpath(folder);
    GTelDbPath = db.path();
    GAutoBackupPath = folder;
    GDailyBackup = true;
    GDailyBackupTime = QTime(12, 30);
    GBackupGenerations = keep;
    return folder;
}
} // namespace

class TestDailyBackup : public QObject
{
    Q_OBJECT
private slots:
    void copiesAtItsTimeWhileCallsComeAndCatchesUpAtStart()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QString folder = dailyAt1230(env, db, 2);
        const QDate day(2024, 6, 3);
        // Yesterday's copy, taken after its time: nothing is due this morning.
        QFile yesterday(folder + "/ZUVARODB_20240602_123000.FDB");
        QVERIFY(yesterday.open(QIODevice::WriteOnly));
        yesterday.close();

        Clock::setNow(QDateTime(day, QTime(12, 29, 30)));
        int calls = 0;
        int duringCopy = 0;
        {
            TfrmMain form;
            form.SetFlashInterval(1);
            form.SetSpeaker([](const QString&, const QString&, const QString&) {});
            QVERIFY(form.FormCreate());
            QVERIFY(!form.DailyBackupRunning());
            connect(form.Pipeline(), &CallPipeline::callProcessed, this, [&]() {
                ++calls;
                if (BackupJob::AnyRunning())
                    ++duringCopy;
            });
            for (int i = 0; i < 5; ++i)
                form.OnDemoActivate(QString("03000000%1").arg(i, 2, 10, QLatin1Char('0')));
            QTRY_COMPARE(calls, 5);

            // The time comes: the copy starts and calls go on being taken while it runs.
            Clock::setNow(QDateTime(day, QTime(12, 30, 0)));
            form.DailyBackupCheck();
            QVERIFY(form.DailyBackupRunning());
            QVERIFY(form.StatusText(0).contains(QString::fromUtf8("バックアップを作成しています")));
            for (int i = 5; i < 25; ++i)
                form.OnDemoActivate(QString("03000000%1").arg(i, 2, 10, QLatin1Char('0')));
            QTRY_VERIFY_WITH_TIMEOUT(!form.DailyBackupRunning(), 60000);
            QTRY_COMPARE(calls, 25);
            QVERIFY2(duringCopy > 0, "no call was taken while the copy ran");
            QCOMPARE(form.StatusText(0),
                     QString::fromUtf8("バックアップを作成しました（ZUVARODB_20240603_123000.FDB）"));
            QVERIFY(ProgramRunner::logText().contains("Backup written: " + folder + "/ZUVARODB_20240603_123000.FDB"));
            // Every call is in the database; the copy holds those before its time.
            QCOMPARE(TestDatabase::Scalar("select count(*) from LOG"), QString("25"));
            QCOMPARE(logRowsIn(folder + "/ZUVARODB_20240603_123000.FDB"), 5);
            QCOMPARE(logRowsIn(folder + "/ZUVARODB.FDB"), 5);

            // Once made, the next minutes' checks start nothing.
            Clock::setNow(QDateTime(day, QTime(18, 0)));
            form.DailyBackupCheck();
            QVERIFY(!form.DailyBackupRunning());
            form.Teardown();
        }

        // The program was not running at the next day's time: the next start catches up.
        Clock::setNow(QDateTime(day.addDays(2), QTime(8, 15, 0)));
        {
            TfrmMain form;
            QVERIFY(form.FormCreate());
            QVERIFY(form.DailyBackupRunning());
            QTRY_VERIFY_WITH_TIMEOUT(!form.DailyBackupRunning(), 60000);
            form.Teardown();
        }
        // Two kept, the oldest removed.
        QCOMPARE(datedCopies(folder), (QStringList{"ZUVARODB_20240605_081500.FDB", "ZUVARODB_20240603_123000.FDB"}));
        QCOMPARE(logRowsIn(folder + "/ZUVARODB.FDB"), 25);
        Clock::reset();
    }

    // A copy named and written in the future (a PC whose clock was wrong once) neither stands
    // for today's copy nor counts among the kept ones; the daily copy goes on.
    void futureDatedCopyDoesNotStopTheDailyCopy()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QString folder = dailyAt1230(env, db, 1);
        const QString future = folder + "/ZUVARODB_20990101_000000.FDB";
        QFile f(future);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.setFileTime(QDateTime(QDate(2099, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
        f.close();

        const QDate day(2024, 6, 3);
        Clock::setNow(QDateTime(day, QTime(12, 30, 0)));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        form.DailyBackupCheck();
        QTRY_VERIFY_WITH_TIMEOUT(!form.DailyBackupRunning(), 60000);
        QCOMPARE(form.StatusText(0), QString::fromUtf8("バックアップを作成しました（ZUVARODB_20240603_123000.FDB）"));
        QVERIFY(ProgramRunner::logText().contains("dated in the future ignored (the clock was wrong when it was made?): " +
                                                  future));
        QCOMPARE(datedCopies(folder), (QStringList{"ZUVARODB_20990101_000000.FDB", "ZUVARODB_20240603_123000.FDB"}));
        form.Teardown();
        Clock::reset();
    }
};

QTEST_MAIN(TestDailyBackup)
#include "tst_dailybackup.moc"
