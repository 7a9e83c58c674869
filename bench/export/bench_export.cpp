// Export times and peak memory on the generated large database: 100,000 customers and one
// year of calls (a third of the generated call log) to text, the legacy workbook and .xlsx.
//
//   bench_export [--keep DIR] [--rows N] [--only TEXT] [--repeat N]
//
// Creates (or reuses, with --keep) the database of bench_calls, gives the customers
// realistic Japanese addresses and notes, then runs each export once (or --repeat N
// times) and prints its time, its rows and the process's peak resident memory during it (the
// peak is reset before each export through /proc/self/clear_refs). Beside the elapsed time,
// the processor time: on a shared machine the steadier figure. With repeats, a summary line
// per export gives the lowest and the median of both. --only runs just the exports whose
// name holds TEXT (for instance "customers 100,000").

#include "LargeDatabase.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/SharedData.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "logs/DataExporter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

double peakMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Processor time of the whole process (the embedded engine works in it too): on a busy
// machine the fairer figure beside the elapsed time.
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

QString gOnly;
int gRepeat = 1;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void measureOnce(TdmCmn& dm, const char* what, ExportKind kind, const QString& path, const QDate& first,
                 const QDate& last, std::vector<double>& elapsed, std::vector<double>& cpuTimes)
{
    QFile::remove(path);
    DataExporter exporter(dm.IBDatabase1);
    ExportRequest r{kind, path, first, last};
    r.askBeforeOverwrite = false;
    resetPeak();
    QElapsedTimer t;
    t.start();
    const double cpu = cpuSeconds();
    const DataExporter::Outcome outcome = exporter.Run(r);
    const double s = t.nsecsElapsed() / 1e9;
    const double c = cpuSeconds() - cpu;
    elapsed.push_back(s);
    cpuTimes.push_back(c);
    std::printf("%-40s %8lld rows %7.2f s (cpu %6.2f s)  peak %6.1f MB  %s %.1f MB\n", what, exporter.recordsWritten(),
                s, c, peakMb(), outcome == DataExporter::Done ? "file" : "REFUSED",
                QFileInfo(path).size() / 1048576.0);
    std::fflush(stdout);
}

void measure(TdmCmn& dm, const char* what, ExportKind kind, const QString& path, const QDate& first = QDate(),
             const QDate& last = QDate())
{
    if (!gOnly.isEmpty() && !QString::fromUtf8(what).contains(gOnly))
        return;
    std::vector<double> elapsed, cpuTimes;
    for (int i = 0; i < gRepeat; ++i)
        measureOnce(dm, what, kind, path, first, last, elapsed, cpuTimes);
    if (gRepeat > 1) {
        std::printf("%-40s %d runs: cpu min %.2f s median %.2f s; elapsed min %.2f s median %.2f s\n", what,
                    gRepeat, *std::min_element(cpuTimes.begin(), cpuTimes.end()), median(cpuTimes),
                    *std::min_element(elapsed.begin(), elapsed.end()), median(elapsed));
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"keep", "Keep (and reuse) the data in DIR.", "DIR"});
    parser.addOption({"rows", "Call-log rows to generate (three years).", "N", "1000000"});
    parser.addOption({"only", "Run only the exports whose name contains TEXT.", "TEXT"});
    parser.addOption({"repeat", "Run each export N times and summarise.", "N", "1"});
    parser.process(app);
    gOnly = parser.value("only");
    gRepeat = qMax(1, parser.value("repeat").toInt());

    QTemporaryDir tmp;
    const QString root = parser.isSet("keep") ? parser.value("keep") : tmp.path();
    QDir().mkpath(root);
    qputenv("ZUVARO_DATA_ROOT", root.toUtf8());
    qputenv("ZUVARO_UNATTENDED", "yes");
    SharedData::PrepareProcess();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    LoadStartupSettings();
    gTraceOn = false;

    const QString path = root + "/bench.fdb";
    const bool fresh = !QFileInfo::exists(path);
    if (fresh)
        InitialDatabase::Create(path);
    TdmCmn dm(path);
    InitTables(dm, nullptr);
    if (fresh) {
        LargeDatabase::Generate(dm, parser.value("rows").toInt());
        dm.ExecSql(QStringLiteral("update CUSTOMER set CUST_NAME = '山田 太郎' || CUST_NO, CUST_KANA = 'ヤマダ タロウ', "
                                  "BIRTH_DT = '1980/01/02', ADDRESS = '東京都千代田区千代田１－１－' || CUST_NO, "
                                  "ZIP_CD = '100-0001', EMAIL = 'taro' || CUST_NO || '@example.org', USERID = 'admin', "
                                  "OTHERS = '毎週火曜日に来店。' || ascii_char(13) || ascii_char(10) || '駐車場あり', "
                                  "OPTION_01 = '01', OPTION_02 = '釣り'"));
        dm.ExecSql(QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO) values (1, '会員区分', 'm', 1)"));
        dm.ExecSql(QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO) values (2, '趣味', 's', 2)"));
        dm.ExecSql(QStringLiteral("insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (1, '01', '一般', '1')"));
    }
    const QString out = root + "/out";
    QDir().mkpath(out);
    const QDate first(2023, 1, 1), last(2023, 12, 31);

    std::printf("peak memory before the exports: %.1f MB\n", peakMb());
    measure(dm, "customers 100,000 -> .csv", ExportKind::Customers, out + "/customers.csv");
    measure(dm, "customers 100,000 -> .xlsx", ExportKind::Customers, out + "/customers.xlsx");
    measure(dm, "customers 100,000 -> .xls (over the limit)", ExportKind::Customers, out + "/customers.xls");
    if (gOnly.isEmpty() || QStringLiteral("customers 65,000 -> .xls .csv").contains(gOnly)) {
        dm.ExecSql(QStringLiteral("update CUSTOMER set DEL_DT = CURRENT_TIMESTAMP where CUST_NO > 65000"));
        measure(dm, "customers 65,000 -> .xls", ExportKind::Customers, out + "/customers65k.xls");
        measure(dm, "customers 65,000 -> .csv", ExportKind::Customers, out + "/customers65k.csv");
        dm.ExecSql(QStringLiteral("update CUSTOMER set DEL_DT = null where CUST_NO > 65000"));
    }
    measure(dm, "calls of 2023 -> .csv", ExportKind::Calls, out + "/calls.csv", first, last);
    measure(dm, "calls of 2023 -> .xlsx", ExportKind::Calls, out + "/calls.xlsx", first, last);
    measure(dm, "calls of 2023 -> .xls (over the limit)", ExportKind::Calls, out + "/calls.xls", first, last);
    measure(dm, "phone book 100,000 -> .csv", ExportKind::PhoneBook, out + "/tels.csv");
    return 0;
}
