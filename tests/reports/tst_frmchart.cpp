// The "グラフ" window on a real database: opened from the totals dialog with its choices,
// every chart drawn, the files it saves read back (PDF text, PNG size, CSV bytes), and the
// bad inputs: a reversed period, an empty one, a database without responses.
#include "PdfText.h"
#include "core/MessageService.h"
#include "core/StopRequest.h"
#include "db/TdmCmn.h"
#include "reports/TfrmChart.h"
#include "reports/TfrmTotal.h"
#include "reports/ui/ChartPicture.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <optional>

namespace {

void call(TdmCmn& dm, const QString& number, const QDateTime& at, const QString& kind, int port)
{
    TLog log;
    log.DtFrom = at;
    log.TelNo = number;
    log.TelType = kind;
    log.TelTerm = "0:00:10";
    log.PortNo = port;
    dm.InsertLog(log);
}

void fill(TdmCmn& dm)
{
    const QDate day(2024, 4, 1); // a Monday
    call(dm, "0311112222", QDateTime(day, QTime(9, 5)), "着信", 60600);
    call(dm, "0311112222", QDateTime(day, QTime(9, 40)), "着信", 60600);
    call(dm, "0333334444", QDateTime(day.addDays(1), QTime(23, 59, 59)), "発信", 60601);
    call(dm, "0355556666", QDateTime(day.addDays(2), QTime(0, 0)), "着信", 60601);
}

TChartRequest april(TChartKind kind)
{
    return TChartRequest{kind, QDate(2024, 4, 1), QDate(2024, 4, 30), 2, -1};
}

struct Paths
{
    QStringList asked;
    QString answer;
    Paths()
    {
        TfrmChart::SetPathChooser([this](QWidget*, const QString& caption, const QString&, const QString&) {
            asked << caption;
            return answer;
        });
    }
    ~Paths() { TfrmChart::SetPathChooser({}); }
};

void waitFilled(TfrmChart& w)
{
    w.show();
    QTRY_VERIFY(w.Picture() != nullptr);
}

} // namespace

class TestFrmChart : public QObject
{
    Q_OBJECT
private:
    std::optional<TestEnv> FEnv;

private slots:
    void init()
    {
        FEnv.emplace();
        MessageService::clearShown();
        MessageService::clearAnswers();
    }
    void cleanup() { FEnv.reset(); }
    void cleanupTestCase() { StopRequest::ResetForTests(); }

    void savesEveryFormat()
    {
        TempDb db;
        fill(db.dm());
        TfrmChart w(db.dm(), april(TChartKind::Lines));
        waitFilled(w);
        QCOMPARE(w.sgdFigures->rowCount(), 2);
        QCOMPARE(w.sgdFigures->item(1, 0)->text(), QStringLiteral("回線60601"));
        QTemporaryDir dir;
        Paths paths;

        paths.answer = dir.filePath("lines.csv");
        w.btnCsv->click();
        QFile csv(paths.answer);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QStringEncoder sjis("windows-31j");
        const QByteArray expected = sjis.encode(QStringLiteral("回線,ポート番号,着信,発信,計\r\n"
                                                               "\"回線60600\",\"60600\",\"2\",\"0\",\"2\"\r\n"
                                                               "\"回線60601\",\"60601\",\"1\",\"1\",\"2\"\r\n"));
        QCOMPARE(csv.readAll(), expected);

        paths.answer = dir.filePath("lines.png");
        w.btnPng->click();
        QCOMPARE(QImage(paths.answer).size(), QSize(1600, 1013));

        paths.answer = dir.filePath("lines.pdf");
        w.btnPdf->click();
        const QString text = PdfText(paths.answer);
        QVERIFY2(text.contains(QStringLiteral("回線別の件数")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("2024/04/01")) && text.contains(QStringLiteral("2024/04/30")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("回線60601")), qPrintable(text));
        QCOMPARE(PdfPages(paths.answer), 1);
        QCOMPARE(paths.asked, (QStringList{"CSVファイルに保存", "画像ファイルに保存", "PDFファイルに保存"}));

        // The print preview gets the chart as one landscape page.
        int pages = -1;
        TfrmChart::SetPreviewer([&](TPrintDocument doc, QWidget*) {
            QPdfWriter pdf(dir.filePath("preview.pdf"));
            pages = doc.Print(pdf);
            QCOMPARE(doc.PageLayout.orientation(), QPageLayout::Landscape);
        });
        w.btnPrint->click();
        TfrmChart::SetPreviewer({});
        QCOMPARE(pages, 1);

        // An unwritable file says so.
        paths.answer = dir.filePath("missing/folder/lines.pdf");
        w.btnPdf->click();
        QCOMPARE(MessageService::shownTexts(), QStringList{"PDFファイルを保存できませんでした。\n" + paths.answer});

        // Every chart fills and draws, the hours with the busiest hour of Monday.
        for (int k = 0; k < w.cbxChart->count(); ++k) {
            w.cbxChart->setCurrentIndex(k);
            emit w.cbxChart->activated(k);
            QVERIFY(w.Picture());
            QImage image(600, 400, QImage::Format_RGB32);
            QPainter p(&image);
            const_cast<ChartPicture*>(w.Picture())->Draw(p, QRectF(0, 0, 600, 400));
        }
        w.cbxChart->setCurrentIndex(0);
        emit w.cbxChart->activated(0);
        QCOMPARE(w.sgdFigures->item(1, 10)->text(), QStringLiteral("2")); // 月曜 9時
    }

