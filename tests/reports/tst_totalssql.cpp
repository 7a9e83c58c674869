// The totals statement, line by line as the dialog builds it, and every warning with the
// input it points at.
#include "reports/TotalsSql.h"

#include <QtTest>

namespace {

const QString kHeadTel = "select t.TEL_NO, max(t.CALLER) CALLER, \r\ncount(g.TEL_NO) TOTAL\r\n";
const QString kHeadCust = "select t.CUST_TEL_NON, max(t.CALLER) CALLER, \r\ncount(g.TEL_NO) TOTAL\r\n";
const QString kHeadList = "select g.*, t.CALLER\r\n";
const QString kFrom = "from log g, tels t\r\nwhere g.TEL_NO=t.TEL_NO\r\n"
                      "and g.DT_FROM between '04/01/24' and '04/30/24 23:59:59'\r\n";
const QString kTailTel = "group by t.TEL_NO\r\norder by count(g.LOG_NO) desc\r\n";
const QString kTailCust = "group by t.CUST_TEL_NON\r\norder by count(g.LOG_NO) desc\r\n";
const QString kTailList = "order by g.LOG_NO\r\n";

TTotalRequest april()
{
    TTotalRequest r;
    r.DateFrom = QDate(2024, 4, 1);
    r.DateTo = QDate(2024, 4, 30);
    return r;
}

TotalsSql builder()
{
    // Numbers in the phone book: 0311112222 and O'Neil's; one customer: 0399990000.
    return TotalsSql([](const QString& n) { return n == "0311112222" || n == "03'1"; },
                     [](const QString& n) { return n == "0399990000"; });
}

} // namespace

Q_DECLARE_METATYPE(TTotalInput)
Q_DECLARE_METATYPE(TTotalRequest)

class TstTotalsSql : public QObject
{
    Q_OBJECT
private slots:
    void wholeStatement()
    {
        // One statement spelled out in full, exactly as it goes to the database.
        TTotalRequest r = april();
        r.PortOffered = true;
        r.PortChecked = true;
        r.PortText = "1234";
        const TTotalSql s = builder().GetSqlStr(r);
        QVERIFY(s.Ok());
        QCOMPARE(s.Sql, QString("select t.TEL_NO, max(t.CALLER) CALLER, \r\n"
                                "count(g.TEL_NO) TOTAL\r\n"
                                "from log g, tels t\r\n"
                                "where g.TEL_NO=t.TEL_NO\r\n"
                                "and g.DT_FROM between '04/01/24' and '04/30/24 23:59:59'\r\n"
                                "and g.TEL_TYPE='着信'\r\n"
                                "and g.PORT_NO=1234\r\n"
                                "group by t.TEL_NO\r\n"
                                "order by count(g.LOG_NO) desc\r\n"));
    }

    void equivalentStatementsRun()
    {
        TTotalRequest r = april();
        r.TelSingle = true;
        r.TelNo = "0311112222";
        r.PortOffered = r.PortChecked = true;
        r.PortText = "3";
        QCOMPARE(builder().GetSqlStr(r).RunSql,
                 QString("select t.TEL_NO, t.CALLER, c.TOTAL\r\n"
                         "from (select TEL_NO, count(*) TOTAL from (select first 2147483647 g.TEL_NO from log g\r\n"
                         "where g.DT_FROM between '04/01/24' and '04/30/24 23:59:59'\r\n"
                         "and g.TEL_NO='0311112222'\r\n"
                         "and g.TEL_TYPE='着信'\r\n"
                         "and g.PORT_NO=3\r\n"
                         ") n group by 1) c, tels t\r\n"
                         "where c.TEL_NO=t.TEL_NO\r\n"
                         "order by c.TOTAL desc\r\n"));
        r.Item = 1;
        r.Kubun = 2;
        r.CustSingle = true;
        r.CustNo = "0399990000";
        const TTotalSql s = builder().GetSqlStr(r);
        QCOMPARE(s.Sql, kHeadCust + kFrom + "and t.CUST_TEL_NON='0399990000'\r\nand g.PORT_NO=3\r\n" + kTailCust);
        QCOMPARE(s.RunSql, QString("select CUST_TEL_NON, max(CALLER) CALLER, sum(TOTAL) TOTAL\r\n"
                                   "from (select first 2147483647 coalesce(t.CUST_TEL_NON, '') CUST_TEL_NON, t.CALLER, "
                                   "c.TOTAL\r\n"
                                   "from (select TEL_NO, count(*) TOTAL from (select first 2147483647 g.TEL_NO from log g\r\n"
                                   "where g.DT_FROM between '04/01/24' and '04/30/24 23:59:59'\r\n"
                                   "and g.PORT_NO=3\r\n"
                                   ") n group by 1) c, tels t\r\n"
                                   "where c.TEL_NO=t.TEL_NO\r\n"
                                   "and t.CUST_TEL_NON='0399990000'\r\n"
                                   ") k group by 1\r\n"
                                   "order by 3 desc\r\n"));
        r.Summary = 0;
        r.Item = 0;
        QCOMPARE(builder().GetSqlStr(r).RunSql, builder().GetSqlStr(r).Sql);
    }

