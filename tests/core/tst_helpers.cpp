#include "core/Cp932.h"
#include "core/Helpers.h"

#include <QtTest>

class TestHelpers : public QObject
{
    Q_OBJECT
private slots:
    void sqlAndCsvLiterals()
    {
        QCOMPARE(QuotedSql("O'Brien"), QString("'O''Brien'"));
        QCOMPARE(QuotedSql(""), QString("''"));
        QCOMPARE(QuotedSql("03'; drop table LOG; --"), QString("'03''; drop table LOG; --'"));
        QCOMPARE(NullOrText(""), QString("null"));
        QCOMPARE(NullOrText("0"), QString("0"));
        QCOMPARE(DoubleQuoted("say \"hi\""), QString("\"say \"\"hi\"\"\""));
        QCOMPARE(DoubleQuoted(""), QString("\"\""));
    }

    void flags()
    {
        QCOMPARE(FlagText(true), QString("1"));
        QCOMPARE(FlagText(false), QString("0"));
        QVERIFY(IsFlagOn("1"));
        QVERIFY(!IsFlagOn("1 "));
        QVERIFY(!IsFlagOn(""));
        QVERIFY(!IsFlagOn("true"));
    }

    void yearsBetween_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<int>("years");
        QTest::newRow("day before birthday") << QDate(2000, 3, 15) << QDate(2024, 3, 14) << 23;
        QTest::newRow("birthday") << QDate(2000, 3, 15) << QDate(2024, 3, 15) << 24;
        QTest::newRow("earlier month") << QDate(2000, 3, 15) << QDate(2024, 2, 28) << 23;
        QTest::newRow("leap day, non-leap year") << QDate(2000, 2, 29) << QDate(2023, 2, 28) << 22;
        QTest::newRow("same day") << QDate(2024, 1, 1) << QDate(2024, 1, 1) << 0;
    }
    void yearsBetween()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(int, years);
        QCOMPARE(YearsBetween(from, to), years);
    }

    void fullWidth_data()
    {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("ascii") << "Ab1-" << QString::fromUtf8("Ａｂ１－");
        QTest::newRow("space") << "a b" << QString::fromUtf8("ａ　ｂ");
        QTest::newRow("kana") << QString::fromUtf8("ｱｲｳ") << QString::fromUtf8("アイウ");
        QTest::newRow("voiced") << QString::fromUtf8("ｶﾞｷﾞﾊﾟｳﾞ") << QString::fromUtf8("ガギパヴ");
        QTest::newRow("mark that cannot combine") << QString::fromUtf8("ｱﾞ") << QString::fromUtf8("ア゛");
        QTest::newRow("punctuation") << QString::fromUtf8("｡｢｣､･ｰ") << QString::fromUtf8("。「」、・ー");
        QTest::newRow("already full width") << QString::fromUtf8("顧客Ａ") << QString::fromUtf8("顧客Ａ");
        QTest::newRow("mark at end") << QString::fromUtf8("ﾊﾟﾊ") << QString::fromUtf8("パハ");
    }
    void fullWidth()
    {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(ToFullWidth(in), out);
    }

    void cp932()
    {
        bool ok = false;
        const QString text = QString::fromUtf8("発信者不明～①髙");
        QByteArray bytes = Cp932::encode(text, &ok);
        QVERIFY(ok);
        QCOMPARE(Cp932::decode(bytes), text);
        QCOMPARE(Cp932::byteLength(QString::fromUtf8("aｱア")), 4);
        QVERIFY(!Cp932::canEncode(QString::fromUtf8("a😀b")));
        QCOMPARE(Cp932::firstUnencodable(QString::fromUtf8("ab😀c")), QString::fromUtf8("😀"));
        QCOMPARE(Cp932::firstUnencodable("abc"), QString());
    }
};

QTEST_GUILESS_MAIN(TestHelpers)
#include "tst_helpers.moc"