    void badInput()
    {
        TempDb db;
        fill(db.dm());
        // From the totals dialog: a reversed period is refused there, with the focus on its end.
        {
            TfrmTotal d(db.dm(), true);
            d.SetPeriod(QDate(2024, 4, 30), QDate(2024, 4, 1));
            d.show();
            d.btnChart->click();
            QCOMPARE(MessageService::shownTexts(), QStringList{ChartSql::ReversedPeriod()});
            MessageService::clearShown();
            // A good period opens the window with the dialog's period and kind.
            d.SetPeriod(QDate(2024, 4, 1), QDate(2024, 4, 2));
            TChartRequest seen;
            QTimer::singleShot(0, [&] {
                auto* w = qobject_cast<TfrmChart*>(QApplication::activeModalWidget());
                QVERIFY(w);
                QTRY_VERIFY(w->Picture());
                QVERIFY(w->Picture()->Data().Period.startsWith(QStringLiteral("2024/04/01～2024/04/02")));
                w->reject();
            });
            d.btnChart->click();
            QCOMPARE(MessageService::shownTexts(), QStringList());
        }
        // A period without calls: an empty chart, nothing to save.
        {
            TfrmChart w(db.dm(), TChartRequest{TChartKind::Days, QDate(2025, 1, 1), QDate(2025, 1, 31), 2, -1});
            waitFilled(w);
            QVERIFY(w.Picture()->Data().Empty);
            QVERIFY(!w.btnPdf->isEnabled() && !w.btnCsv->isEnabled() && !w.btnPrint->isEnabled());
        }
        // No responses: the outcomes still show the incoming calls, none of them answered.
        {
            TfrmChart w(db.dm(), april(TChartKind::Outcomes));
            waitFilled(w);
            QVERIFY(!w.Picture()->Data().Empty);
            const QList<QStringList> rows = w.Picture()->Data().Rows;
            QCOMPARE(rows, (QList<QStringList>{{"着信", "対応あり", "0"}, {"着信", "対応なし", "3"}, {"着信", "対応率", "0.0%"}}));
        }
        QCOMPARE(MessageService::shownTexts(), QStringList());
    }

    // A stop request while the chart window is open over the totals dialog closes both.
    void stopRequestClosesTheWindow()
    {
        StopRequest::ResetForTests();
        StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
        TempDb db;
        fill(db.dm());
        TfrmTotal d(db.dm(), true);
        d.SetPeriod(QDate(2024, 4, 1), QDate(2024, 4, 30));
        bool chartShown = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                chartShown = qobject_cast<TfrmChart*>(QApplication::activeModalWidget()) != nullptr;
                StopRequest::Request(QStringLiteral("test"));
            });
            d.btnChart->click();
        });
        QCOMPARE(d.exec(), int(QDialog::Rejected));
        QVERIFY(chartShown);
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestFrmChart)
#include "tst_frmchart.moc"
