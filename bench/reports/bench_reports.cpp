// Totals on a large database: the ranking statements by number and by customer over a month
// and a year, the work-table fill of an unlimited ranking, and the print preview of a list
// of 1,000 calls. The year rankings are also made as the dialog makes them (work table filled,
// rows read), each as a multiple of counting the same calls through the day index.
//
//   bench_reports [--keep DIR] [--rows N] [--runs N] [--only statements|fill|preview] [--trace-off]
//
// Creates (or reuses, with --keep) a database of N call-log rows over 2022-2024 with 100,000
// phone-book entries and customers, then prints medians and maxima.
#include "LargeDatabase.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "db/FbWriteScope.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "reports/ReportLayouts.h"
#include "reports/TfrmPrint.h"
#include "reports/TotalsReport.h"
#include "reports/TotalsSql.h"
#include "core/Helpers.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

struct Stats
{
    double median = 0, max = 0, cpu = 0;
};

// CPU time of the whole process, the embedded database engine's threads included: on a busy
// machine it says more about the work than the time on the clock.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

Stats measure(int runs, const std::function<void()>& work)
{
    std::vector<double> v, c;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const double cpu0 = cpuMs();
        work();
        c.push_back(cpuMs() - cpu0);
        v.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(v.begin(), v.end());
    std::sort(c.begin(), c.end());
    return {v[v.size() / 2], v.back(), c[c.size() / 2]};
}

void print(const QString& what, const Stats& s, const QString& note = QString())
{
    std::printf("%-52s median %8.1f ms  max %8.1f ms  cpu %8.1f ms  %s\n", qPrintable(what), s.median, s.max, s.cpu,
                qPrintable(note));
    std::fflush(stdout);
}

TTotalRequest ranking(int item, const QDate& from, const QDate& to, int limit)
{
    TTotalRequest r;
    r.Summary = 1;
    r.Item = item;
    r.DateFrom = from;
    r.DateTo = to;
    r.Kubun = 0;
    r.TelTop = r.CustTop = limit > 0;
    r.TelNum = r.CustNum = limit;
    return r;
}

// Runs a statement and reads every row as text.
QList<QStringList> readAll(FbQuery& q, const QString& sql)
{
    q.setSql(sql);
    q.open();
    QList<QStringList> rows;
    for (; !q.eof(); q.next())
        rows << QStringList{q.field(0).asString(), q.field(1).asString(), q.field(2).asString()};
    q.close();
    return rows;
}

// Equal rankings: the same rows, and the same count at every position (the order of equal
// counts is the engine's choice in both statements).
QString sameRanking(QList<QStringList> a, QList<QStringList> b)
{
    if (a.size() != b.size())
        return "DIFFERENT number of rows";
    for (int i = 0; i < a.size(); ++i)
        if (a[i][2] != b[i][2])
            return QString("DIFFERENT count at row %1").arg(i + 1);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b ? "same rows" : "DIFFERENT rows";
}

int rowCount(TdmCmn& dm)
{
    dm.sqlWork.setSql("select count(*) from PRINT1");
    dm.sqlWork.open();
    const int n = dm.sqlWork.field(0).asInteger();
    dm.sqlWork.close();
    return n;
}

