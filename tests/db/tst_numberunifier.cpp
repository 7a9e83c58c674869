// Unifying the numbers of an older database: duplicates meet, customers are never merged, a
// second run changes nothing, a failure part-way changes nothing, and the command line tool.
#include "core/AppError.h"
#include "core/StartupSettings.h"
#include "db/NumberUnifier.h"
#include "db/TdmCmn.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QProcess>
#include <QtTest>

namespace {

QString scalar(const QString& sql)
{
    return TestDatabase::Scalar(sql);
}

// Rows as the program wrote them before numbers had one form.
void fillOlderData(TdmCmn& dm)
{
    const QStringList sql{
        // A customer typed with +81; the phone book has its entry, and calls came in two forms.
        "insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_TEL, CUST_TEL_NON) values "
        "(1, '田中工務店', '+81 90-1234-5678', '+81 9012345678')",
        "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values "
        "('+81 9012345678', '+81 9012345678', '田中工務店', 'たなか')",
        "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values "
        "('+819012345678', '+819012345678', '発信者不明', 'はっしんしゃふめい')",
        "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values "
        "('09012345678', '09012345678', '発信者不明', 'はっしんしゃふめい')",
        "insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) values (1, '2024/05/01 10:00:00', "
        "'+819012345678', '着信', 1)",
        "insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) values (2, '2024/05/01 11:00:00', "
        "'+819012345678', '着信', 1)",
        "insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) values (3, '2024/05/02 10:00:00', "
        "'09012345678', '着信', 1)",
        // A call whose phone-book entry was deleted since.
        "insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) values (4, '2024/05/03 10:00:00', "
        "'0081 90 1234 5678', '発信', 1)",
        "insert into ACCEPT_T (ACT_NO, LOG_NO, CUST_NO, TITLE) values (1, 2, 1, '見積もり')",
        // Two customers that would meet: the second keeps its number.
        "insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_TEL, CUST_TEL_NON) values "
        "(2, '山田商店', '03-1111-2222', '0311112222')",
        "insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_TEL, CUST_TEL_NON) values "
        "(3, '山田商店 支店', '+81311112222', '+81311112222')",
        "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values "
        "('0311112222', '0311112222', '山田商店', 'やまだ')",
        // Numbers the rule leaves alone.
        "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values ('#8000', '#8000', '相談', 'そうだん')",
        "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values (' ', ' ', '発信者不明', 'ふめい')",
    };
    for (const QString& s : sql)
        dm.ExecSql(s);
}

// Everything the unifier may touch, as one text to compare before and after.
QString snapshot()
{
    QStringList rows;
    auto read = [&rows](const QString& sql, int columns) {
        FbQuery& q = dmCmn->sqlWork;
        q.setSql(sql);
        for (q.open(); !q.eof(); q.next()) {
            QStringList cells;
            for (int i = 0; i < columns; ++i)
                cells << q.field(i).asString();
            rows << cells.join('|');
        }
        q.close();
    };
    read("select TEL_NO, CUST_TEL_NON, CALLER from TELS order by TEL_NO", 3);
    read("select CUST_NO, CUST_TEL, CUST_TEL_NON from CUSTOMER order by CUST_NO", 3);
    read("select LOG_NO, TEL_NO from LOG order by LOG_NO", 2);
    read("select ACT_NO, LOG_NO, CUST_NO from ACCEPT_T order by ACT_NO", 3);
    return rows.join('\n');
}

} // namespace

class TestNumberUnifier : public QObject
{
    Q_OBJECT
private slots:
    void olderDatabaseTakesTheNationalFormOnceAndForAll()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        fillOlderData(*db.dm());
        NumberUnifier unifier(dmCmn->IBDatabase1, "81", GUnknownName);

        const NumberUnifier::Plan plan = unifier.Survey();
        const QString listed = plan.Describe().join('\n');
        QVERIFY2(listed.contains("電話帳: +819012345678（発信者不明）は 09012345678 の 田中工務店（+81 "
                                 "9012345678）と重なるため削除します"),
                 qPrintable(listed));
        QVERIFY(listed.contains("変更しません: 顧客 管理番号 3 山田商店 支店 +81311112222 → 0311112222 は 管理番号 2 "
                                "山田商店 と重なります"));
        unifier.Apply(plan);

