// The totals against a real database: the work-table fill with and without a limit, the
// keys of a ranking by customer, what the period and the phone-book join let through, and
// the rows a report receives.
#include "core/DiagLog.h"
#include "db/DatabaseError.h"
#include "db/TdmCmn.h"
#include "reports/TotalsReport.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QtTest>

namespace {

struct PrintRow
{
    QString key, name;
    int total;
};

QList<PrintRow> rankingRows(TdmCmn& dm)
{
    const ReportRows rows = ReportRows::Load(dm.sqlWork, TotalsSql::RankingSql());
    QList<PrintRow> out;
    for (int r = 0; r < rows.Count(); ++r)
        out << PrintRow{rows.Value(r, 0).toString(), rows.Value(r, 1).toString(), rows.Value(r, 2).toInt()};
    return out;
}

void call(TdmCmn& dm, const QString& number, const QDateTime& at, const QString& kind = "着信", int port = 1,
          const QString& memo = QString())
{
    TLog log;
    log.DtFrom = at;
    log.TelNo = number;
    log.TelType = kind;
    log.TelTerm = "0:00:10";
    log.TelMemo = memo;
    log.PortNo = port;
    dm.InsertLog(log);
}

// Fills the call log in one statement: count calls of number at noon on day.
void calls(TdmCmn& dm, const QString& number, int count, const QDate& day = QDate(2024, 4, 10))
{
    dm.ExecSql(QString("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
                       "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_TERM, TEL_MEMO, TEL_TIME, PORT_NO) "
                       "VALUES (gen_id(SEQ_LOG_NO, 1), '%2 12:00:00', '%3', '着信', '0:00:10', '', 0, 1); "
                       "i = i + 1; END END")
                   .arg(count)
                   .arg(day.toString("yyyy/MM/dd"), number));
}

TTotalRequest april(int item = 0)
{
    TTotalRequest r;
    r.Item = item;
    r.DateFrom = QDate(2024, 4, 1);
    r.DateTo = QDate(2024, 4, 30);
    r.Kubun = 2;
    return r;
}

QString number(int i)
{
    return QString("03%1").arg(i, 8, 10, QChar('0'));
}

// 25 numbers: the first ten with 20, 19, … 11 calls, the other fifteen with 2 calls each.
void twentyFiveGroups(TdmCmn& dm)
{
    for (int i = 0; i < 25; ++i) {
        dm.InsertTels({number(i), number(i), QString("名前%1").arg(i), QString()});
        calls(dm, number(i), i < 10 ? 20 - i : 2);
    }
}

} // namespace

class TstTotalsReport : public QObject
{
    Q_OBJECT
private:
    TestEnv FEnv;

private slots:
    void init() { gTraceOn = true; }

