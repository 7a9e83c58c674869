// The statements of the day's response list and of the response search on a real database,
// the deletion of a response, and the search-text history in the settings file.
#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "db/TdmCmn.h"
#include "responses/AcceptPage.h"
#include "responses/ActSearch.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QtTest>

namespace {
const QString kHead = "select a.*, c.CUST_NAME, c.CUST_TEL_NON, u.USERNM ,t.TYPE_NAME, r.RESULT_NAME \r\n"
                      " from ACCEPT_T a\r\n"
                      " left join USER_M u on u.USERID = a.USERID\r\n"
                      " left join ACCEPT_TYPE t on t.TYPE_ID = a.TYPE_ID\r\n"
                      " left join ACCEPT_RESULT r on r.RESULT_ID = a.RESULT_ID\r\n"
                      " , CUSTOMER c where c.CUST_NO = a.CUST_NO and c.DEL_DT is null ";

struct Shop
{
    TestEnv env;
    TempDb db;

    int customer(const QString& tel, const QString& name)
    {
        TCust c;
        c.CustTel = c.CustTelNon = tel;
        c.CustName = name;
        return db.dm().InsertCustData(c);
    }
    int response(int custNo, const QDateTime& at, const QString& title, const QString& content = QString(),
                 const QString& typeId = QString(), const QString& userId = QString())
    {
        TAccept a;
        a.ActDt = at;
        a.CustNo = custNo < 0 ? QString() : QString::number(custNo);
        a.Title = title;
        a.Content = content;
        a.TypeId = typeId;
        a.UserId = userId;
        return db.dm().InsertAccept(a);
    }
};

QStringList column(const QList<QStringList>& rows, int c)
{
    QStringList out;
    for (const auto& r : rows)
        out << r.value(c);
    return out;
}

TActSearchCond anyTime()
{
    TActSearchCond c;
    c.UseFrom = c.UseTo = false;
    return c;
}
} // namespace

class TestActSearch : public QObject
{
    Q_OBJECT
private slots:
    void dayListBoundsAndDeletedCustomers()
    {
        Shop s;
        const QDate day(2026, 3, 10);
        const int a = s.customer("0311110000", "青木");
        const int b = s.customer("0322220000", "馬場");
        s.response(a, QDateTime(day, QTime(0, 0)), "start of day");
        s.response(a, QDateTime(day, QTime(23, 59, 59)), "end of day", "content");
        s.response(a, QDateTime(day.addDays(1), QTime(0, 0)), "next day");
        s.response(a, QDateTime(day.addDays(-1), QTime(23, 59, 59)), "day before");
        s.response(b, QDateTime(day, QTime(12, 0)), "deleted customer");
        s.response(-1, QDateTime(day, QTime(12, 0)), "no customer");
        s.db.dm().ExecSql("update CUSTOMER set DEL_DT = CURRENT_TIMESTAMP where CUST_NO = " + QString::number(b));

        QCOMPARE(AcceptPage::DaySql(day),
                 QString("select a.*, c.CUST_NAME, c.CUST_TEL_NON, u.USERNM, t.TYPE_NAME, r.RESULT_NAME from ACCEPT_T "
                         "a  left join USER_M u on u.USERID = a.USERID  left join ACCEPT_TYPE t on t.TYPE_ID = "
                         "a.TYPE_ID  left join ACCEPT_RESULT r on r.RESULT_ID = a.RESULT_ID  , CUSTOMER c where "
                         "a.CUST_NO = c.CUST_NO and c.DEL_DT is null  and a.ACT_DT >= '2026/03/10' and a.ACT_DT < "
                         "'2026/03/11' order by a.ACT_DT desc"));
        const QList<QStringList> rows = AcceptPage::Load(s.db.dm(), day);
        QCOMPARE(column(rows, AcceptPage::ColTitle), (QStringList{"end of day", "start of day"}));
        const QStringList first = rows.value(0);
        QCOMPARE(first.size(), AcceptPage::ColumnCount);
        QCOMPARE(first.value(AcceptPage::ColDate), QString("2026/03/10 23:59"));
        QCOMPARE(first.value(AcceptPage::ColCustName), QString("青木"));
        QCOMPARE(first.value(AcceptPage::ColCustNo), QString::number(a));
        QCOMPARE(first.value(AcceptPage::ColCustTelNon), QString("0311110000"));
        QCOMPARE(first.value(AcceptPage::ColContent), QString("content"));
        QVERIFY(AcceptPage::Load(s.db.dm(), day.addDays(5)).isEmpty());
    }

