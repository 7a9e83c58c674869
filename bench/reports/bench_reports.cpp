// Totals on a large database: the ranking statements by number and by customer over a month
// and a year, the work-table fill of an unlimited ranking, and the print preview of a list
// of 1,000 calls.
//
//   bench_reports [--keep DIR] [--rows N] [--runs N] [--trace-off]
//
// Creates (or reuses, with --keep) a database of N call-log rows over 2022-2024 with 100,000
// phone-book entries and customers, then prints medians and maxima.
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "reports/ReportLayouts.h"
#include "reports/TotalsReport.h"
#include "LargeDatabase.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

struct Stats
{
    double median = 0, max = 0;
};

Stats measure(int runs, const std::function<void()>& work)
{
    std::vector<double> v;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        v.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
}

void print(const QString& what, const Stats& s, const QString& note = QString())
{
    std::printf("%-58s median %9.1f ms   max %9.1f ms  %s\n", qPrintable(what), s.median, s.max, qPrintable(note));
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

// Runs a statement and reads every row, the way the work-table fill reads it.
int readAll(FbQuery& q, const QString& sql)
{
    q.setSql(sql);
    q.open();
    int n = 0;
    for (; !q.eof(); q.next())
        ++n;
    q.close();
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"keep", "Keep (and reuse) the data in DIR.", "DIR"});
    parser.addOption({"rows", "Call-log rows to generate.", "N", "1000000"});
    parser.addOption({"runs", "Runs of each measurement.", "N", "5"});
    parser.addOption({"trace-off", "Switch the diagnostic trace off (it is on in the program)."});
    parser.process(app);

    QTemporaryDir tmp;
    const QString root = parser.isSet("keep") ? parser.value("keep") : tmp.path();
    QDir().mkpath(root);
    qputenv("ZUVARO_DATA_ROOT", root.toUtf8());
    qputenv("ZUVARO_UNATTENDED", "no");
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    LoadStartupSettings();

    const QString path = root + "/bench.fdb";
    const bool fresh = !QFileInfo::exists(path);
    if (fresh)
        InitialDatabase::Create(path);
    dmCmn = new TdmCmn(path);
    {
        QElapsedTimer t;
        t.start();
        InitTables(*dmCmn, nullptr);
        std::printf("schema upgrade %.1f ms\n", double(t.elapsed()));
    }
    if (fresh)
        LargeDatabase::Generate(*dmCmn, parser.value("rows").toInt());
    gTraceOn = !parser.isSet("trace-off");
    std::printf("diagnostic trace %s\n", gTraceOn ? "on" : "off");
    const int runs = parser.value("runs").toInt();

    TotalsReport totals(*dmCmn);
    const QDate monthFrom(2024, 6, 1), monthTo(2024, 6, 30), yearFrom(2024, 1, 1), yearTo(2024, 12, 31);
    struct Case
    {
        const char* name;
        TTotalRequest request;
    };
    const Case cases[] = {
        {"ranking by number, one month: statement", ranking(0, monthFrom, monthTo, 10)},
        {"ranking by number, one year: statement", ranking(0, yearFrom, yearTo, 10)},
        {"ranking by customer, one month: statement", ranking(1, monthFrom, monthTo, 10)},
        {"ranking by customer, one year: statement", ranking(1, yearFrom, yearTo, 10)},
    };
    for (const Case& c : cases) {
        const QString sql = totals.GetSqlStr(c.request).Sql;
        int rows = 0;
        const Stats s = measure(runs, [&] { rows = readAll(dmCmn->sqlWork2, sql); });
        print(c.name, s, QString("%1 groups").arg(rows));
    }
    for (const Case& c : cases) {
        TTotalRequest r = c.request;
        const QString sql = totals.GetSqlStr(r).Sql;
        const Stats top = measure(runs, [&] { TotalsReport::TotalTops(*dmCmn, sql, 10); });
        print(QString(c.name).replace("statement", "top 10 into PRINT1"), top);
        const Stats all = measure(runs, [&] { TotalsReport::TotalTops(*dmCmn, sql, -1); });
        print(QString(c.name).replace("statement", "all into PRINT1"), all,
              QString("%1 rows").arg(dmCmn->sqlWork.database().connected() ? 0 : 0));
    }
    delete dmCmn;
    dmCmn = nullptr;
    CloseSettingsFile();
    return 0;
}