    void topTenOverTwentyFiveGroups()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        twentyFiveGroups(dm);
        TotalsReport totals(dm);
        TTotalRequest r = april();
        r.TelTop = true;
        r.TelNum = 10;
        const BandReport report = totals.Run(r, totals.GetSqlStr(r));
        const QList<PrintRow> rows = rankingRows(dm);
        QCOMPARE(rows.size(), 11);
        // The fifteen small groups together (30) outnumber the largest (20): "その他" leads.
        QCOMPARE(rows[0].key, QString("-"));
        QCOMPARE(rows[0].name, QString("その他"));
        QCOMPARE(rows[0].total, 30);
        QCOMPARE(rows[1].key, number(0));
        QCOMPARE(rows[1].name, QString("名前0"));
        QCOMPARE(rows[1].total, 20);
        QCOMPARE(rows[10].total, 11);
        QCOMPARE(report.Rows().Count(), 11);
        QCOMPARE(report.Rows().Value(0, report.Rows().ColumnIndex("CALLER")).toString(), QString("その他"));
    }

    void limits_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("expectedRows");
        QTest::newRow("exactly as many groups") << 25 << 25;
        QTest::newRow("more than the groups") << 40 << 25;
        QTest::newRow("no limit") << -1 << 25;
        QTest::newRow("negative limit") << -5 << 25;
        QTest::newRow("one") << 1 << 2;
    }
    void limits()
    {
        QFETCH(int, limit);
        QFETCH(int, expectedRows);
        TempDb db;
        TdmCmn& dm = db.dm();
        twentyFiveGroups(dm);
        const TTotalSql s = TotalsReport(dm).GetSqlStr(april());
        for (const QString& sql : {s.Sql, s.RunSql}) {
            TotalsReport::TotalTops(dm, sql, limit);
            const QList<PrintRow> rows = rankingRows(dm);
            QCOMPARE(rows.size(), expectedRows);
            int sum = 0;
            bool others = false;
            for (const PrintRow& p : rows) {
                sum += p.total;
                others = others || p.name == "その他";
            }
            QCOMPARE(sum, 185); // every call counted once, in a group or in "その他"
            QCOMPARE(others, expectedRows < 25);
            QCOMPARE(rows.last().total, expectedRows == 2 ? 20 : 2);
        }
    }

    void byCustomerKeysAndMissingNumbers()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        // Two numbers of one customer, two entries without a representative number, and
        // calls from a number the phone book does not know.
        dm.InsertTels({"0311110001", "0311110000", "店舗A 本店", QString()});
        dm.InsertTels({"0311110002", "0311110000", "店舗A 支店", QString()});
        dm.InsertTels({"0322220001", QString(), "あいう", QString()});
        dm.InsertTels({"0322220002", QString(), "かきく", QString()});
        calls(dm, "0311110001", 2);
        calls(dm, "0311110002", 3);
        calls(dm, "0322220001", 1);
        calls(dm, "0322220002", 1);
        calls(dm, "0999999999", 9);

        TotalsReport totals(dm);
        const TTotalSql byCustomer = totals.GetSqlStr(april(1));
        for (const QString& sql : {byCustomer.Sql, byCustomer.RunSql}) {
            TotalsReport::TotalTops(dm, sql, -1);
            const QList<PrintRow> rows = rankingRows(dm);
            QCOMPARE(rows.size(), 2);
            QCOMPARE(rows[0].key, QString("0311110000"));
            QCOMPARE(rows[0].total, 5);
            QCOMPARE(rows[0].name, QString("店舗A 本店")); // the largest of the names
            QCOMPARE(rows[1].key, QString("　"));          // no representative number: a full-width space
            QCOMPARE(rows[1].name, QString("かきく"));
            QCOMPARE(rows[1].total, 2);
        }

        const TTotalSql byNumber = totals.GetSqlStr(april(0));
        for (const QString& sql : {byNumber.Sql, byNumber.RunSql}) {
            TotalsReport::TotalTops(dm, sql, -1);
            const QList<PrintRow> rows = rankingRows(dm);
            QCOMPARE(rows.size(), 4);
            QCOMPARE(rows[0].key, QString("0311110002"));
            QCOMPARE(rows[0].total, 3);
            for (const PrintRow& p : rows)
                QVERIFY(p.key != "0999999999");
        }

        // One customer, one number.
        TTotalRequest one = april(1);
        one.CustSingle = true;
        one.CustNo = "0311110000";
        QVERIFY(!totals.GetSqlStr(one).Ok()); // the phone book knows the number, no customer has it
        dm.InsertCustData([] {
            TCust c;
            c.CustTel = "03-1111-0000";
            c.CustName = "店舗A";
            return c;
        }());
        totals.Run(one, totals.GetSqlStr(one));
        QCOMPARE(rankingRows(dm).size(), 1);
        QCOMPARE(rankingRows(dm)[0].total, 5);
        TTotalRequest oneNumber = april(0);
        oneNumber.TelSingle = true;
        oneNumber.TelNo = "0322220002";
        totals.Run(oneNumber, totals.GetSqlStr(oneNumber));
        QCOMPARE(rankingRows(dm).size(), 1);
        QCOMPARE(rankingRows(dm)[0].name, QString("かきく"));

        TTotalRequest list = april();
        list.Summary = 0;
        const BandReport report = totals.Run(list, totals.GetSqlStr(list));
        QCOMPARE(report.Rows().Count(), 7);
        QCOMPARE(report.Rows().ColumnIndex("CALLER"), report.Rows().Columns().size() - 1);

        // A null and an empty representative number are one group as the ranking runs.
        dm.ExecSql("insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values ('0322220003', null, 'さしす', '')");
        calls(dm, "0322220003", 4);
        totals.Run(april(1), byCustomer);
        QList<PrintRow> rows = rankingRows(dm);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].key, QString("　"));
        QCOMPARE(rows[0].total, 6);
        QCOMPARE(rows[0].name, QString("さしす"));
    }

    void periodAndFilters()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.InsertTels({"0312345678", "0312345678", "名前", QString()});
        call(dm, "0312345678", QDateTime(QDate(2024, 3, 31), QTime(23, 59, 59)));
        call(dm, "0312345678", QDateTime(QDate(2024, 4, 1), QTime(0, 0, 0)));                // first day, midnight
        call(dm, "0312345678", QDateTime(QDate(2024, 4, 30), QTime(23, 59, 59)), "発信", 2); // last second
        call(dm, "0312345678", QDateTime(QDate(2024, 5, 1), QTime(0, 0, 0)));
        TotalsReport totals(dm);
        auto listed = [&](const TTotalRequest& r) {
            const TTotalSql s = totals.GetSqlStr(r);
            return totals.Run(r, s).Rows().Count();
        };
        TTotalRequest r = april();
        r.Summary = 0;
        QCOMPARE(listed(r), 2);
        r.Kubun = 0;
        QCOMPARE(listed(r), 1);
        r.Kubun = 1;
        QCOMPARE(listed(r), 1);
        r.Kubun = 2;
        r.PortOffered = r.PortChecked = true;
        r.PortText = "2";
        QCOMPARE(listed(r), 1);
        r.PortChecked = false;
        // A period whose last day precedes its first finds nothing.
        r.DateFrom = QDate(2024, 4, 30);
        r.DateTo = QDate(2024, 4, 1);
        QCOMPARE(listed(r), 0);
        // Two-digit years: a period in another century's reading would find nothing here.
        r.DateFrom = QDate(2024, 3, 31);
        r.DateTo = QDate(2024, 5, 1);
        QCOMPARE(listed(r), 4);
    }

    // Two PCs making totals at once on one database: each run reads its own rows only, and
    // neither one's clearing and filling disturbs the other.
    void concurrentRunsKeepTheirOwnRows()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        twentyFiveGroups(dm);
        TdmCmn other(db.path());
        const QString sql = TotalsReport(dm).GetSqlStr(april()).Sql;
        TotalsReport::TotalTops(dm, sql, 5);
        TotalsReport::TotalTops(other, sql, -1);
        QCOMPARE(rankingRows(dm).size(), 6);
        QCOMPARE(rankingRows(other).size(), 25);
        TotalsReport::TotalTops(dm, sql, 3);
        QCOMPARE(rankingRows(other).size(), 25);
        QCOMPARE(rankingRows(dm).size(), 4);
    }

    void failedFillKeepsThePreviousRanking()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        twentyFiveGroups(dm);
        const QString sql = TotalsReport(dm).GetSqlStr(april()).Sql;
        TotalsReport::TotalTops(dm, sql, 5);
        QCOMPARE(rankingRows(dm).size(), 6);
        dm.IBDatabase1.setStatementHook([&](const QString& s) {
            if (s.startsWith("EXECUTE BLOCK"))
                throw DatabaseError(QStringLiteral("disk full"), 0);
        });
        QVERIFY_THROWS_EXCEPTION(std::exception, TotalsReport::TotalTops(dm, sql, -1));
        dm.IBDatabase1.setStatementHook({});
        const QList<PrintRow> rows = rankingRows(dm);
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[0].name, QString("その他"));
        // The queries are usable again afterwards.
        TotalsReport::TotalTops(dm, sql, -1);
        QCOMPARE(rankingRows(dm).size(), 25);
    }
};

QTEST_GUILESS_MAIN(TstTotalsReport)
#include "tst_totalsreport.moc"