        // One entry per caller; the named one won and took the national form.
        QCOMPARE(snapshot(), QString(" | |発信者不明\n"
                                     "#8000|#8000|相談\n"
                                     "0311112222|0311112222|山田商店\n"
                                     "09012345678|09012345678|田中工務店\n"
                                     "1|+81 90-1234-5678|09012345678\n"
                                     "2|03-1111-2222|0311112222\n"
                                     "3|+81311112222|+81311112222\n"
                                     "1|09012345678\n2|09012345678\n3|09012345678\n4|09012345678\n"
                                     "1|2|1"));
        // The calls find the customer now.
        QString name, kana;
        QVERIFY(dmCmn->GetCustInfo("09012345678", name, kana));
        QCOMPARE(name, QString("田中工務店"));

        // Again: nothing left to do; the customer pair is still reported.
        const NumberUnifier::Plan again = unifier.Survey();
        QVERIFY(again.IsEmpty());
        QVERIFY(NumberUnifier::Statements(again).isEmpty());
        QCOMPARE(again.Describe().size(), 1);
    }

    // Rows of different callers that meet in one form stay apart and are listed; rows of one
    // caller still become one.
    void differentCallersStayApart()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QStringList sql{
            // Two shops' entries in two forms of one number.
            "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER) values ('+81 3-5555-6666', '+81 3-5555-6666', '佐藤商店')",
            "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER) values ('0355556666', '0355556666', '鈴木商会')",
            // Two customers whose numbers meet, each with its entry and calls.
            "insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_TEL, CUST_TEL_NON) values "
            "(104, '高橋設備', '+81-6-1111-2222', '+8161111222')",
            "insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_TEL, CUST_TEL_NON) values "
            "(105, '伊藤電機', '06-111-1222', '061111222')",
            "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER) values ('+8161111222', '+8161111222', '高橋設備')",
            "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER) values ('061111222', '061111222', '伊藤電機')",
            // A customer whose only entry would move onto another customer's number.
            "insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_TEL, CUST_TEL_NON) values (106, '林商店', '0451234567', "
            "'0451234567')",
            "insert into CUSTOMER (CUST_NO, CUST_NAME, CUST_TEL, CUST_TEL_NON) values (107, '森商店', '045-999', "
            "'045999')",
            "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER) values ('+81451234567', '045999', '森商店')",
            // One caller in two forms, the same name: still one entry afterwards.
            "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER) values ('+81 52-000-1111', '+81 52-000-1111', '中村屋')",
            "insert into TELS (TEL_NO, CUST_TEL_NON, CALLER) values ('0520001111', '0520001111', '中村屋')",
        };
        for (const QString& s : sql)
            db.dm()->ExecSql(s);
        // One call each, in this order (LOG_NO 1, 2, ...).
        const QStringList calls{"+81 3-5555-6666", "+8161111222", "+8161111222", "+8161111222",
                                "061111222",       "061111222",   "+81451234567"};
        for (int i = 0; i < calls.size(); ++i)
            db.dm()->ExecSql(QString("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) values (%1, "
                                     "'2024/05/01 10:00:00', '%2', '着信', 1)")
                                 .arg(i + 1)
                                 .arg(calls.at(i)));
        auto callsOf = [](int custNo) {
            return scalar(QString("select count(*) from LOG g join TELS t on t.TEL_NO = g.TEL_NO join CUSTOMER c on "
                                  "c.CUST_TEL_NON = t.CUST_TEL_NON where c.CUST_NO = %1")
                              .arg(custNo));
        };
        const QStringList before{callsOf(104), callsOf(105), callsOf(106), callsOf(107)};
        QCOMPARE(before, (QStringList{"3", "2", "0", "1"}));

        NumberUnifier unifier(dmCmn->IBDatabase1, "81", GUnknownName);
        const NumberUnifier::Plan plan = unifier.Survey();
        const QString listed = plan.Describe().join('\n');
        QVERIFY2(listed.contains(
                     "変更しません: +81 3-5555-6666（佐藤商店）、0355556666（鈴木商会） は 0355556666 で重なりますが"
                     "別の発信者です（電話帳で番号を直してください）"),
                 qPrintable(listed));
        QVERIFY(
            listed.contains("変更しません: +8161111222（高橋設備）、061111222（伊藤電機） は 061111222 で重なります"));
        QVERIFY(listed.contains(
            "変更しません: +81451234567（森商店）、顧客 管理番号 106 林商店 は 0451234567 で重なります"));
        QVERIFY(listed.contains(
            "電話帳: +81 52-000-1111（中村屋）は 0520001111 の 中村屋（0520001111）と重なるため削除します"));
        QCOMPARE(plan.LeftAlone(), 4); // three collisions and customer 104
        unifier.Apply(plan);

        // Every customer keeps its calls; both shops keep their names and calls.
        QCOMPARE((QStringList{callsOf(104), callsOf(105), callsOf(106), callsOf(107)}), before);
        QCOMPARE(scalar("select CALLER from TELS where TEL_NO = '+81 3-5555-6666'"), QString("佐藤商店"));
        QCOMPARE(scalar("select CALLER from TELS where TEL_NO = '0355556666'"), QString("鈴木商会"));
        QCOMPARE(scalar("select TEL_NO from LOG where LOG_NO = 1"), QString("+81 3-5555-6666"));
        QCOMPARE(scalar("select count(*) from TELS where CALLER = '中村屋'"), QString("1"));
        // Nothing more to do until a person settles the rest; they stay listed.
        const NumberUnifier::Plan again = unifier.Survey();
        QVERIFY(again.IsEmpty());
        QCOMPARE(again.LeftAlone(), 4);
    }

    void aFailurePartWayChangesNothing()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        fillOlderData(*db.dm());
        const QString before = snapshot();
        NumberUnifier unifier(dmCmn->IBDatabase1, "81", GUnknownName);
        const NumberUnifier::Plan plan = unifier.Survey();
        const QStringList statements = NumberUnifier::Statements(plan);
        QVERIFY(statements.size() > 3);
        // The process dies (here: the last statement fails) after every other change ran.
        int run = 0;
        dmCmn->IBDatabase1.setStatementHook([&run, &statements](const QString&) {
            if (++run == statements.size())
                throw AppError("the power went off");
        });
        QVERIFY_THROWS_EXCEPTION(AppError, unifier.Apply(plan));
        dmCmn->IBDatabase1.setStatementHook(nullptr);
        QCOMPARE(run, statements.size());
        QCOMPARE(snapshot(), before);
    }

    void commandLine()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        fillOlderData(*db.dm());
        const QString before = snapshot();
        dmCmn->IBDatabase1.close();
        auto tool = [&](const QStringList& extra, QString* out) {
            QProcess p;
            p.start(TestEnv::binary("tools/zuvaro3-initdb/zuvaro3-initdb"),
                    QStringList{"--unify-numbers", db.path()} + extra);
            if (!p.waitForFinished(60000))
                p.kill();
            p.waitForFinished();
            *out = QString::fromUtf8(p.readAllStandardOutput());
            return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        };
        QString out;
        QCOMPARE(tool({"--dry-run"}, &out), 0);
        QVERIFY2(out.contains("通話履歴: +819012345678 → 09012345678（2 件）"), qPrintable(out));
        QVERIFY(out.contains("nothing written"));
        QVERIFY2(out.contains("変更しません: 顧客 管理番号 3") && out.contains("1 left as they are"), qPrintable(out));
        QCOMPARE(snapshot(), before);
        dmCmn->IBDatabase1.close();

        QCOMPARE(tool({}, &out), 0);
        QVERIFY2(out.contains("changes written"), qPrintable(out));
        QCOMPARE(scalar("select count(*) from LOG where TEL_NO = '09012345678'"), QString("4"));
        dmCmn->IBDatabase1.close();

        QCOMPARE(tool({}, &out), 0);
        QVERIFY2(out.contains("Nothing to change."), qPrintable(out));
    }
};

QTEST_GUILESS_MAIN(TestNumberUnifier)
#include "tst_numberunifier.moc"
