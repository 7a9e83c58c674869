#include "core/Cp932.h"
#include "core/Helpers.h"
#include "core/PhoneNumberForm.h"
#include "core/StartupSettings.h"

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

        // Plain ASCII gets the converter's bytes, also the control codes it trades for
        // others: the same text must not be stored two ways depending on what is beside it.
        QStringEncoder encoder("windows-31j", QStringConverter::Flag::Stateless);
        QStringDecoder decoder("windows-31j", QStringConverter::Flag::Stateless);
        for (int c = 0; c < 0x80; ++c) {
            const QString alone(QChar{c});
            const QByteArray converted = encoder(alone);
            QVERIFY2(Cp932::encode(alone) == converted, qPrintable(QString::number(c, 16)));
            QVERIFY2(Cp932::encode(alone + QString::fromUtf8("あ")).startsWith(converted), qPrintable(QString::number(c, 16)));
            const QByteArray byte(1, char(c));
            QVERIFY2(Cp932::decode(byte) == decoder(byte), qPrintable(QString::number(c, 16)));
            QCOMPARE(Cp932::decode(Cp932::encode(alone)), alone);
        }
    }

    void nationalForm_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("national");
        auto row = [](const char* name, const char* in, const char* out) {
            QTest::newRow(name) << QString::fromUtf8(in) << QString::fromUtf8(out);
        };
        row("national already", "09012345678", "09012345678");
        row("hyphens", "03-1234-5678", "0312345678");
        row("blanks, dots, brackets", "(03) 1234.5678", "0312345678");
        row("full width", "０３－１２３４－５６７８", "0312345678");
        row("prolonged mark and dashes", "03ー1234–5678", "0312345678");
        row("ideographic space, full-width brackets", "（０３）　１２３４　５６７８", "0312345678");
        row("+81 mobile", "+819012345678", "09012345678");
        row("+81 written out", "+81 90-1234-5678", "09012345678");
        row("full-width +81", "＋８１　３－１２３４－５６７８", "0312345678");
        row("+81 with the trunk 0 in brackets", "+81 (0)3-1234-5678", "0312345678");
        row("0081", "0081 90 1234 5678", "09012345678");
        row("another country keeps +", "+44 20 7946 0000", "+442079460000");
        row("00 and another code: a domestic carrier prefix", "0037-80-1234", "0037801234");
        row("withheld", "", "");
        row("one blank", " ", " ");
        row("emergency", "110", "110");
        row("service", "#8000", "#8000");
        row("full-width service", "＃８０００", "#8000");
        row("184 prefix kept", "184-03-1234-5678", "1840312345678");
        row("186 prefix kept", "186 090 1234 5678", "18609012345678");
        row("letters: as it came", "Anonymous", "Anonymous");
        row("text: as it came", "非通知", "非通知");
        row("plus inside: as it came", "03+1234", "03+1234");
        row("+81 alone", "+81", "+81");
        row("0081 alone", "0081", "0081");
    }
    void nationalForm()
    {
        QFETCH(QString, number);
        QFETCH(QString, national);
        QCOMPARE(PhoneNumberForm::National(number, "81"), national);
        // Once in the national form, a number stays as it is.
        QCOMPARE(PhoneNumberForm::National(national, "81"), national);
    }

    void nationalFormOfOtherCountriesAndTheSwitch()
    {
        QCOMPARE(PhoneNumberForm::National("+1 212 555 0100", "1"), QString("02125550100"));
        QCOMPARE(PhoneNumberForm::National("+819012345678", "1"), QString("+819012345678"));
        QCOMPARE(PhoneNumberForm::National("+819012345678", "+81"), QString("09012345678"));
        // No usable country code: the number is only cleaned.
        QCOMPARE(PhoneNumberForm::National("+81 90 1234 5678", ""), QString("+819012345678"));

        GCountryCode = "81";
        GNumberForm = false;
        for (const char* n : {"+81 90-1234-5678", "０３１２", "03-1234"})
            QCOMPARE(PhoneNumberForm::Apply(QString::fromUtf8(n)), QString::fromUtf8(n));
        // Typed numbers lose their hyphens, as they always did.
        QCOMPARE(PhoneNumberForm::Typed("+81 90-1234-5678"), QString("+81 9012345678"));
        GNumberForm = true;
        QCOMPARE(PhoneNumberForm::Apply("+81 90-1234-5678"), QString("09012345678"));
        QCOMPARE(PhoneNumberForm::Typed("+81 90-1234-5678"), QString("09012345678"));
    }
};

QTEST_GUILESS_MAIN(TestHelpers)
#include "tst_helpers.moc"
