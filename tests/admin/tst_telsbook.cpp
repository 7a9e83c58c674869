// The phone book's rules and the call memo's length, on a real database.
#include "admin/CallMemo.h"
#include "admin/TelsBook.h"
#include "core/AppError.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QtTest>

class TestTelsBook : public QObject
{
    Q_OBJECT
private slots:
    void buttons()
    {
        using M = TelsBook::Mode;
        const TTels none, some{"03", "", "", ""};
        auto b = TelsBook::ButtonsFor(M::Browse, none);
        QVERIFY(b.Add && !b.Edit && !b.Delete && b.Search && !b.OkCancel && b.Close && !b.TelNo && !b.Others);
        b = TelsBook::ButtonsFor(M::Browse, some);
        QVERIFY(b.Edit && b.Delete);
        b = TelsBook::ButtonsFor(M::Edit, some);
        QVERIFY(!b.TelNo && b.Others && b.OkCancel && !b.Add && !b.Close);
        b = TelsBook::ButtonsFor(M::Add, none);
        QVERIFY(b.TelNo && b.Others && b.OkCancel);
    }

    void customerOffer()
    {
        TestEnv env;
        TempDb db;
        LoadStartupSettings();
        TelsBook book(db.dm());
        QCOMPARE(TelsBook::Normalised({"03-1-2", "03-1-2", "名", "な"}).TelNo, QString("0312"));
        QVERIFY(book.OffersCustomer({"0312", "", "名", ""}));
        QVERIFY(book.OffersCustomer({"0312", "0312", "名", ""}));
        QVERIFY(!book.OffersCustomer({"0312", "0399", "名", ""}));
        QVERIFY(!book.OffersCustomer({"0312", "", "発信者不明", ""}));
        QVERIFY(!book.OffersCustomer({"", "", "名", ""}));
        book.InsertCustomer({"0312", "", "名", ""});
        QCOMPARE(db.scalar("select CUST_NAME from CUSTOMER where CUST_TEL_NON = '0312'"), QString("名"));
        QCOMPARE(db.scalar("select SEX from CUSTOMER"), QString("-1"));
        QVERIFY(!book.OffersCustomer({"0312", "", "名", ""}));
    }

    void storeAndDelete()
    {
        TestEnv env;
        TempDb db;
        TelsBook book(db.dm());
        QVERIFY_THROWS_EXCEPTION(AppError, book.Store({"", "", "名", ""}));
        QCOMPARE(db.count("TELS"), 0);
        book.Store({"0312", "", "名", ""});
        book.Store({"0312", "0399", "別名", "べつ"});
        QCOMPARE(db.count("TELS"), 1);
        QCOMPARE(db.scalar("select CALLER from TELS"), QString("別名"));
        book.Delete("0312");
        QCOMPARE(db.count("TELS"), 0);
    }

    void memoLength()
    {
        QCOMPARE(CallMemo::FromEditor("a\nb"), QString("a\r\nb"));
        QCOMPARE(CallMemo::FromEditor(""), QString());
        // Line breaks after the last line are dropped, those between lines kept.
        QCOMPARE(CallMemo::FromEditor("折り返し電話希望\n"), QString("折り返し電話希望"));
        QCOMPARE(CallMemo::FromEditor("a\n\nb\n\n"), QString("a\r\n\r\nb"));
        QCOMPARE(CallMemo::FromEditor("\n\n"), QString());
        QCOMPARE(CallMemo::ToEditor("a\r\nb\r\n"), QString("a\nb"));
        QCOMPARE(CallMemo::ToEditor("a\r\nb"), QString("a\nb"));
        // Exactly 4000 bytes, line breaks counted, pass.
        QVERIFY(!CallMemo::TooLong(CallMemo::FromEditor(QString(4000, 'x'))));
        QVERIFY(CallMemo::TooLong(CallMemo::FromEditor(QString(4001, 'x'))));
        QVERIFY(!CallMemo::TooLong(CallMemo::FromEditor(QString(1998, QChar(0x3042)) + "\nxx\n")));
        QVERIFY(CallMemo::TooLong(CallMemo::FromEditor(QString(1999, QChar(0x3042)) + "\nx")));
    }
};

QTEST_GUILESS_MAIN(TestTelsBook)
#include "tst_telsbook.moc"
