// The search statements on a real database, and the filter that drops Shift-JIS false hits.
#include "core/StartupSettings.h"
#include "customers/SearchQuery.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QtTest>

namespace {
QStringList column(const QList<QStringList>& rows, int c)
{
    QStringList out;
    for (const auto& r : rows)
        out << r.value(c);
    return out;
}
} // namespace

class TestSearchQuery : public QObject
{
    Q_OBJECT
private slots:
    void customers()
    {
        TestEnv env;
        TempDb db;
        for (const char* row : {"0312345678|表示ソフト", "0398765432|ABC商事", "0611112222|アイ", "0312000000|山田"}) {
            const QStringList p = QString::fromUtf8(row).split('|');
            TCust c;
            c.CustTel = p[0];
            c.CustTelNon = p[0];
            c.CustName = p[1];
            db.dm().InsertCustData(c);
        }
        SearchQuery q(SearchQuery::Customers, 0);
        QCOMPARE(q.Caption(), QString("顧客情報検索"));
        QCOMPARE(q.Columns().size(), 9);
        QCOMPARE(q.Items().value(2).Caption, QString("顧客カナ"));
        QVERIFY(q.Run(db.dm().sqlWork2, q.InitialSql()).isEmpty());
        // Blanks only: the initial statement.
        QCOMPARE(q.SearchSql(1, "   ", true), q.InitialSql());
        QCOMPARE(q.SearchSql(0, "03", false),
                 QString("select CUST_TEL_NON, CUST_NAME, CUST_KANA, FAX_NO_NON, ZIP_CD, ADDRESS, EMAIL, "
                         "left(OTHERS,50) OTHERS, CUST_NO from CUSTOMER where CUST_TEL_NON like '03%' order by "
                         "CUST_TEL_NON"));
        auto search = [&](int item, const QString& typed, bool anywhere) {
            return q.Run(db.dm().sqlWork2, q.SearchSql(item, typed, anywhere), item, typed, anywhere);
        };
        QCOMPARE(column(search(0, "03", false), 0), (QStringList{"0312000000", "0312345678", "0398765432"}));
        // A number typed with hyphens or +81 is searched in the form numbers are stored in;
        // with the number form off, exactly as typed.
        QCOMPARE(search(0, "+81 3-12", false).size(), 2);
        GNumberForm = false;
        QVERIFY(search(0, "03-", false).isEmpty());
        GNumberForm = true;
        QCOMPARE(column(search(1, "ソフト", true), 1), QStringList{"表示ソフト"});
        QCOMPARE(column(search(1, "ソフト", false), 1), QStringList());
        // The customer number is the last column.
        QVERIFY(search(1, "山田", false).value(0).value(8).toInt() > 0);
    }

    void falseHitsAreDropped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("names");
        // "表" and "ソ" end in the byte of "\", "ア" in the byte of "A".
        QTest::newRow("backslash") << "\\" << QStringList{"C:\\data"};
        QTest::newRow("letter") << "A" << QStringList{"ABC商事"};
    }
    void falseHitsAreDropped()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, names);
        TestEnv env;
        TempDb db;
        for (const char* name : {"表示ソフト", "アイ", "ABC商事", "C:\\data"}) {
            TCust c;
            c.CustTel = c.CustTelNon = QString::fromUtf8(name).toUtf8().toHex().left(20);
            c.CustName = QString::fromUtf8(name);
            db.dm().InsertCustData(c);
        }
        SearchQuery q(SearchQuery::Customers, 0);
        const QString sql = q.SearchSql(1, typed, true);
        // The database itself lists more than the true hits.
        QVERIFY(q.Run(db.dm().sqlWork2, sql).size() > names.size());
        QCOMPARE(column(q.Run(db.dm().sqlWork2, sql, 1, typed, true), 1), names);
    }

    void phoneBookAndPrograms()
    {
        TestEnv env;
        TempDb db;
        db.dm().InsertTels(TTels{"0311112222", "0311112222", "名前", "なまえ"});
        SearchQuery tels(SearchQuery::Tels, 0);
        QVERIFY(tels.Run(db.dm().sqlWork2, tels.InitialSql()).isEmpty());
        QCOMPARE(tels.Run(db.dm().sqlWork2, tels.SearchSql(2, "名", false), 2, "名", false).value(0),
                 (QStringList{"0311112222", "0311112222", "名前", "なまえ"}));
        db.dm().ExecSql("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EXEC_PATH) values (1, 'ブラウザ', '0', "
                        "'/usr/bin/x')");
        db.dm().ExecSql("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EXEC_PATH) values (2, '帳票', '1', '/y')");
        SearchQuery ifs(SearchQuery::Interface, 0);
        QCOMPARE(ifs.Caption(), QString("外部接続検索"));
        QCOMPARE(column(ifs.Run(db.dm().sqlWork2, ifs.InitialSql()), 1), (QStringList{"ブラウザ", "帳票"}));
        QCOMPARE(ifs.IndexKey(), QString("IF_INDEX"));
        QCOMPARE(SearchQuery(SearchQuery::Customers, 2).Items().value(2).Caption, QString("顧客ｶﾅ"));
    }
};

QTEST_GUILESS_MAIN(TestSearchQuery)
#include "tst_searchquery.moc"
