#include "calls/DialAddress.h"

#include <QtTest>

class TestDialAddress : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("dial");
        QTest::addColumn<QString>("telno");
        QTest::newRow("plain") << "zuvaro:dial?telno=0312345678" << true << "0312345678";
        QTest::newRow("letter case") << "ZUVARO:Dial?TelNo=0312345678" << true << "0312345678";
        QTest::newRow("other parameters") << "zuvaro:dial?from=web&telno=03-1234-5678&x=1" << true << "03-1234-5678";
        QTest::newRow("no parameters") << "zuvaro:dial" << true << "";
        QTest::newRow("empty number") << "zuvaro:dial?telno=" << true << "";
        QTest::newRow("other command") << "zuvaro:hangup?telno=0312345678" << false << "";
        QTest::newRow("blank ends the value") << "zuvaro:dial?telno=03 1234" << true << "03";
        QTest::newRow("quoted value") << "zuvaro:dial?\"telno=03 1234\"" << true << "03 1234";
        QTest::newRow("percent-encoded") << "zuvaro:dial?telno=03%2D1234%0D%0AATH" << true << "03-1234\r\nath";
        QTest::newRow("encoded separator stays") << "zuvaro:dial?telno=0312%26x=1" << true << "0312&x=1";
        QTest::newRow("encoded full-width") << "zuvaro:dial?telno=%EF%BC%90%EF%BC%93" << true << "０３";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, dial);
        QFETCH(QString, telno);
        QVERIFY(DialAddress::IsAddress(text));
        const TDialRequest r = DialAddress::Parse(text);
        QCOMPARE(r.IsDial, dial);
        QCOMPARE(r.TelNo, telno);
    }

    void cleanDialNumber_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("number");
        QTest::newRow("plain") << "0312345678" << true << "0312345678";
        QTest::newRow("hyphens and blanks") << " 03-1234 5678　" << true << "0312345678";
        QTest::newRow("full-width") << "０３－１２３４ー５６７８" << true << "0312345678";
        QTest::newRow("signs") << "+81*31#" << true << "+81*31#";
        QTest::newRow("full-width signs") << "＋８１＊３１＃" << true << "+81*31#";
        QTest::newRow("empty") << "" << true << "";
        QTest::newRow("forty") << QString(40, QLatin1Char('1')) << true << QString(40, QLatin1Char('1'));
        QTest::newRow("forty-one") << QString(41, QLatin1Char('1')) << false << "";
        QTest::newRow("three hundred") << QString(300, QLatin1Char('9')) << false << "";
        QTest::newRow("command separator") << "0312;ath;atd999" << false << "";
        QTest::newRow("hang-up") << "+ath" << false << "";
        QTest::newRow("line break") << "0312\r\nATH" << false << "";
        QTest::newRow("tab") << "03\t12" << false << "";
        QTest::newRow("pause") << "0312,,5" << false << "";
        QTest::newRow("kanji") << "〇三" << false << "";
        QTest::newRow("letter") << "0312p5" << false << "";
    }
    void cleanDialNumber()
    {
        QFETCH(QString, raw);
        QFETCH(bool, ok);
        QFETCH(QString, number);
        QString out = QStringLiteral("old");
        QCOMPARE(DialAddress::CleanDialNumber(raw, &out), ok);
        QCOMPARE(out, number);
    }

    void refusalNamesTheNumber()
    {
        const QString m = DialAddress::RefusedNumberMessage("0312;ath\x1b");
        QVERIFY(m.contains("「0312;ath?」"));
        QVERIFY(m.contains("40"));
    }

    void notAnAddress()
    {
        QVERIFY(!DialAddress::IsAddress("0312345678"));
        QVERIFY(!DialAddress::IsAddress(" zuvaro:dial"));
    }

    void commaText()
    {
        QCOMPARE(DialAddress::SplitCommaText("a,b c"), QStringList({"a", "b", "c"}));
        QCOMPARE(DialAddress::SplitCommaText("a,,b"), QStringList({"a", "", "b"}));
        QCOMPARE(DialAddress::SplitCommaText("\"a \"\"b\"\"\",c"), QStringList({"a \"b\"", "c"}));
        QCOMPARE(DialAddress::SplitCommaText(""), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestDialAddress)
#include "tst_dialaddress.moc"
