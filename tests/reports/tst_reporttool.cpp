// zuvaro3-report end to end: the real tool on a real database named by the settings file,
// its PDF read back, its refusals and its message while another program holds the database.
#include "PdfText.h"
#include "core/AppGlobals.h"
#include "core/ProfileFile.h"
#include "db/TdmCmn.h"
#include "support/SmallDisk.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QImage>
#include <QProcess>
#include <QStringEncoder>
#include <QRegularExpression>
#include <QtTest>

namespace {

struct Run
{
    int code = -1;
    QString out, err;
};

Run tool(const QStringList& args)
{
    QProcess p;
    p.start(TestEnv::binary("tools/zuvaro3-report/zuvaro3-report"), args);
    Run r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TstReportTool : public QObject
{
    Q_OBJECT
private:
    TestEnv FEnv;

private slots:
    void reportsFromTheCommandLine()
    {
        const QString dbPath = FEnv.path("shop.fdb");
        TestDatabase db(dbPath);
        gIni->WriteString("ZUVARO_DB", "DB_PATH", dbPath);
        TdmCmn& dm = *db.dm();
        dm.InsertTels({"0311112222", "0311112222", "山田商店", "やまだ"});
        dm.InsertTels({"0322223333", "0322223333", "佐藤", "さとう"});
        for (int i = 0; i < 3; ++i) {
            TLog log;
            log.DtFrom = QDateTime(QDate(2024, 4, 10), QTime(10, i));
            log.TelNo = i == 0 ? "0311112222" : "0322223333";
            log.TelType = i == 2 ? "発信" : "着信";
            log.TelMemo = i == 0 ? "折り返し\r\n希望" : "";
            log.PortNo = 60600;
            dm.InsertLog(log);
        }
        const QStringList april{"--from", "2024/04/01", "--to", "2024/04/30"};

        // The program holds the embedded database: the tool says so and stops.
        dm.IBDatabase1.ensureOpen();
        const QString pdf = FEnv.path("ranking.pdf");
        Run r = tool(QStringList{"--summary", "ranking", "--group", "number", "--pdf", pdf} + april);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("cannot open the database " + dbPath), qPrintable(r.err));
        QVERIFY(r.err.contains("is Zuvaro3 running?"));
        QVERIFY(!QFile::exists(pdf));
        dm.IBDatabase1.close();

        r = tool(QStringList{"--summary", "ranking", "--group", "number", "--kind", "all", "--pdf", pdf} + april);
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("2 rows, 1 pages"));
        QString text = PdfText(pdf);
        QVERIFY(text.contains("発着信電話番号別"));
        QVERIFY(text.contains(QRegularExpression("1\\s+03-2222-3333\\s+佐藤\\s+2")));
        QVERIFY(text.contains(QRegularExpression("2\\s+03-1111-2222\\s+山田商店\\s+1")));
        QVERIFY(text.contains(QRegularExpression("合計：\\s+3")));

        // Incoming only, the top one and the rest.
        r = tool(QStringList{"--summary", "ranking", "--group", "customer", "--top", "1", "--pdf", pdf} + april);
        QCOMPARE(r.code, 0);
        text = PdfText(pdf);
        QVERIFY(text.contains("顧客別"));
        QVERIFY(text.contains(QRegularExpression("その他\\s+1")));
        QVERIFY(text.contains(QRegularExpression("合計：\\s+2")));

        const QString list = FEnv.path("list.pdf");
        r = tool(QStringList{"--summary", "list", "--group", "number", "--kind", "all", "--pdf", list} + april);
        QCOMPARE(r.code, 0);
        text = PdfText(list);
        QVERIFY(text.contains(QRegularExpression("24/04/10 10:00:00\\s+03-1111-2222\\s+山田商店\\s+着信\\s+60600\\s+"
                                                 "折り返し希望")));
        QVERIFY(text.contains("24/04/10 10:02:00"));

        // Nothing in the period: no file.
        const QString none = FEnv.path("none.pdf");
        r = tool(
            {"--summary", "list", "--group", "number", "--from", "2024/05/01", "--to", "2024/05/31", "--pdf", none});
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains("no PDF written"));
        QVERIFY(!QFile::exists(none));