    void deleteAsksAndRefusesUnreadableRows()
    {
        Shop s;
        const int a = s.customer("0311110000", "青木");
        const int act = s.response(a, QDateTime(QDate(2026, 3, 10), QTime(9, 0)), "x");
        const AcceptPage::TDeleteTarget target{QString::number(act), QString::number(a), "0311110000"};
        MessageService::clearShown();

        MessageService::setNextAnswer(MsgResult::Cancel);
        QCOMPARE(AcceptPage::Delete(s.db.dm(), target), AcceptPage::DeleteOutcome::Cancelled);
        QCOMPARE(s.db.count("ACCEPT_T"), 1);
        QCOMPARE(MessageService::shown().value(0).text, QString("選択されている対応履歴を削除してよろしいですか？"));
        QCOMPARE(MessageService::shown().value(0).buttons, MsgButtons::OkCancel);

        // A number that is not a number is reported, after the question, and nothing goes.
        MessageService::clearShown();
        MessageService::setNextAnswer(MsgResult::Ok);
        QCOMPARE(AcceptPage::Delete(s.db.dm(), {"1 or 1=1", QString::number(a), ""}),
                 AcceptPage::DeleteOutcome::Unreadable);
        QCOMPARE(MessageService::shownTexts(),
                 (QStringList{"選択されている対応履歴を削除してよろしいですか？",
                              "対応履歴の読み込みに失敗しました。対応履歴を再読み込みしてください。"}));
        QCOMPARE(s.db.count("ACCEPT_T"), 1);

        // Empty numbers: no question, only the error.
        MessageService::clearShown();
        QCOMPARE(AcceptPage::Delete(s.db.dm(), {"", "", ""}), AcceptPage::DeleteOutcome::Unreadable);
        QCOMPARE(MessageService::shown().size(), 1);

        MessageService::setNextAnswer(MsgResult::Ok);
        QCOMPARE(AcceptPage::Delete(s.db.dm(), target), AcceptPage::DeleteOutcome::Deleted);
        QCOMPARE(s.db.count("ACCEPT_T"), 0);
        const TUpTable flags = AcceptPage::RefreshAfterDelete(target);
        QVERIFY(flags.Flags[TUpTable::LogTable] && flags.Flags[TUpTable::AcceptTable]);
        QVERIFY(!flags.Flags[TUpTable::TelsTable] && !flags.Flags[TUpTable::TypeTable]);
        QCOMPARE(flags.Key, QString("0311110000"));
        QCOMPARE(flags.CustNo, a);
        QCOMPARE(flags.ActNo, act);
    }

    void statement_data()
    {
        QTest::addColumn<TActSearchCond>("cond");
        QTest::addColumn<QString>("where");
        TActSearchCond c;
        c.From = QDate(2026, 1, 31);
        c.To = QDate(2026, 2, 28);
        QTest::newRow("defaults") << c
                                  << "and a.ACT_DT >= '2026/01/31'\r\nand a.ACT_DT < '2026/03/01'\r\n";
        c = anyTime();
        QTest::newRow("nothing") << c << "";
        c.CustNo = 12;
        c.Text = "O'Neil";
        QTest::newRow("customer, text in both")
            << c << "and a.CUST_NO = 12\r\nand ( a.CONTENT like '%O''Neil%' or a.TITLE like '%O''Neil%')\r\n";
        c = anyTime();
        c.Text = "abc";
        c.InContent = false;
        QTest::newRow("subject only") << c << "and a.TITLE like '%abc%'\r\n";
        c.InContent = true;
        c.InTitle = false;
        QTest::newRow("content only") << c << "and a.CONTENT like '%abc%'\r\n";
        c.InContent = false;
        QTest::newRow("neither box: no text") << c << "";
        c = anyTime();
        c.TypeId = "A1";
        c.ResultId = "0002";
        c.UserChosen = true;
        c.UserId = "admin";
        QTest::newRow("type, result, user")
            << c << "and a.TYPE_ID = 'A1'\r\nand a.RESULT_ID = '0002'\r\nand a.USERID = 'admin'\r\n";
        c = anyTime();
        c.UseFrom = true;
        c.From = QDate(2026, 12, 31);
        QTest::newRow("from only") << c << "and a.ACT_DT >= '2026/12/31'\r\n";
    }
    void statement()
    {
        QFETCH(TActSearchCond, cond);
        QFETCH(QString, where);
        QCOMPARE(ActSearch::Sql(cond), kHead + where + " order by a.ACT_DT desc");
    }

    void periodCheck()
    {
        TActSearchCond c;
        c.From = QDate(2026, 5, 2);
        c.To = QDate(2026, 5, 1);
        QVERIFY(ActSearch::PeriodReversed(c));
        c.UseTo = false;
        QVERIFY(!ActSearch::PeriodReversed(c));
        c.UseTo = true;
        c.To = c.From;
        QVERIFY(!ActSearch::PeriodReversed(c));
    }