void fillRowByRow(TdmCmn& dm, const QString& sql)
{
    FbWriteScope scope(dm.IBDatabase1);
    dm.ExecSql("delete from PRINT1");
    FbQuery& q = dm.sqlWork2;
    q.setSql(sql);
    q.open();
    for (; !q.eof(); q.next()) {
        TPrint p{q.field(0).asString(), q.field(1).asString(), q.field(2).asInteger()};
        dm.InsertPrint(p);
    }
    q.close();
    scope.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    LargeDatabase::AddOptions(parser);
    parser.addOption({"runs", "Runs of each measurement.", "N", "5"});
    parser.addOption({"only", "Run one part: statements, fill or preview.", "PART"});
    parser.process(app);

    QTemporaryDir tmp;
    LargeDatabase::Open(parser, tmp.path());
    const int runs = parser.value("runs").toInt();

    TotalsReport totals(*dmCmn);
    const QDate monthFrom(2024, 6, 1), monthTo(2024, 6, 30), yearFrom(2024, 1, 1), yearTo(2024, 12, 31);
    struct Case
    {
        QString name;
        TTotalRequest request;
    };
    const QList<Case> cases{
        {"by number, one month", ranking(0, monthFrom, monthTo, 10)},
        {"by number, one year", ranking(0, yearFrom, yearTo, 10)},
        {"by customer, one month", ranking(1, monthFrom, monthTo, 10)},
        {"by customer, one year", ranking(1, yearFrom, yearTo, 10)},
    };
    const QString only = parser.value("only");
    if (only.isEmpty() || only == "statements") {
        // The floor for any statement on the year's calls: counting them through the date index.
        const QString floorSql = QStringLiteral("select count(*) from LOG g where g.DT_FROM between ") +
                                 QuotedSql(TotalsSql::ShortUsDate(yearFrom)) + QStringLiteral(" and ") +
                                 QuotedSql(TotalsSql::ShortUsDate(yearTo) + QStringLiteral(" 23:59:59")) +
                                 QStringLiteral(" PLAN (G INDEX (IDX_LOG_DT_FROM))");
        int yearCalls = 0;
        const Stats floor = measure(runs, [&] {
            dmCmn->sqlWork2.setSql(floorSql);
            dmCmn->sqlWork2.open();
            yearCalls = dmCmn->sqlWork2.field(0).asInteger();
            dmCmn->sqlWork2.close();
        });
        std::printf("\nranking statements, every row read (the dialog's statement / equivalent run)\n");
        print("index-count floor: the year's calls over IDX_LOG_DT_FROM", floor, QString("%1 calls").arg(yearCalls));
        for (const Case& c : cases) {
            const TTotalSql s = totals.GetSqlStr(c.request);
            QList<QStringList> partRows, runRows;
            const Stats part = measure(runs, [&] { partRows = readAll(dmCmn->sqlWork2, s.Sql); });
            const Stats run = measure(runs, [&] { runRows = readAll(dmCmn->sqlWork2, s.RunSql); });
            print(c.name + ": dialog's statement", part, QString("%1 groups").arg(partRows.size()));
            print(c.name + ": equivalent", run, sameRanking(partRows, runRows));
            if (c.name.endsWith(QLatin1String("one year"))) {
                std::printf("  %s: equivalent / index-count floor (median): %.2fx (cpu %.2fx)\n", qPrintable(c.name),
                            run.median / floor.median, run.cpu / floor.cpu);
                // The ranking as the dialog and the report tool make it: the work table
                // filled, then its rows read for the report.
                for (const int limit : {10, -1}) {
                    TTotalRequest request = c.request;
                    request.TelTop = request.CustTop = limit > 0;
                    const TTotalSql rs = totals.GetSqlStr(request);
                    int printed = 0;
                    const Stats made = measure(runs, [&] { printed = totals.Run(request, rs).Rows().Count(); });
                    const QString what =
                        c.name + (limit > 0 ? ": ranking as printed, top 10" : ": ranking as printed, no limit");
                    print(what, made, QString("%1 rows").arg(printed));
                    std::printf("  %s / index-count floor (median): %.2fx (cpu %.2fx)\n", qPrintable(what),
                                made.median / floor.median, made.cpu / floor.cpu);
                }
            }
        }
    }
    if (only.isEmpty() || only == "fill") {
        std::printf("\nwork table PRINT1 filled by the equivalent statement in one transaction\n");
        for (const Case& c : cases) {
            const TTotalSql s = totals.GetSqlStr(c.request);
            print(c.name + ": top 10", measure(runs, [&] { TotalsReport::TotalTops(*dmCmn, s.RunSql, 10); }));
            const Stats all = measure(runs, [&] { TotalsReport::TotalTops(*dmCmn, s.RunSql, -1); });
            print(c.name + ": no limit", all, QString("%1 rows").arg(rowCount(*dmCmn)));
        }
        {
            // For comparison: the copy row by row through InsertPrint, in one transaction.
            const TTotalSql s = totals.GetSqlStr(cases[0].request);
            const Stats rowByRow = measure(1, [&] { fillRowByRow(*dmCmn, s.RunSql); });
            print(cases[0].name + ": no limit, row by row", rowByRow, QString("%1 rows").arg(rowCount(*dmCmn)));
        }
    }
    if (only.isEmpty() || only == "preview") {
        // The list of a busy period in the print preview: the rows read, then the preview
        // window shown until its pages are drawn (it draws every page before the first shows).
        TTotalRequest list = ranking(0, QDate(2024, 6, 1), QDate(2024, 6, 2), 10);
        list.Summary = 0;
        const TTotalSql s = totals.GetSqlStr(list);
        ReportRows rows;
        const Stats read = measure(runs, [&] { rows = ReportRows::Load(dmCmn->sqlWork2, s.RunSql); });
        print("list of two days: statement and rows read", read, QString("%1 rows").arg(rows.Count()));
        QList<QList<QVariant>> first;
        for (int r = 0; r < 1000 && r < rows.Count(); ++r) {
            QList<QVariant> row;
            for (int c = 0; c < rows.Columns().size(); ++c)
                row << rows.Value(r, c);
            first << row;
        }
        const BandReport report(ReportLayouts::Print2(0), ReportRows(rows.Columns(), first),
                                QDateTime::currentDateTime());
        int pages = 0;
        const Stats preview = measure(runs, [&] {
            TfrmPrint dialog(report);
            dialog.show();
            while (dialog.PagesDrawn() == 0)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            pages = dialog.PagesDrawn();
            dialog.close();
        });
        print("preview of a 1,000-row list: shown with every page", preview, QString("%1 pages").arg(pages));
        QTemporaryDir out;
        print("the same list written as PDF", measure(runs, [&] { report.WritePdf(out.filePath("list.pdf")); }));
    }

    delete dmCmn;
    dmCmn = nullptr;
    CloseSettingsFile();
    return 0;
}
