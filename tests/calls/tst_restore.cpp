// Bringing a backup copy back: from the main window's dialog while calls come in, the refusal
// of a damaged copy, and a restore killed between its steps.

#include "calls/DatabaseBackup.h"
#include "calls/TfrmMain.h"
#include "calls/TfrmRestore.h"
#include "calls/ui/CallLogGrid.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/BackupRestore.h"
#include "db/TdmCmn.h"
#include "support/ProgramRunner.h"
#include "support/SmallDisk.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QDir>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <unistd.h>

namespace {
QStringList numbersIn(const QString& path)
{
    return TestDatabase::ColumnIn(path, "select TEL_NO from LOG order by LOG_NO");
}

void call(const QString& number, const QDateTime& at)
{
    TLog log;
    log.DtFrom = at;
    log.TelNo = number;
    log.TelType = QString::fromUtf8("着信");
    log.TelTerm = "0:00:00";
    dmCmn->InsertLog(log);
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// A shop: its live database with three calls copied and two more after the copy.
struct Shop
{
    TestEnv env;
    std::unique_ptr<TestDatabase> db;
    QString folder;
    QString copy;
    const QDate day{2024, 7, 1};

    Shop()
    {
        LoadStartupSettings();
        QDir().mkpath(env.path("common"));
        db = std::make_unique<TestDatabase>(env.path("common/ZUVARODB.FDB"));
        folder = env.path("backup");
        QDir().mkpath(folder);
        GTelDbPath = db->path();
        GAutoBackupPath = folder;
        for (int i = 1; i <= 3; ++i)
            call(QString("031000000%1").arg(i), QDateTime(day, QTime(9, i)));
        Clock::setNow(QDateTime(day, QTime(12, 30)));
        if (!AutoBackup(*dmCmn, db->path(), folder, false))
            qFatal("backup failed");
        copy = folder + "/ZUVARODB_20240701_123000.FDB";
        for (int i = 4; i <= 5; ++i)
            call(QString("031000000%1").arg(i), QDateTime(day, QTime(13, i)));
        Clock::setNow(QDateTime(day, QTime(15, 0)));
    }
};
} // namespace

class TestRestore : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageService::clearShown();
        MessageService::clearAnswers();
    }

    void goodCopyFromTheDialogWhileACallComes()
    {
        Shop shop;
        TfrmMain form;
        form.SetSpeaker([](const QString&, const QString&, const QString&) {});
        form.SetFlashInterval(1);
        QVERIFY(form.FormCreate());
        MessageService::clearShown(); // the phone setup question
        form.ChangeDay(shop.day);
        QCOMPARE(form.sgdLog->rowCount(), 5);
        int refreshedAll = 0;
        connect(&form, &TfrmMain::tablesRefreshed, this, [&](const TUpTable& f) {
            refreshedAll += f.Flags[TUpTable::LogTable] && f.Flags[TUpTable::UserTable] && f.Flags[TUpTable::OptionDTable];
        });
        QStringList listed;
        form.SetRestoreDialogHook([&](QDialog* d) {
            auto* dlg = static_cast<TfrmRestore*>(d);
            const auto restore = dlg->Restore;
            // A call comes just as the restore begins: it waits for the restored database.
            dlg->Restore = [&form, restore](const QString& copy) {
                form.OnDemoActivate("0399999999");
                return restore(copy);
            };
            QTimer::singleShot(0, dlg, [dlg, &listed]() {
                for (int c = 0; c < 4; ++c)
                    listed << dlg->sgdCopies->item(0, c)->text();
                MessageService::setNextAnswer(MsgResult::Yes);
                dlg->btnRestore->click();
            });
        });
        form.btnRestoreClick();

        QCOMPARE(listed.at(0), QString("2024/07/01 12:30:00"));
        QCOMPARE(listed.at(1), TfrmRestore::SizeText(QFileInfo(shop.copy).size()));
        QCOMPARE(listed.at(2), QString("2024/07/01 09:03:00"));
        QCOMPARE(listed.at(3), QString::fromUtf8("正常"));
        QCOMPARE(MessageService::shown().size(), 2);
        QVERIFY(MessageService::shownTexts().at(0).startsWith(QString::fromUtf8("2024/07/01 12:30:00 のバックアップから復元します。")));
        const QString aside = shop.db->path() + "_before_restore_20240701_150000";
        QCOMPARE(MessageService::shownTexts().at(1),
                 QString::fromUtf8("バックアップから復元しました。\r\n復元前のデータベースは次の名前で残しています。\r\n") + aside);

        // The restored database: the copy's calls and the one that came meanwhile; the grid
        // and the other lists were reloaded from it.
        QCOMPARE(numbersIn(shop.db->path()),
                 (QStringList{"0310000001", "0310000002", "0310000003", "0399999999"}));
        QCOMPARE(refreshedAll, 1);
        QCOMPARE(form.sgdLog->rowCount(), 4); // the copy's three calls of the day and the one that waited
        // The live database as it was is kept aside, and the chosen copy stays in the folder.
        QCOMPARE(numbersIn(aside).size(), 5);
        QCOMPARE(numbersIn(shop.copy).size(), 3);
        QCOMPARE(filesIn(shop.env.path("common")),
                 (QStringList{"ZUVARODB.FDB", "ZUVARODB.FDB_before_restore_20240701_150000"}));
        // The program goes on with the restored database.
        form.OnDemoActivate("0388888888");
        QTRY_COMPARE(TestDatabase::Scalar("select count(*) from LOG"), QString("5"));
        form.Teardown();
        Clock::reset();
    }

    // A damaged copy is listed as such and refused, from the list and if asked directly;
    // nothing is moved. Damage outside the call log counts as much as damage in it.
    void damagedCopyIsRefused_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("cut to a third") << "third";
        QTest::newRow("last megabyte cut") << "tail";
        QTest::newRow("a page overwritten") << "page";
    }

    void damagedCopyIsRefused()
    {
        QFETCH(QString, damage);
        Shop shop;
        const QString damaged = shop.folder + "/ZUVARODB_20240701_140000.FDB";
        QVERIFY(QFile::copy(shop.copy, damaged));
        QFile f(damaged);
        if (damage == "third") {
            QVERIFY(f.resize(f.size() / 3));
        } else if (damage == "tail") {
            QVERIFY(f.resize(f.size() - 1024 * 1024));
        } else {
            // 16 KB covers a whole page of any page size, wherever it starts.
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(f.size() / 2));
            f.write(QByteArray(16384, '\x5a'));
            f.close();
        }
        TfrmMain form;
        QVERIFY(form.FormCreate());
        MessageService::clearShown();
        const QStringList before = filesIn(shop.env.path("common"));

        form.SetRestoreDialogHook([&](QDialog* d) {
            auto* dlg = static_cast<TfrmRestore*>(d);
            QTimer::singleShot(0, dlg, [dlg]() {
                QCOMPARE(dlg->sgdCopies->rowCount(), 2);
                QCOMPARE(dlg->sgdCopies->item(0, 3)->text(), QString::fromUtf8("破損"));
                QCOMPARE(dlg->sgdCopies->item(0, 2)->text(), QString());
                QCOMPARE(dlg->sgdCopies->item(1, 3)->text(), QString::fromUtf8("正常"));
                dlg->sgdCopies->selectRow(0);
                dlg->btnRestore->click();
                dlg->reject();
            });
        });
        form.btnRestoreClick();
        QCOMPARE(MessageService::shown().size(), 1);
        QCOMPARE(MessageService::shown().at(0).kind, MsgKind::Error);
        QVERIFY(MessageService::shownTexts().at(0).startsWith(QString::fromUtf8("このバックアップは壊れているため復元できません。")));

        MessageService::clearShown();
        QVERIFY(!form.RestoreDatabase(damaged));
        QVERIFY(MessageService::shownTexts().at(0).startsWith(
            QString::fromUtf8("バックアップから復元できませんでした。データベースは元のままです。")));
        QCOMPARE(filesIn(shop.env.path("common")), before);
        QCOMPARE(TestDatabase::Scalar("select count(*) from LOG"), QString("5"));
        form.Teardown();
        Clock::reset();
    }

    // A restore that does not fit on the database's disk names the reason; the database stays.
    void restoreThatDoesNotFitSaysSo()
    {
        TestEnv env;
        LoadStartupSettings();
        SmallDisk disk(env.path("common"), 16384);
        if (!disk.mounted())
            QSKIP("a small file system of its own needs root (mount -t tmpfs)");
        TestDatabase db(env.path("common/ZUVARODB.FDB"));
        GTelDbPath = db.path();
        GAutoBackupPath = env.path("backup");
        QDir().mkpath(GAutoBackupPath);
        call("0310000001", QDateTime(QDate(2024, 7, 1), QTime(9, 0)));
        Clock::setNow(QDateTime(QDate(2024, 7, 1), QTime(12, 30)));
        QVERIFY(AutoBackup(*dmCmn, db.path(), GAutoBackupPath, false));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        MessageService::clearShown();
        disk.fill();
        QVERIFY(!form.RestoreDatabase(GAutoBackupPath + "/ZUVARODB_20240701_123000.FDB"));
        disk.release();
        QCOMPARE(MessageService::shown().size(), 1);
        const QString text = MessageService::shownTexts().first();
        QVERIFY2(text.startsWith(QString::fromUtf8("バックアップから復元できませんでした。データベースは元のままです。\r\n容量不足")),
                 qPrintable(text));
        QCOMPARE(filesIn(env.path("common")), QStringList{"ZUVARODB.FDB"});
        QCOMPARE(TestDatabase::Scalar("select count(*) from LOG"), QString("1"));
        form.Teardown();
        Clock::reset();
    }

    void stopRequestEndsTheDialog()
    {
        Shop shop;
        TfrmMain form;
        QVERIFY(form.FormCreate());
        StopRequest::ResetForTests();
        StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
        form.SetRestoreDialogHook([](QDialog*) { QTimer::singleShot(0, [] { StopRequest::Request("test"); }); });
        form.btnRestoreClick();
        QVERIFY(StopRequest::Requested());
        StopRequest::ResetForTests();
        QCOMPARE(filesIn(shop.env.path("common")), QStringList{"ZUVARODB.FDB"});
        form.Teardown();
        Clock::reset();
    }

    // Killed between the steps: the live path holds the live database or the copy, and the
    // next start clears what was left.
    void interruptedRestoreLeavesOneInPlace_data()
    {
        QTest::addColumn<int>("stepsDone");
        QTest::addColumn<int>("callsInPlace");
        QTest::newRow("after staging") << 1 << 5;
        QTest::newRow("after the second name") << 2 << 5;
        QTest::newRow("after the swap") << 3 << 3;
    }

    void interruptedRestoreLeavesOneInPlace()
    {
        QFETCH(int, stepsDone);
        QFETCH(int, callsInPlace);
        Shop shop;
        const QString live = shop.db->path();
        const QString aside = BackupRestore::AsidePath(live, Clock::now());
        dmCmn->IBDatabase1.close();
        QString failure;
        QVERIFY2(BackupRestore::Stage(shop.copy, live, &failure), qPrintable(failure));
        if (stepsDone == 2)
            QCOMPARE(::link(QFile::encodeName(live).constData(), QFile::encodeName(aside).constData()), 0);
        if (stepsDone == 3)
            QVERIFY2(BackupRestore::Swap(live, aside, &failure), qPrintable(failure));
        QCOMPARE(numbersIn(live).size(), callsInPlace);

        TfrmMain form;
        QVERIFY(form.FormCreate());
        QCOMPARE(TestDatabase::Scalar("select count(*) from LOG"), QString::number(callsInPlace));
        QStringList expected{"ZUVARODB.FDB"};
        if (stepsDone == 3)
            expected << "ZUVARODB.FDB_before_restore_20240701_150000";
        QCOMPARE(filesIn(shop.env.path("common")), expected);
        if (stepsDone < 3)
            QVERIFY(ProgramRunner::logText().contains("restore recovery: removed " + BackupRestore::StagedPath(live)));
        form.Teardown();
        Clock::reset();
    }
};

QTEST_MAIN(TestRestore)
#include "tst_restore.moc"