        // A file that cannot be written.
        r = tool(QStringList{"--summary", "list", "--group", "number", "--pdf", FEnv.path("missing/dir/x.pdf")} +
                 april);
        QCOMPARE(r.code, 4);
    }

    // --chart: the figures as CSV with the phone's name from the device settings, a PNG and
    // a PDF, and the refusals: a reversed period, an empty one, a chart that does not exist.
    void chartsFromTheCommandLine()
    {
        const QString dbPath = FEnv.path("charts.fdb");
        TestDatabase db(dbPath);
        gIni->WriteString("ZUVARO_DB", "DB_PATH", dbPath);
        gIni->WriteString("ADAPTA", "COUNT", "1");
        gIni->WriteString("ADAPTA", "PORT_NO_1", "60600");
        gIni->WriteString("ADAPTA", "DISP_NAME_1", "店舗スマホ");
        for (int i = 0; i < 3; ++i) {
            TLog log;
            log.DtFrom = QDateTime(QDate(2024, 4, 10), QTime(10, i));
            log.TelNo = "0311112222";
            log.TelType = i == 2 ? "発信" : "着信";
            log.PortNo = i == 1 ? 60601 : 60600;
            db.dm()->InsertLog(log);
        }
        db.dm()->IBDatabase1.close();
        const QStringList april{"--from", "2024/04/01", "--to", "2024/04/30", "--kind", "all"};
        const QString csv = FEnv.path("lines.csv");
        Run r = tool(QStringList{"--chart", "lines", "--csv", csv} + april);
        QCOMPARE(r.code, 0);
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringEncoder sjis("windows-31j");
        QCOMPARE(f.readAll(), QByteArray(sjis.encode(QStringLiteral("回線,ポート番号,着信,発信,計\r\n"
                                                                    "\"店舗スマホ\",\"60600\",\"1\",\"1\",\"2\"\r\n"
                                                                    "\"回線60601\",\"60601\",\"1\",\"0\",\"1\"\r\n"))));
        const QString png = FEnv.path("hours.png");
        QCOMPARE(tool(QStringList{"--chart", "hours", "--port", "60600", "--png", png} + april).code, 0);
        QCOMPARE(QImage(png).size(), QSize(1600, 1013));
        const QString pdf = FEnv.path("days.pdf");
        QCOMPARE(tool(QStringList{"--chart", "days", "--pdf", pdf} + april).code, 0);
        QVERIFY(PdfText(pdf).contains("日別の件数"));

        r = tool({"--chart", "days", "--from", "2024/04/30", "--to", "2024/04/01", "--pdf", pdf});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("期間の終了日は開始日以降の日付を指定してください。"), qPrintable(r.err));
        const QString none = FEnv.path("none.csv");
        r = tool({"--chart", "callers", "--from", "2024/05/01", "--to", "2024/05/31", "--csv", none});
        QCOMPARE(r.code, 3);
        QVERIFY(!QFile::exists(none));
        QCOMPARE(tool(QStringList{"--chart", "weather", "--csv", none} + april).code, 1);
        QCOMPARE(tool(QStringList{"--chart", "lines", "--csv", none, "--png", png} + april).code, 1);
    }

    // A disk that fills up while the PDF is written: a non-zero exit, the earlier PDF as it
    // was, and no temporary file left beside it.
    void fullDiskKeepsTheEarlierPdf()
    {
        const QString dbPath = FEnv.path("full.fdb");
        TestDatabase db(dbPath);
        gIni->WriteString("ZUVARO_DB", "DB_PATH", dbPath);
        for (int i = 0; i < 200; ++i) {
            TLog log;
            log.DtFrom = QDateTime(QDate(2024, 4, 10), QTime(10, 0)).addSecs(i * 60);
            log.TelNo = QString("03%1").arg(i, 8, 10, QChar('0'));
            db.dm()->InsertTels({log.TelNo, log.TelNo, QString("発信者%1").arg(i), "はっしんしゃ"});
            log.TelType = "着信";
            log.PortNo = 60600;
            db.dm()->InsertLog(log);
        }
        db.dm()->IBDatabase1.close();
        SmallDisk disk(FEnv.path("small"), 4096);
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");
        const QString pdf = disk.path() + "/list.pdf";
        const QStringList args{"--summary",  "list", "--group",    "number", "--from",
                               "2024/04/01", "--to", "2024/04/30", "--pdf",  pdf};
        QCOMPARE(tool(args).code, 0);
        QFile earlier(pdf);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        const QByteArray before = earlier.readAll();
        earlier.close();

        disk.fill();
        const Run r = tool(args);
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.contains("cannot write " + pdf), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), before);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList({".filler", "list.pdf"}));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QStringList period{"--from", "2024/04/01", "--to", "2024/04/30", "--pdf", "x.pdf"};
        QTest::newRow("summary") << (QStringList{"--summary", "sum", "--group", "number"} + period) << "--summary";
        QTest::newRow("group") << (QStringList{"--summary", "list", "--group", "x"} + period) << "--group";
        QTest::newRow("kind") << (QStringList{"--summary", "list", "--group", "number", "--kind", "x"} + period)
                              << "--kind";
        QTest::newRow("date") << QStringList{"--summary", "list", "--group",    "number", "--from",
                                             "4/1/24",    "--to", "2024/04/30", "--pdf",  "x.pdf"}
                              << "--from and --to";
        QTest::newRow("no pdf") << QStringList{"--summary", "list",       "--group", "number",
                                               "--from",    "2024/04/01", "--to",    "2024/04/30"}
                                << "--pdf";
        QTest::newRow("top 0") << (QStringList{"--summary", "ranking", "--group", "number", "--top", "0"} + period)
                               << "--top";
        QTest::newRow("top on a list") << (QStringList{"--summary", "list", "--group", "number", "--top", "3"} + period)
                                       << "--top is for a ranking only";
    }
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = tool(args);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
    }
};

QTEST_GUILESS_MAIN(TstReportTool)
#include "tst_reporttool.moc"
