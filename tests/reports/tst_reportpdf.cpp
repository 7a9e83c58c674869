// The two report layouts printed to PDF and read back as text: titles, headings, running
// numbers, the total, joined memo lines, page numbers and the page count.
#include "PdfText.h"
#include "reports/BandReport.h"
#include "reports/ReportLayouts.h"
#include "support/TestEnv.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

ReportRows ranking(int rows)
{
    QList<QList<QVariant>> data;
    data << QList<QVariant>{"-", "その他", 500};
    for (int i = 1; i < rows; ++i)
        data << QList<QVariant>{QString("03%1").arg(i, 8, 10, QChar('0')), QString("発信者%1").arg(i), 200 - i};
    return ReportRows({"TEL_NO", "CALLER", "TOTAL"}, data);
}

ReportRows calls(int rows)
{
    QList<QList<QVariant>> data;
    for (int i = 0; i < rows; ++i)
        data << QList<QVariant>{i + 1,
                                QDateTime(QDate(2024, 4, 1), QTime(9, 5, 7)).addSecs(i * 60),
                                QString("03%1").arg(i, 8, 10, QChar('0')),
                                i % 2 ? "発信" : "着信",
                                QVariant(),
                                "0:01:00",
                                i == 0 ? QString("一行目\r\n二行目\r\n三行目") : QString(),
                                0.0,
                                60600,
                                QString("名前%1").arg(i)};
    return ReportRows(
        {"LOG_NO", "DT_FROM", "TEL_NO", "TEL_TYPE", "DT_TO", "TEL_TERM", "TEL_MEMO", "TEL_TIME", "PORT_NO", "CALLER"},
        data);
}

const QDateTime kMade(QDate(2024, 5, 2), QTime(8, 30, 0));

} // namespace

class TstReportPdf : public QObject
{
    Q_OBJECT
private:
    TestEnv FEnv;

private slots:
    void rankingByNumber()
    {
        const BandReport report(ReportLayouts::Print1(0), ranking(100), kMade);
        QCOMPARE(report.PageCount(), 3);
        const QString file = FEnv.path("ranking.pdf");
        QCOMPARE(report.WritePdf(file), 3);
        QCOMPARE(PdfPages(file), 3);
        const QString text = PdfText(file);
        QCOMPARE(text.count("発着信電話番号別"), 3); // the page header on every page
        QCOMPARE(text.count("通話回数[回]"), 3);
        QVERIFY(text.contains("2024/05/02 08:30:00"));
        for (const char* page : {"1 ページ", "2 ページ", "3 ページ"})
            QVERIFY2(text.contains(page), page);
        QVERIFY(text.contains(QRegularExpression("\\b1\\s+-\\s+その他\\s+500\\b")));
        QVERIFY(text.contains(QRegularExpression("\\b2\\s+0300000001\\s+発信者1\\s+199\\b")));
        QVERIFY(text.contains(QRegularExpression("\\b100\\s+0300000099\\s+発信者99\\s+101\\b")));
        // 500 + (199 + 101) * 99 / 2
        QVERIFY(text.contains(QRegularExpression("合計：\\s+15350\\b")));
        QVERIFY(text.indexOf("合計：") > text.lastIndexOf("3 ページ"));
    }

    void rankingByCustomerHeadings()
    {
        const BandReport report(ReportLayouts::Print1(1), ranking(3), kMade);
        const QString file = FEnv.path("customers.pdf");
        QCOMPARE(report.WritePdf(file), 1);
        const QString text = PdfText(file);
        QVERIFY(text.contains("顧客別"));
        QVERIFY(text.contains(QRegularExpression("NO\\s+代表電話番号\\s+顧客名\\s+通話回数\\[回\\]")));
    }

    void summaryMovesToANewPageWhenTheLastIsFull()
    {
        // 41 rows fill a portrait page exactly; the total then opens a page of its own.
        const BandReport report(ReportLayouts::Print1(0), ranking(41), kMade);
        QCOMPARE(report.PageCount(), 2);
        const QString file = FEnv.path("full.pdf");
        QCOMPARE(report.WritePdf(file), 2);
        const QString text = PdfText(file);
        QVERIFY(text.indexOf("合計：") > text.indexOf("2 ページ"));
    }

    void listOfCalls()
    {
        const BandReport report(ReportLayouts::Print2(1), calls(30), kMade);
        QCOMPARE(report.Layout().Orientation, QPageLayout::Landscape);
        const QString file = FEnv.path("list.pdf");
        QCOMPARE(report.WritePdf(file), 2);
        const QString text = PdfText(file);
        QCOMPARE(text.count("顧客別"), 2);
        QVERIFY(text.contains(QRegularExpression("発着信日時\\s+電話番号\\s+名前\\s+発着信区分\\s+ポート\\s+メモ")));
        QVERIFY(text.contains(QRegularExpression("24/04/01 9:05:07\\s+0300000000\\s+名前0\\s+着信\\s+60600\\s+"
                                                 "一行目二行目三行目")));
        QVERIFY(text.contains(QRegularExpression("24/04/01 9:06:07\\s+0300000001\\s+名前1\\s+発信\\s+60600")));
        QVERIFY(!text.contains("合計"));
    }

    void emptyReportPrintsNothing()
    {
        for (const TReportLayout& layout : {ReportLayouts::Print1(0), ReportLayouts::Print2(0)}) {
            const BandReport report(layout, ReportRows({"TEL_NO"}, {}), kMade);
            QCOMPARE(report.PageCount(), 0);
            const QString file = FEnv.path("empty.pdf");
            QCOMPARE(report.WritePdf(file), 0);
            QVERIFY(!QFile::exists(file));
        }
    }

    void longTextsAreCutToTheirColumn()
    {
        QList<QList<QVariant>> data{{"0311112222", QString(200, QChar(0x540D)), 3}};
        const BandReport report(ReportLayouts::Print1(0), ReportRows({"TEL_NO", "CALLER", "TOTAL"}, data), kMade);
        const QString file = FEnv.path("long.pdf");
        QCOMPARE(report.WritePdf(file), 1);
        const QString text = PdfText(file);
        QVERIFY(text.contains("…"));
        QVERIFY(text.contains(QRegularExpression("名…\\s+3\\b")));
    }
};

QTEST_MAIN(TstReportPdf)
#include "tst_reportpdf.moc"
