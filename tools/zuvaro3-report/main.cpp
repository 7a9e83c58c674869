// zuvaro3-report: the totals of the call log printed to a PDF file from the command line,
// with the statements and layouts of the program's "集計" dialog, for reports made by a
// script (a monthly ranking mailed to the owner, for example); with --chart one of the
// "グラフ" window's charts as PDF, PNG or CSV.
//
// Reads the database named in the settings file of ZUVARO_DATA_ROOT. Exit codes: 0 file
// written, 1 bad arguments or request, 2 the database could not be opened or read,
// 3 nothing to print (no file written), 4 the file could not be written.
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/SharedData.h"
#include "core/StartupSettings.h"
#include "db/FbEngine.h"
#include "db/StructureConversion.h"
#include "db/TdmCmn.h"
#include "platform/RuntimeFolder.h"
#include "reports/ChartData.h"
#include "reports/TotalsReport.h"
#include "reports/ui/ChartPicture.h"

#include <QCommandLineParser>
#include <QDate>
#include <QFileInfo>
#include <QApplication>

#include <cstdio>
#include <memory>

namespace {

void fail(const QString& text)
{
    std::fprintf(stderr, "zuvaro3-report: %s\n", qPrintable(text));
}

QDate date(const QString& text)
{
    return QDate::fromString(text, QStringLiteral("yyyy/MM/dd"));
}

// The chart of request written to the one file named; the exit code.
int writeChart(TdmCmn& dm, const TChartRequest& request, const QString& format, const QString& file)
{
    const TChartSql sql = ChartSql::Build(request);
    if (!sql.Ok()) {
        fail(sql.Warning);
        return 1;
    }
    const ChartData data = ChartData::Load(dm.IBDatabase1, request, sql, ChartData::PortNames());
    if (data.Empty) {
        fail(QStringLiteral("nothing to draw for %1; no file written").arg(data.Period));
        return 3;
    }
    bool written = false;
    if (format == QLatin1String("csv")) {
        written = data.WriteCsv(file);
    } else {
        ChartPicture picture(data);
        written = format == QLatin1String("pdf") ? picture.WritePdf(file) > 0 : picture.WritePng(file);
    }
    if (!written) {
        fail(QStringLiteral("cannot write %1").arg(file));
        return 4;
    }
    std::printf("%s: %s, %d rows\n", qPrintable(QFileInfo(file).absoluteFilePath()), qPrintable(data.Title),
                int(data.Rows.size()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Text is measured and drawn without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ProvideRuntimeFolder();
    // Qt Charts draws through the widgets' graphics scene.
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zuvaro3-report"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZUVARO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the call totals of Zuvaro3 to a PDF file: a ranking of call counts per number or per customer,\n"
        "or the list of calls, for the days from --from to --to (both included).\n"
        "With --chart, one of the charts of the \"グラフ\" window as PDF, PNG or CSV instead.\n"
        "The database is the one named in the settings file below $ZUVARO_DATA_ROOT.\n"
        "Exit codes: 0 written, 1 bad arguments, 2 database not available, 3 nothing to print\n"
        "(no file written), 4 the PDF could not be written."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"summary", "ranking (call counts) or list (the calls).", "ranking|list"});
    parser.addOption({"group", "number (phone-book number) or customer (representative number).", "number|customer"});
    parser.addOption({"from", "First day.", "yyyy/mm/dd"});
    parser.addOption({"to", "Last day.", "yyyy/mm/dd"});
    parser.addOption({"kind", "Incoming, outgoing or all calls (default in).", "in|out|all", "in"});
    parser.addOption({"top", "Ranking: the N largest groups and the rest as one row (default: every group).", "N"});
    parser.addOption({"pdf", "The PDF file to write.", "FILE"});
    parser.addOption({"chart", "A chart instead of the totals.", ChartSql::Names().join(QLatin1Char('|'))});
    parser.addOption({"port", "Chart: the calls of one line (PORT_NO) only.", "N"});
    parser.addOption({"png", "Chart: the PNG file to write.", "FILE"});
    parser.addOption({"csv", "Chart: the chart's figures as a CSV file (CP932, CR LF).", "FILE"});
    parser.process(app);

    const bool chart = parser.isSet(QStringLiteral("chart"));
    TChartRequest chartRequest;
    QString chartFormat, chartFile;
    if (chart) {
        QString problem;
        const qsizetype kind = ChartSql::Names().indexOf(parser.value(QStringLiteral("chart")));
        chartRequest.Kind = TChartKind(std::max<qsizetype>(kind, 0));
        chartRequest.Kubun = int(QStringList{"in", "out", "all"}.indexOf(parser.value(QStringLiteral("kind"))));
        chartRequest.DateFrom = date(parser.value(QStringLiteral("from")));
        chartRequest.DateTo = date(parser.value(QStringLiteral("to")));
        for (const QString& f : {QStringLiteral("pdf"), QStringLiteral("png"), QStringLiteral("csv")})
            if (parser.isSet(f)) {
                if (!chartFormat.isEmpty())
                    problem = QStringLiteral("give one of --pdf, --png and --csv");
                chartFormat = f;
                chartFile = parser.value(f);
            }
        if (parser.isSet(QStringLiteral("port"))) {
            bool ok = false;
            chartRequest.PortNo = parser.value(QStringLiteral("port")).toInt(&ok);
            if (!ok || chartRequest.PortNo < 0)
                problem = QStringLiteral("--port must be a line number of 0 or more");
        }
        if (kind < 0)
            problem = QStringLiteral("--chart must be one of ") + ChartSql::Names().join(QStringLiteral(", "));
        else if (chartRequest.Kubun < 0)
            problem = QStringLiteral("--kind must be in, out or all");
        else if (!chartRequest.DateFrom.isValid() || !chartRequest.DateTo.isValid())
            problem = QStringLiteral("--from and --to must be dates as yyyy/mm/dd");
        else if (chartFile.isEmpty() && problem.isEmpty())
            problem = QStringLiteral("--pdf, --png or --csv FILE is missing");
        else if (parser.isSet(QStringLiteral("summary")) || parser.isSet(QStringLiteral("group")) ||
                 parser.isSet(QStringLiteral("top")))
            problem = QStringLiteral("--summary, --group and --top are for the totals, not for --chart");
        if (!problem.isEmpty()) {
            fail(problem + QStringLiteral(" (see --help)"));
            return 1;
        }
    }

    const QStringList summaries{QStringLiteral("list"), QStringLiteral("ranking")};
    const QStringList groups{QStringLiteral("number"), QStringLiteral("customer")};
    const QStringList kinds{QStringLiteral("in"), QStringLiteral("out"), QStringLiteral("all")};
    TTotalRequest r;
    r.Summary = int(summaries.indexOf(parser.value(QStringLiteral("summary"))));
    r.Item = int(groups.indexOf(parser.value(QStringLiteral("group"))));
    r.Kubun = int(kinds.indexOf(parser.value(QStringLiteral("kind"))));
    r.DateFrom = date(parser.value(QStringLiteral("from")));
    r.DateTo = date(parser.value(QStringLiteral("to")));
    const QString pdf = parser.value(QStringLiteral("pdf"));
    QString problem;
    if (r.Summary < 0)
        problem = QStringLiteral("--summary must be ranking or list");
    else if (r.Item < 0)
        problem = QStringLiteral("--group must be number or customer");
    else if (r.Kubun < 0)
        problem = QStringLiteral("--kind must be in, out or all");
    else if (!r.DateFrom.isValid() || !r.DateTo.isValid())
        problem = QStringLiteral("--from and --to must be dates as yyyy/mm/dd");
    else if (pdf.isEmpty())
        problem = QStringLiteral("--pdf FILE is missing");
    if (parser.isSet(QStringLiteral("top")) && problem.isEmpty()) {
        bool ok = false;
        const int top = parser.value(QStringLiteral("top")).toInt(&ok);
        if (!ok || top < 1)
            problem = QStringLiteral("--top must be a number of 1 or more");
        else if (r.Summary != 1)
            problem = QStringLiteral("--top is for a ranking only");
        r.TelTop = r.CustTop = true;
        r.TelNum = r.CustNum = top;
    }
    if (!problem.isEmpty() && !chart) {
        fail(problem + QStringLiteral(" (see --help)"));
        return 1;
    }

    SharedData::PrepareProcess();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    LoadStartupSettings();
    // The program's diagnostic log keeps this tool's errors, not its trace.
    gTraceOn = false;

    if (const QString older = StructureConversion::ToolRefusal(GTelDbPath); !older.isEmpty()) {
        fail(older);
        CloseSettingsFile();
        return 2;
    }
    int rc = 0;
    try {
        TdmCmn dm(GTelDbPath);
        try {
            dm.IBDatabase1.open();
        } catch (const AppError& e) {
            // A local file is opened by the embedded engine, which one program at a time may hold.
            QString why;
            if (SharedData::IsLockFolderFailure(e.message()))
                why = QStringLiteral("\n") + SharedData::LockFolderFailureToolText();
            else if (SharedData::IsHeldByAnotherProgram(e.message()))
                why = QStringLiteral("\n(the database file can be used by one program at a time: is Zuvaro3 "
                                     "running?)");
            fail(QStringLiteral("cannot open the database %1: %2").arg(GTelDbPath, e.message()) + why);
            ShutdownEngine();
            SharedData::HandBackToGroup({GTelDbPath});
            CloseSettingsFile();
            return 2;
        }
        if (chart) {
            rc = writeChart(dm, chartRequest, chartFormat, chartFile);
        } else {
            TotalsReport totals(dm);
            const TTotalSql sql = totals.GetSqlStr(r);
            if (!sql.Ok()) {
                fail(sql.Warning);
                rc = 1;
            } else {
                const BandReport report = totals.Run(r, sql);
                if (report.Rows().IsEmpty()) {
                    fail(QStringLiteral("no calls to print for %1 - %2; no PDF written")
                             .arg(r.DateFrom.toString(QStringLiteral("yyyy/MM/dd")),
                                  r.DateTo.toString(QStringLiteral("yyyy/MM/dd"))));
                    rc = 3;
                } else if (const int pages = report.WritePdf(pdf); pages == 0) {
                    fail(QStringLiteral("cannot write %1").arg(pdf));
                    rc = 4;
                } else {
                    std::printf("%s: %d rows, %d pages\n", qPrintable(QFileInfo(pdf).absoluteFilePath()),
                                report.Rows().Count(), pages);
                }
            }
        }
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("zuvaro3-report ") + e.message());
        fail(QStringLiteral("database error: ") + e.message());
        rc = 2;
    }
    ShutdownEngine();
    SharedData::HandBackToGroup({GTelDbPath});
    CloseSettingsFile();
    return rc;
}