    void combinations_data()
    {
        QTest::addColumn<int>("summary");
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("kubun");
        QTest::addColumn<bool>("port");
        QTest::addColumn<QString>("expected");
        const QString kinds[] = {"and g.TEL_TYPE='着信'\r\n", "and g.TEL_TYPE='発信'\r\n", ""};
        for (int summary : {0, 1})
            for (int item : {0, 1})
                for (int kubun : {0, 1, 2})
                    for (bool port : {false, true}) {
                        const QString head = summary == 0 ? kHeadList : item == 0 ? kHeadTel : kHeadCust;
                        const QString tail = summary == 0 ? kTailList : item == 0 ? kTailTel : kTailCust;
                        const QString expected =
                            head + kFrom + kinds[kubun] + (port ? QString("and g.PORT_NO=7\r\n") : QString()) + tail;
                        QTest::addRow("summary %d item %d kubun %d port %d", summary, item, kubun, int(port))
                            << summary << item << kubun << port << expected;
                    }
    }
    void combinations()
    {
        QFETCH(int, summary);
        QFETCH(int, item);
        QFETCH(int, kubun);
        QFETCH(bool, port);
        QFETCH(QString, expected);
        TTotalRequest r = april();
        r.Summary = summary;
        r.Item = item;
        r.Kubun = kubun;
        r.PortOffered = true;
        r.PortChecked = port;
        r.PortText = " 7 ";
        QCOMPARE(builder().GetSqlStr(r).Sql, expected);
    }

    void singleNumberAndCustomer()
    {
        TTotalRequest r = april();
        r.Kubun = 2;
        r.TelSingle = true;
        r.TelNo = "0311112222";
        QCOMPARE(builder().GetSqlStr(r).Sql, kHeadTel + kFrom + "and g.TEL_NO='0311112222'\r\n" + kTailTel);

        r.Summary = 0;
        QCOMPARE(builder().GetSqlStr(r).Sql, kHeadList + kFrom + "and g.TEL_NO='0311112222'\r\n" + kTailList);

        r.Summary = 1;
        r.Item = 1;
        r.CustSingle = true;
        r.CustNo = "0399990000";
        QCOMPARE(builder().GetSqlStr(r).Sql, kHeadCust + kFrom + "and t.CUST_TEL_NON='0399990000'\r\n" + kTailCust);

        // A quote in a number stays inside its literal.
        r.Item = 0;
        r.TelNo = "03'1";
        QCOMPARE(builder().GetSqlStr(r).Sql, kHeadTel + kFrom + "and g.TEL_NO='03''1'\r\n" + kTailTel);
    }

    void periodLiterals()
    {
        TTotalRequest r = april();
        r.DateFrom = QDate(2009, 12, 31);
        r.DateTo = QDate(2010, 1, 2);
        QVERIFY(builder().GetSqlStr(r).Sql.contains("and g.DT_FROM between '12/31/09' and '01/02/10 23:59:59'\r\n"));
    }

    void warnings_data()
    {
        QTest::addColumn<TTotalRequest>("request");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<TTotalInput>("focus");
        TTotalRequest r = april();
        r.TelSingle = true;
        QTest::newRow("no number") << r << "発着信電話番号を指定してください。" << TTotalInput::TelNo;
        r.TelNo = "0300000000";
        QTest::newRow("number not in the phone book")
            << r << "登録されている電話番号を指定してください。" << TTotalInput::TelNo;
        r = april();
        r.TelNum = 0;
        QTest::newRow("count 0, top unticked")
            << r << "上位表示件数を１以上で設定してください。" << TTotalInput::TelNum;
        r.Summary = 0;
        QTest::newRow("count 0 for a plain list")
            << r << "上位表示件数を１以上で設定してください。" << TTotalInput::TelNum;
        r = april();
        r.Item = 1;
        r.CustSingle = true;
        QTest::newRow("no customer") << r << "顧客を指定してください。" << TTotalInput::CustNo;
        r.CustNo = "0311112222";
        QTest::newRow("number without customer")
            << r << "登録されている顧客を指定してください。" << TTotalInput::CustNo;
        r = april();
        r.Item = 1;
        r.CustNum = 0;
        r.CustTop = true;
        QTest::newRow("customer count 0") << r << "上位表示件数を１以上で設定してください。" << TTotalInput::CustNum;
        r = april();
        r.PortOffered = true;
        r.PortChecked = true;
        r.PortText = "12a";
        QTest::newRow("port not a number")
            << r << "自携帯番号(下4桁)には数値を入力してください。" << TTotalInput::PortNo;
        r.PortText = "";
        QTest::newRow("port empty") << r << "自携帯番号(下4桁)には数値を入力してください。" << TTotalInput::PortNo;
    }
    void warnings()
    {
        QFETCH(TTotalRequest, request);
        QFETCH(QString, warning);
        QFETCH(TTotalInput, focus);
        const TTotalSql s = builder().GetSqlStr(request);
        QVERIFY(!s.Ok());
        QVERIFY(s.Sql.isEmpty());
        QCOMPARE(s.Warning, warning);
        QCOMPARE(s.Focus, focus);
    }

    void hiddenGroupAndPortAreNotChecked()
    {
        // The customer group's inputs do not matter while grouping by number, nor the port
        // text while the filter is not offered.
        TTotalRequest r = april();
        r.CustSingle = true;
        r.CustNum = 0;
        r.PortOffered = false;
        r.PortChecked = true;
        r.PortText = "x";
        QVERIFY(builder().GetSqlStr(r).Ok());
        r.PortOffered = true;
        r.PortChecked = false;
        QVERIFY(builder().GetSqlStr(r).Ok());
    }

    void limits()
    {
        TTotalRequest r;
        QCOMPARE(r.Limit(), -1);
        r.TelTop = true;
        r.TelNum = 5;
        QCOMPARE(r.Limit(), 5);
        r.Item = 1;
        QCOMPARE(r.Limit(), -1);
        r.CustTop = true;
        r.CustNum = -3;
        QCOMPARE(r.Limit(), -3);
    }
};

QTEST_GUILESS_MAIN(TstTotalsSql)
#include "tst_totalssql.moc"
