// The charts on a large call log: processor time of each chart's statement and shaping over
// the last year held (and the months of every year), and the time the "グラフ" window takes
// to show before its first chart is filled.
//
//   bench_charts [--keep DIR] [--rows N] [--years N] [--runs N] [--trace-off]
//
// Creates (or reuses, with --keep) a database of N calls spread evenly over N years from
// 2015/01/01: a third outgoing, three lines, a response for every twentieth call.
#include "LargeDatabase.h"
#include "db/TdmCmn.h"
#include "reports/ChartData.h"
#include "reports/TfrmChart.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Median wall and processor time of runs.
std::pair<double, double> measure(int runs, const std::function<void()>& work)
{
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const double c0 = cpuMs();
        work();
        cpu.push_back(cpuMs() - c0);
        wall.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

int gYears = 1;

void generate(TdmCmn& dm, int rows)
{
    QElapsedTimer t;
    t.start();
    dm.ExecSql(QStringLiteral(
                   "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
                   "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_TERM, TEL_MEMO, TEL_TIME, PORT_NO) "
                   "VALUES (gen_id(SEQ_LOG_NO, 1), CAST('2015/01/01' AS DATE) + (:i * %2 / %1), "
                   "'03' || lpad(mod(:i * 7, 100000), 8, '0'), iif(mod(:i, 3) = 0, '発信', '着信'), '0:00:00', '', 0, "
                   "60600 + mod(:i, 3)); "
                   "IF (mod(:i, 20) = 0) THEN INSERT INTO ACCEPT_T (ACT_NO, ACT_DT, TYPE_ID, RESULT_ID, LOG_NO) VALUES "
                   "(gen_id(SEQ_ACCEPT_NO, 1), CAST('2015/01/01' AS DATE) + (:i * %2 / %1), '1', '1', "
                   "gen_id(SEQ_LOG_NO, 0)); "
                   "i = i + 1; END END")
                   .arg(rows)
                   .arg(365.25 * gYears, 0, 'f', 2));
    std::printf("generated %d calls over %d years in %.1f s\n", rows, gYears, t.elapsed() / 1000.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    LargeDatabase::AddOptions(parser);
    parser.addOption({"years", "Years the calls are spread over.", "N", "1"});
    parser.addOption({"runs", "Runs per figure.", "N", "3"});
    parser.process(app);
    gYears = std::max(1, parser.value("years").toInt());
    const int runs = std::max(1, parser.value("runs").toInt());
    QTemporaryDir scratch;
    TdmCmn* dm = LargeDatabase::Open(parser, scratch.path(), generate);

    const QDate last = QDate(2015, 1, 1).addDays(qint64(365.25 * gYears) - 1);
    const QDate first = last.addDays(-364);
    struct Figure
    {
        QString name;
        TChartRequest request;
    };
    std::vector<Figure> figures;
    for (int k = 0; k < ChartSql::Names().size(); ++k)
        figures.push_back({ChartSql::Name(TChartKind(k)) + QStringLiteral(" (last year)"),
                           TChartRequest{TChartKind(k), first, last, 2, -1}});
    figures.push_back({QStringLiteral("months (every year, for one month)"),
                       TChartRequest{TChartKind::Months, last.addDays(-30), last, 2, -1}});
    figures.push_back({QStringLiteral("hours (last year, incoming, one line)"),
                       TChartRequest{TChartKind::Hours, first, last, 0, 60601}});
    for (const Figure& f : figures) {
        int rowsShown = 0;
        const auto [wall, cpu] = measure(runs, [&] {
            const ChartData data =
                ChartData::Load(dm->IBDatabase1, f.request, ChartSql::Build(f.request), ChartData::PortNames());
            rowsShown = int(data.Rows.size());
        });
        std::printf("%-44s median %8.1f ms  cpu %8.1f ms  (%d table rows)\n", qPrintable(f.name), wall, cpu, rowsShown);
        std::fflush(stdout);
    }
    const auto [wall, cpu] = measure(runs, [&] {
        TfrmChart w(*dm, figures[0].request);
        w.show();
        w.grab(); // drawn once, before the first chart is filled
    });
    std::printf("%-44s median %8.1f ms  cpu %8.1f ms\n", "window shown (before the first chart)", wall, cpu);
    return 0;
}
