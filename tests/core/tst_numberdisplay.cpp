#include "core/NumberDisplay.h"
#include "core/PhoneNumberForm.h"
#include "core/StartupSettings.h"

#include <QtTest>

Q_DECLARE_METATYPE(NumberKind)

class TestNumberDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        GCountryCode = QStringLiteral("81");
        GNumberForm = true;
        GNumberDisplay = true;
    }

    // Every kind of number as it may arrive, its national form (the key, as it always was),
    // how it is shown, what kind it is and, for a landline, where it is.
    void numberTable_data()
    {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("national");
        QTest::addColumn<QString>("grouped");
        QTest::addColumn<NumberKind>("kind");
        QTest::addColumn<QString>("area");
        auto row = [](const char* name, const char* in, const char* national, const char* grouped, NumberKind kind,
                      const char* area = "") {
            QTest::newRow(name) << QString::fromUtf8(in) << QString::fromUtf8(national) << QString::fromUtf8(grouped)
                                << kind << QString::fromUtf8(area);
        };
        using K = NumberKind;
        // Landlines, area codes of one to five digits.
        row("tokyo 03", "0312345678", "0312345678", "03-1234-5678", K::FixedLine, "東京");
        row("tokyo written", "03-1234-5678", "0312345678", "03-1234-5678", K::FixedLine, "東京");
        row("tokyo full width", "０３（１２３４）５６７８", "0312345678", "03-1234-5678", K::FixedLine, "東京");
        row("tokyo +81", "+81 3-1234-5678", "0312345678", "03-1234-5678", K::FixedLine, "東京");
        row("tokyo +81 (0)", "+81 (0)3 1234 5678", "0312345678", "03-1234-5678", K::FixedLine, "東京");
        row("tokyo 0081", "0081312345678", "0312345678", "03-1234-5678", K::FixedLine, "東京");
        row("osaka 06", "06-6321-1234", "0663211234", "06-6321-1234", K::FixedLine, "大阪");
        row("kashiwa 04", "0471234567", "0471234567", "04-7123-4567", K::FixedLine, "柏");
        row("sapporo 011", "011-222-3333", "0112223333", "011-222-3333", K::FixedLine, "札幌");
        row("nagoya 052", "052 612 3456", "0526123456", "052-612-3456", K::FixedLine, "名古屋");
        row("yokohama 045", "0457654321", "0457654321", "045-765-4321", K::FixedLine, "横浜");
        row("kyoto 075", "0752123456", "0752123456", "075-212-3456", K::FixedLine, "京都");
        row("kagoshima 099", "0992123456", "0992123456", "099-212-3456", K::FixedLine, "鹿児島");
        row("fujisawa 0467", "0467-12-3456", "0467123456", "0467-12-3456", K::FixedLine, "藤沢");
        row("obihiro 0155", "0155231234", "0155231234", "0155-23-1234", K::FixedLine, "帯広");
        row("ishinomaki 0225", "0225123456", "0225123456", "0225-12-3456", K::FixedLine, "石巻");
        row("kitakami 0197", "0197654321", "0197654321", "0197-65-4321", K::FixedLine, "北上");
        row("sano 0283", "0283-21-1234", "0283211234", "0283-21-1234", K::FixedLine, "佐野");
        row("iwamizawa 01267", "01267-1-2345", "0126712345", "01267-1-2345", K::FixedLine, "岩見沢");
        row("izu oshima 04992", "0499212345", "0499212345", "04992-1-2345", K::FixedLine, "伊豆大島");
        row("koshiki 09969", "0996912345", "0996912345", "09969-1-2345", K::FixedLine, "中甑");
        // Mobiles, pagers, internet phones.
        row("mobile 090", "09012345678", "09012345678", "090-1234-5678", K::Mobile);
        row("mobile 080", "080-1234-5678", "08012345678", "080-1234-5678", K::Mobile);
        row("mobile 070", "070 1234 5678", "07012345678", "070-1234-5678", K::Mobile);
        row("mobile +81", "+819012345678", "09012345678", "090-1234-5678", K::Mobile);
        row("mobile 0081", "0081 90 1234 5678", "09012345678", "090-1234-5678", K::Mobile);
        row("mobile full-width +81", "＋８１　９０－１２３４－５６７８", "09012345678", "090-1234-5678", K::Mobile);
        row("pager 020", "02012345678", "02012345678", "020-1234-5678", K::Mobile);
        row("ip phone 050", "050-1234-5678", "05012345678", "050-1234-5678", K::IpPhone);
        row("ip phone +81", "+81 50 1234 5678", "05012345678", "050-1234-5678", K::IpPhone);
        // Free dial, navi dial and premium numbers.
        row("free dial 0120", "0120-123-456", "0120123456", "0120-123-456", K::FreeDial);
        row("free dial 0120 bare", "0120000000", "0120000000", "0120-000-000", K::FreeDial);
        row("free dial 0800", "0800-123-4567", "08001234567", "0800-123-4567", K::FreeDial);
        row("navi dial 0570", "0570-123-456", "0570123456", "0570-123-456", K::NaviDial);
        row("navi dial 0570 0", "0570012345", "0570012345", "0570-012-345", K::NaviDial);
        row("premium 0990", "0990123456", "0990123456", "0990-123-456", K::Unknown);
        // Five other countries, written with "+" or dialled with 010.
        row("usa", "+1 212 555 1234", "+12125551234", "+1 212-555-1234", K::International);
        row("usa dialled 010", "010-1-212-555-1234", "01012125551234", "+1 212-555-1234", K::International);
        row("uk", "+44 20 7946 0000", "+442079460000", "+44 20 7946 0000", K::International);
        row("uk 00 kept as digits", "0044 20 7946 0000", "00442079460000", "00442079460000", K::Unknown);
        row("china mobile", "+86 139 1234 5678", "+8613912345678", "+86 139 1234 5678", K::International);
        row("korea", "+82-2-1234-5678", "+82212345678", "+82 2-1234-5678", K::International);
        row("france", "+33 1 42 68 53 00", "+33142685300", "+33 1 42 68 53 00", K::International);
        row("germany", "+49 30 123456", "+4930123456", "+49 30 123456", K::International);
        row("foreign junk", "+999123", "+999123", "+999123", K::International);
        // Withheld, short codes, prefixes and junk: the key as it was, shown as stored.
        row("withheld", "", "", "", K::Withheld);
        row("one blank", " ", " ", " ", K::Withheld);
        row("police", "110", "110", "110", K::Unknown);
        row("weather", "177", "177", "177", K::Unknown);
        row("service", "#8000", "#8000", "#8000", K::Unknown);
        row("full-width service", "＃７１１９", "#7119", "#7119", K::Unknown);
        row("184 prefix", "184-03-1234-5678", "1840312345678", "1840312345678", K::Unknown);
        row("186 prefix", "186 090 1234 5678", "18609012345678", "18609012345678", K::Unknown);
        row("carrier prefix 0037", "0037-80-1234", "0037801234", "0037-801-234", K::FreeDial);
        row("too short", "0312", "0312", "0312", K::Unknown);
        row("too long mobile", "090123456789", "090123456789", "090123456789", K::Unknown);
        row("unassigned 060", "06012345678", "06012345678", "06012345678", K::Unknown);
        row("0800 too short", "0800123456", "0800123456", "0800123456", K::Unknown);
        row("letters", "Anonymous", "Anonymous", "Anonymous", K::Unknown);
        row("text", "非通知", "非通知", "非通知", K::Unknown);
        row("plus inside", "03+1234", "03+1234", "03+1234", K::Unknown);
        row("+81 alone", "+81", "+81", "+81", K::Unknown);
        row("star code", "*67", "*67", "*67", K::Unknown);
    }
    void numberTable()
    {
        QFETCH(QString, received);
        QFETCH(QString, national);
        QFETCH(QString, grouped);
        QFETCH(NumberKind, kind);
        QFETCH(QString, area);
        QCOMPARE(PhoneNumberForm::National(received, "81"), national);
        const NumberFacts f = NumberDisplay::Facts(national);
        QCOMPARE(f.Grouped, grouped);
        QCOMPARE(int(f.Kind), int(kind));
        QCOMPARE(f.Area, area);
        // The cached grouping is the same as the parsed one, and the cue follows the kind.
        QCOMPARE(NumberDisplay::Grouped(national), grouped);
        QCOMPARE(NumberDisplay::Grouped(national), grouped);
        QCOMPARE(NumberDisplay::IsInternational(national), kind == NumberKind::International);
    }

    void settingAndCountry()
    {
        GNumberDisplay = false;
        QCOMPARE(NumberDisplay::Show("0312345678"), QString("0312345678"));
        GNumberDisplay = true;
        QCOMPARE(NumberDisplay::Show("0312345678"), QString("03-1234-5678"));
        QCOMPARE(NumberDisplay::KindText(NumberKind::Withheld), QString("非通知"));
        QCOMPARE(NumberDisplay::KindText(NumberKind::Unknown), QString("不明な番号"));

        // Another home country: its national numbers are grouped as at home, Japan's are foreign.
        GCountryCode = QStringLiteral("1");
        QCOMPARE(NumberDisplay::Grouped("2125551234"), QString("(212) 555-1234"));
        QCOMPARE(NumberDisplay::Grouped("+819012345678"), QString("+81 90-1234-5678"));
        QVERIFY(NumberDisplay::IsInternational("+819012345678"));
        GCountryCode = QStringLiteral("81");
        QCOMPARE(NumberDisplay::Grouped("0312345678"), QString("03-1234-5678"));
    }
};

QTEST_GUILESS_MAIN(TestNumberDisplay)
#include "tst_numberdisplay.moc"
