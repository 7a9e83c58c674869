// The master lists: their exact shape, what a rebuild changes, and who counts as valid today.

#include "calls/MasterLists.h"
#include "core/Clock.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QtTest>

class TestMasterLists : public QObject
{
    Q_OBJECT
private slots:
    void optionListsHaveOneEntryPerNumber()
    {
        TestEnv env;
        TempDb db;
        for (const char* row : {"1, '血液型', 'm'", "2, '趣味', 's'", "15, '紹介者', 's'"})
            db.dm().ExecSql(QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE) values (%1)")
                                .arg(QString::fromUtf8(row)));
        db.dm().ExecSql(QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, DEL_DT) values (3, "
                                       "'削除済', 's', '2020/01/01')"));
        for (const char* row : {"'2', 'B', '2'", "'1', 'A', '1'", "'10', 'AB', '10'"})
            db.dm().ExecSql(QStringLiteral("insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (1, %1)")
                                .arg(QString::fromUtf8(row)));

        MasterLists lists(db.dm());
        lists.MakeAll();
        QCOMPARE(lists.OptionNames1,
                 (QStringList{"血液型", "趣味", "", "", "", "", "", "", "", ""}));
        QCOMPARE(lists.OptionNames2, (QStringList{"", "", "", "", "紹介者", "", "", "", "", ""}));
        QCOMPARE(lists.OptionTypes.size(), 20);
        QCOMPARE(lists.OptionType(1), QStringLiteral("m"));
        QCOMPARE(lists.OptionName(15), QStringLiteral("紹介者"));
        // LIST_ID is text: "10" sorts before "2".
        QVERIFY(lists.Choices(1));
        QCOMPARE(lists.Choices(1)->Ids, (QStringList{"", "1", "10", "2"}));
        QCOMPARE(lists.Choices(1)->Names, (QStringList{"", "A", "AB", "B"}));
        QVERIFY(!lists.Choices(2));

        // A reader's reference sees the rebuild; a field that stops being a choice keeps an empty pair.
        const MasterLists::ChoicePair* held = lists.Choices(1);
        db.dm().ExecSql(QStringLiteral("insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (1, '0', 'O', '0')"));
        lists.MakeCustOptionDataTemp();
        QCOMPARE(held->Names, (QStringList{"", "O", "A", "AB", "B"}));
        db.dm().ExecSql(QStringLiteral("update OPTION_M set FIELD_TYPE = 's' where OPTION_ID = 1"));
        lists.MakeCustOptionTemp();
        lists.MakeCustOptionDataTemp();
        QCOMPARE(lists.OptionType(1), QStringLiteral("s"));
        QVERIFY(held->Ids.isEmpty());
    }

    void usersValidToday()
    {
        TestEnv env;
        TempDb db;
        Clock::setNow(QDateTime(QDate(2026, 5, 10), QTime(9, 0)));
        const struct { const char* id; const char* from; const char* to; const char* del; } users[] = {
            {"u_today", "null", "'2026/05/10'", "null"},   // TODT is exclusive
            {"u_tomor", "'2026/05/11'", "null", "null"},   // not yet valid
            {"u_del", "null", "null", "'2026/01/01'"},     // deleted
            {"u_ok", "'2026/05/10'", "'2026/05/11'", "null"},
        };
        int list = 2;
        for (const auto& u : users)
            db.dm().ExecSql(QStringLiteral("insert into USER_M (USERID, USERNM, PASSWD, FROMDT, TODT, DEL_DT, LISTID) "
                                           "values ('%1', '%1', '', %2, %3, %4, '%5')")
                                .arg(QLatin1String(u.id), QLatin1String(u.from), QLatin1String(u.to),
                                     QLatin1String(u.del))
                                .arg(list++));
        MasterLists lists(db.dm());
        lists.MakeUserTemp();
        QCOMPARE(lists.UserIds.first(), QString());
        QVERIFY(lists.UserIds.contains(QStringLiteral("admin")));
        QVERIFY(lists.UserIds.contains(QStringLiteral("u_ok")));
        for (const char* gone : {"u_today", "u_tomor", "u_del"})
            QVERIFY2(!lists.UserIds.contains(QLatin1String(gone)), gone);
        QCOMPARE(lists.UserIds.size(), lists.UserNames.size());
        Clock::reset();
    }
};

QTEST_MAIN(TestMasterLists)
#include "tst_masterlists.moc"
