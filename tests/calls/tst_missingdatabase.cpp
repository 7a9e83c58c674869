// A database file gone missing at start-up: the question, and what each answer does with the
// real restore dialog and a real backup copy.
#include "calls/TfrmRestore.h"
#include "calls/ui/MissingDatabase.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/BackupSet.h"
#include "db/TdmCmn.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

namespace {

// Acts on the restore dialog once it is open.
void WhenRestoreOpens(const std::function<void(TfrmRestore*)>& act)
{
    QTimer::singleShot(20, [act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dlg = qobject_cast<TfrmRestore*>(w); dlg && dlg->isVisible() && dlg->btnRestore->isEnabled())
                return act(dlg);
        }
        WhenRestoreOpens(act);
    });
}

} // namespace

class TestMissingDatabase : public QObject
{
    Q_OBJECT

private slots:
    void answers()
    {
        StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
        TestEnv env;
        LoadStartupSettings();
        const QString live = env.path("share/ZUVARODB.FDB");
        const QString backup = env.path("backup");
        QVERIFY(QDir().mkpath(backup));
        const QString copy = backup + "/" + BackupSet::FileName(QDateTime(QDate(2024, 5, 1), QTime(12, 30)));
        {
            TestDatabase db(copy);
            db.dm()->ExecSql("insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_TEL, CUST_TEL_NON) values "
                             "(7, '田中工務店', '03-1111-2222', '0311112222')");
        }
        QVERIFY(QDir().mkpath(QFileInfo(live).path()));

        // Cancel ends; a backup folder that is not there is said and asked again.
        MessageService::setNextAnswer(MsgResult::Yes);
        MessageService::setNextAnswer(MsgResult::Ok);
        MessageService::setNextAnswer(MsgResult::Cancel);
        QVERIFY(!MissingDatabase::Settle(live, env.path("nowhere"), false));
        QCOMPARE(MessageService::shownTexts().size(), 3);
        QVERIFY(MessageService::shownTexts().at(0).startsWith("データベースファイル " + live + " がありません。"));
        QVERIFY(MessageService::shownTexts().at(0).endsWith(
            "はい: バックアップから復元\r\nいいえ: 新しい空のデータベースを作成\r\n"
            "キャンセル: 終了"));
        QCOMPARE(MessageService::shownTexts().at(1),
                 "バックアップ先が無効です。バックアップ先: " + env.path("nowhere"));
        QVERIFY(!QFileInfo::exists(live));

        // Restore: the copy takes the missing file's place, no staging file is left.
        MessageService::clearShown();
        MessageService::setNextAnswer(MsgResult::Yes);
        WhenRestoreOpens([](TfrmRestore* dlg) {
            MessageService::setNextAnswer(MsgResult::Yes);
            dlg->btnRestore->click();
        });
        QVERIFY2(MissingDatabase::Settle(live, backup, false), qPrintable(MessageService::shownTexts().join('\n')));
        QCOMPARE(MessageService::shownTexts().last(), QString("バックアップから復元しました。"));
        QCOMPARE(TestDatabase::ColumnIn(live, "select CUST_NAME from CUSTOMER"), QStringList{"田中工務店"});
        QVERIFY(QFileInfo::exists(copy));
        QCOMPARE(QDir(QFileInfo(live).path()).entryList(QDir::Files), QStringList{"ZUVARODB.FDB"});

        // "いいえ" creates an empty database in place of the missing one.
        const QString other = env.path("share/OTHER.FDB");
        MessageService::setNextAnswer(MsgResult::No);
        QVERIFY(MissingDatabase::Settle(other, backup, false));
        QCOMPARE(TestDatabase::ColumnIn(other, "select count(*) from CUSTOMER"), QStringList{"0"});

        // Last (Qt's event loops stay ended): a stop request while the restore dialog is
        // open ends start-up, nothing restored.
        const QString third = env.path("share/THIRD.FDB");
        MessageService::setNextAnswer(MsgResult::Yes);
        WhenRestoreOpens([](TfrmRestore*) { StopRequest::Request("test"); });
        QVERIFY(!MissingDatabase::Settle(third, backup, false));
        QVERIFY(!QFileInfo::exists(third));
        StopRequest::ResetForTests();
    }
};

QTEST_MAIN(TestMissingDatabase)
#include "tst_missingdatabase.moc"
