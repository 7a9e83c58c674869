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
