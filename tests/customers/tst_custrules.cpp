// Rules of the customer frame without a screen: readings, captions, option values, links,
// pictures.
#include "customers/CustRules.h"
#include "customers/KanaReading.h"
#include "customers/ReadingFill.h"

#include <QtTest>

class TestCustRules : public QObject
{
    Q_OBJECT
private slots:
    void readings_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kanaType");
        QTest::addColumn<QString>("reading");
        QTest::newRow("kanji full") << "山田太郎" << 0 << "ヤマダタロウ";
        QTest::newRow("kanji half") << "山田太郎" << 2 << "ﾔﾏﾀﾞﾀﾛｳ";
        QTest::newRow("kanji none") << "山田太郎" << 1 << "";
        QTest::newRow("hiragana full") << "さとう はなこ" << 0 << "サトウ　ハナコ";
        QTest::newRow("mixed half") << "表示ソフト" << 2 << "ﾋｮｳｼﾞｿﾌﾄ";
        QTest::newRow("ascii full") << "ABC田中" << 0 << "ＡＢＣタナカ";
        QTest::newRow("place half") << "東京都" << 2 << "ﾄｳｷｮｳﾄ";
    }
    void readings()
    {
        QFETCH(QString, name);
        QFETCH(int, kanaType);
        QFETCH(QString, reading);
        QCOMPARE(KanaReading::ForKanaType(name, kanaType), reading);
    }

    void halfWidthKeepsOthers()
    {
        QCOMPARE(KanaReading::ToHalfWidthKana("ガーＡa"), QString("ｶﾞｰＡa"));
        QCOMPARE(KanaReading::ToHalfWidthKana("パヴ"), QString("ﾊﾟｳﾞ"));
    }

    void readingFill()
    {
        ReadingFill fill(0);
        fill.Reset(QString());
        QString reading = fill.NameChanged("", "山田", "");
        QCOMPARE(reading, QString("ヤマダ"));
        reading = fill.NameChanged("山田", "山田花子", reading);
        QCOMPARE(reading, QString("ヤマダハナコ"));
        // Latin letters and deletions add nothing.
        QCOMPARE(fill.NameChanged("山田花子", "山田花子X", reading), reading);
        QCOMPARE(fill.NameChanged("山田花子X", "山田", reading), reading);
        // Once the user typed a reading, it stays as typed.
        QCOMPARE(fill.NameChanged("山田", "山田様", "ヤマ"), QString("ヤマ"));
        QCOMPARE(ReadingFill::Inserted("abcd", "abXYcd"), QString("XY"));
    }

    void tabCaption()
    {
        QCOMPARE(CustRules::TabCaption("03-1234-5678", true), QString("0312345678     B"));
        QCOMPARE(CustRules::TabCaption("", false), QString(" 新 規           E"));
        QCOMPARE(CustRules::TabCaption("012345678901234567", true), QString("012345678901234B"));
    }

    void fieldCheckAndRecord()
    {
        CustRules::Input in;
        QCOMPARE(CustRules::Check(in), CustRules::CheckResult::NoTel);
        in.Tel = "03-1-2";
        QCOMPARE(CustRules::Check(in), CustRules::CheckResult::NoName);
        in.Name = "名";
        in.Fax = "03-9-9";
        QCOMPARE(CustRules::Check(in), CustRules::CheckResult::Ok);
        const TCust c = CustRules::ToCust(in);
        QCOMPARE(c.CustTelNon, QString("0312"));
        QCOMPARE(c.FaxNoNon, QString("0399"));
        QVERIFY(!c.BirthDt.isValid());
    }

    void optionValues()
    {
        const QStringList ids{"", "A", "B"}, names{"", "A型", "B型"};
        QCOMPARE(CustRules::OptionOnLoad("m", "B", ids, names).Shown, QString("B型"));
        QCOMPARE(CustRules::OptionOnLoad("m", "Z", ids, names).Shown, QString());
        QCOMPARE(CustRules::OptionOnLoad("m", "", ids, names).Id, QString());
        QCOMPARE(CustRules::OptionOnLoad("s", "Z", ids, names).Shown, QString("Z"));
        QCOMPARE(CustRules::OptionToStore("m", "B型", "B"), QString("B"));
        QCOMPARE(CustRules::OptionToStore("n", "12", ""), QString("12"));
        const QDateTime at(QDate(2024, 2, 3), QTime(4, 5));
        QCOMPARE(CustRules::FormatOptionValue("e", at, true), QString("2024/02/03 04:05"));
        QCOMPARE(CustRules::FormatOptionValue("t", at, true), QString("04:05"));
        QCOMPARE(CustRules::FormatOptionValue("d", at, false), QString());
        QCOMPARE(CustRules::ParseOptionValue("e", "2024/02/03 04:05").value(), at);
        QCOMPARE(CustRules::ParseOptionValue("t", "04:05")->time(), QTime(4, 5));
        QVERIFY(!CustRules::ParseOptionValue("d", "釣り").has_value());
    }

    void links()
    {
        QCOMPARE(CustRules::FormEncode("a b-_.!$'()*@~東"), QString("a+b-_.!$'()*@%7e%e6%9d%b1"));
        QVERIFY(CustRules::MapSearchUrl("東京").contains("/maps?hl=ja&source=hp&q=%e6%9d%b1%e4%ba%ac&lr=&um=1&ie=UTF-8"
                                                     "&sa=N&tab=wl"));
        QCOMPARE(CustRules::MailUrl(""), QString("mailto:"));
    }

    void pictureScaling()
    {
        QCOMPARE(CustRules::ScaleForStore(QImage(3000, 1500, QImage::Format_RGB32)).size(), QSize(1024, 512));
        QCOMPARE(CustRules::ScaleForStore(QImage(600, 2048, QImage::Format_RGB32)).size(), QSize(300, 1024));
        QCOMPARE(CustRules::ScaleForStore(QImage(1024, 10, QImage::Format_RGB32)).size(), QSize(1024, 10));
    }

    void age()
    {
        QCOMPARE(CustRules::Age(QDate(2000, 5, 10), QDate(2026, 5, 9)), 25);
        QCOMPARE(CustRules::Age(QDate(2000, 5, 10), QDate(2026, 5, 10)), 26);
        QCOMPARE(CustRules::Age(QDate(), QDate(2026, 5, 10)), -1);
    }
};

QTEST_GUILESS_MAIN(TestCustRules)
#include "tst_custrules.moc"