    void searchOnTheDatabase()
    {
        Shop s;
        const QDate day(2026, 3, 10);
        const int a = s.customer("0311110000", "青木");
        const int b = s.customer("0322220000", "馬場");
        const int gone = s.customer("0333330000", "閉店");
        s.db.dm().ExecSql("insert into ACCEPT_TYPE (TYPE_ID, TYPE_NAME, LIST_ID) values ('A1', 'letters', '9')");
        s.response(a, QDateTime(day, QTime(23, 59, 59)), "late", "修理の依頼", "A1");
        s.response(a, QDateTime(day.addDays(1), QTime(0, 0)), "next day", "修理");
        s.response(b, QDateTime(day.addDays(-30), QTime(8, 0)), "修理 old", "", "0001", "admin");
        s.response(gone, QDateTime(day, QTime(9, 0)), "修理 of a deleted customer");
        s.response(-1, QDateTime(day, QTime(9, 0)), "修理 without customer");
        s.db.dm().ExecSql("update CUSTOMER set DEL_DT = CURRENT_TIMESTAMP where CUST_NO = " + QString::number(gone));

        auto titles = [&](const TActSearchCond& c) { return column(ActSearch::Run(s.db.dm(), c), ActSearch::ColTitle); };
        TActSearchCond c = anyTime();
        QCOMPARE(titles(c), (QStringList{"next day", "late", "修理 old"}));

        c.UseFrom = c.UseTo = true;
        c.From = c.To = day;
        QCOMPARE(titles(c), QStringList{"late"});

        c = anyTime();
        c.Text = "修理";
        QCOMPARE(titles(c), (QStringList{"next day", "late", "修理 old"}));
        c.InContent = false;
        QCOMPARE(titles(c), QStringList{"修理 old"});
        c.InContent = true;
        c.InTitle = false;
        QCOMPARE(titles(c), (QStringList{"next day", "late"}));
        c.InContent = false;
        QCOMPARE(titles(c).size(), 3);

        c = anyTime();
        c.TypeId = "A1";
        const QList<QStringList> hits = ActSearch::Run(s.db.dm(), c);
        QCOMPARE(hits.size(), 1);
        QCOMPARE(hits.value(0).size(), ActSearch::ColumnCount);
        QCOMPARE(hits.value(0).value(ActSearch::ColType), QString("letters"));
        QCOMPARE(hits.value(0).value(ActSearch::ColCustTelNon), QString("0311110000"));
        QCOMPARE(hits.value(0).value(ActSearch::ColDate), QString("2026/03/10 23:59"));

        c = anyTime();
        c.UserChosen = true;
        c.UserId = "admin";
        QCOMPARE(titles(c), QStringList{"修理 old"});
        c = anyTime();
        c.CustNo = b;
        QCOMPARE(titles(c), QStringList{"修理 old"});
    }

    void shiftJisFalseHitsAreDropped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("inTitle");
        QTest::addColumn<QStringList>("titles");
        // "ア" is 0x83 0x41: its second byte is "A". "ソ" ends in the byte of "\".
        QTest::newRow("letter in both") << "A" << true << QStringList{"content A", "Aさん"};
        QTest::newRow("letter in content") << "A" << false << QStringList{"content A"};
        QTest::newRow("backslash") << "\\" << true << QStringList{"C:\\"};
    }
    void shiftJisFalseHitsAreDropped()
    {
        QFETCH(QString, text);
        QFETCH(bool, inTitle);
        QFETCH(QStringList, titles);
        Shop s;
        const int a = s.customer("0311110000", "青木");
        const QDateTime at(QDate(2026, 3, 10), QTime(9, 0));
        s.response(a, at.addSecs(1), "Aさん", "");
        s.response(a, at.addSecs(2), "アイス", "アイスとソフト");
        s.response(a, at.addSecs(3), "content A", "Aの件");
        s.response(a, at.addSecs(4), "C:\\", "表");
        TActSearchCond c = anyTime();
        c.Text = text;
        c.InTitle = inTitle;
        QCOMPARE(column(ActSearch::Run(s.db.dm(), c), ActSearch::ColTitle), titles);
        // The database alone answers more than the true hits.
        const QString p = "'%" + QString(text).replace("'", "''") + "%'";
        const QString where = inTitle ? "CONTENT like " + p + " or TITLE like " + p : "CONTENT like " + p;
        QVERIFY(s.db.count("ACCEPT_T", where) > titles.size());
    }

    void history()
    {
        QStringList h;
        for (int i = 1; i <= 20; ++i)
            h = ActSearch::AddToHistory(h, QString::number(i));
        QCOMPARE(h.size(), 20);
        // A known text keeps its place; the 21st pushes the oldest out.
        QCOMPARE(ActSearch::AddToHistory(h, "5"), h);
        h = ActSearch::AddToHistory(h, "twenty-one");
        QCOMPARE(h.size(), 20);
        QCOMPARE(h.first(), QString("2"));
        QCOMPARE(h.last(), QString("twenty-one"));
        QCOMPARE(ActSearch::AddToHistory(h, ""), h);

        TestEnv env;
        ProfileFile ini(env.path("history.ini"));
        const QStringList odd{"山田 太郎", "a,b", "say \"x\"", "plain"};
        ActSearch::WriteHistory(ini, odd);
        QCOMPARE(ini.ReadString("SEARCH", "CONENT_STRING", ""), QString("\"山田 太郎\",\"a,b\",\"say \"\"x\"\"\",plain"));
        QCOMPARE(ActSearch::ReadHistory(ini), odd);
    }
};

QTEST_GUILESS_MAIN(TestActSearch)
#include "tst_actsearch.moc"
