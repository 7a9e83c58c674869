// Database latencies on a fresh database in a temporary folder:
//  - attaching and running the whole schema upgrade on a current database;
//  - GetTels and InsertLog beside a bare insert-and-commit through the client library on
//    the same attachment, as median and 99th percentile, and their ratio to the bare cost.
// Forced writes stay at Firebird's default (on). Trace logging is on, as in the program;
// --no-trace switches it off. --calls N sets the number of calls (default 1000).

#include "core/Clock.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/SharedData.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"

#include <ibase.h>

#include "BenchStats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// The Firebird client keeps a few allocations for the life of the process; in a sanitizer
// build they must not turn a good run into a failed exit.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {

double elapsedMs(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// withGenerator: draw the number from SEQ_LOG_NO in the same transaction first, the least
// any insert keyed by a generator can cost (the generator page is one more page to write).
void bareInsert(TdmCmn& dm, int logNo, bool withGenerator = false)
{
    const QByteArray sql = QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, DT_TO, TEL_TERM, "
                                          "TEL_MEMO, TEL_TIME, PORT_NO) values (%1, '2024/05/06 07:08:09', "
                                          "'0312345678', 'X', null, '0:00:00', '', 0, 1)")
                               .arg(logNo)
                               .toLatin1();
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                               isc_tpb_wait};
    ISC_STATUS_ARRAY status;
    isc_tr_handle trans = 0;
    dm.IBDatabase1.ensureOpen();
    if (isc_start_transaction(status, &trans, 1, dm.IBDatabase1.handle(), sizeof(tpb), tpb)) {
        isc_print_status(status);
        std::exit(1);
    }
    if (withGenerator) {
        isc_stmt_handle stmt = 0;
        std::vector<std::max_align_t> storage(XSQLDA_LENGTH(1) / sizeof(std::max_align_t) + 1);
        auto* da = reinterpret_cast<XSQLDA*>(storage.data());
        da->version = SQLDA_VERSION1;
        da->sqln = 1;
        ISC_LONG value = 0;
        short ind = 0;
        if (isc_dsql_allocate_statement(status, dm.IBDatabase1.handle(), &stmt) ||
            isc_dsql_prepare(status, &trans, &stmt, 0, "select gen_id(SEQ_LOG_NO,1) from RDB$DATABASE", 1, da)) {
            isc_print_status(status);
            std::exit(1);
        }
        da->sqlvar[0].sqldata = reinterpret_cast<char*>(&value);
        da->sqlvar[0].sqlind = &ind;
        if (isc_dsql_execute(status, &trans, &stmt, 1, nullptr) || isc_dsql_fetch(status, &stmt, 1, da)) {
            isc_print_status(status);
            std::exit(1);
        }
        isc_dsql_free_statement(status, &stmt, DSQL_drop);
    }
    if (isc_dsql_execute_immediate(status, dm.IBDatabase1.handle(), &trans, 0, sql.constData(), 1, nullptr) ||
        isc_commit_transaction(status, &trans)) {
        isc_print_status(status);
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    Clock::PinLocalTimeZone();
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    int calls = 1000;
    if (const qsizetype i = args.indexOf(QStringLiteral("--calls")); i > 0 && i + 1 < args.size())
        calls = args.at(i + 1).toInt();

    QTemporaryDir dir;
    qputenv("ZUVARO_DATA_ROOT", dir.filePath(QStringLiteral("data")).toUtf8());
    qputenv("ZUVARO_UNATTENDED", "yes");
    SharedData::PrepareProcess();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    gTraceOn = !args.contains(QStringLiteral("--no-trace"));

    const QString path = dir.filePath(QStringLiteral("ZUVARODB.FDB"));
    InitialDatabase::Create(path);
    {
        TdmCmn dm(path);
        InitTables(dm, nullptr);
    }

    std::vector<double> upgrade;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        TdmCmn dm(path);
        InitTables(dm, nullptr);
        upgrade.push_back(elapsedMs(t));
    }

    TdmCmn dm(path);
    for (int i = 0; i < calls; ++i)
        dm.InsertTels({QStringLiteral("03%1").arg(i, 8, 10, QLatin1Char('0')), QString(), QStringLiteral("名前"),
                       QStringLiteral("なまえ")});
    TLog log;
    log.DtFrom = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
    log.TelNo = QStringLiteral("0312345678");
    log.TelType = QStringLiteral("着信");
    log.TelTerm = QStringLiteral("0:00:00");
    log.PortNo = 1;

    // Interleaved, so that any drift of the disk affects all three alike.
    std::vector<double> bare, bareGen, getTels, insertLog;
    TTels tels;
    for (int i = 0; i < calls; ++i) {
        QElapsedTimer t;
        t.start();
        bareInsert(dm, 1000000 + i);
        bare.push_back(elapsedMs(t));

        t.restart();
        bareInsert(dm, 2000000 + i, true);
        bareGen.push_back(elapsedMs(t));

        t.restart();
        dm.GetTels(QStringLiteral("03%1").arg((i * 7919) % calls, 8, 10, QLatin1Char('0')), tels);
        getTels.push_back(elapsedMs(t));

        t.restart();
        dm.InsertLog(log);
        insertLog.push_back(elapsedMs(t));
    }

    const Stats u = stats(upgrade), b = stats(bare), bg = stats(bareGen), g = stats(getTels), l = stats(insertLog);
    std::printf("trace log %s, %d calls each\n", gTraceOn ? "on" : "off", calls);
    std::printf("attach + upgrade of a current database: median %.2f ms, max %.2f ms (20 runs)\n", u.median,
                *std::max_element(upgrade.begin(), upgrade.end()));
    std::printf("%-20s %10s %10s %14s %14s\n", "", "median ms", "p99 ms", "median/bare", "p99/bare");
    std::printf("%-20s %10.3f %10.3f %14s %14s\n", "bare insert+commit", b.median, b.p99, "1.00", "1.00");
    std::printf("%-20s %10.3f %10.3f %14.2f %14.2f\n", "bare gen_id+insert", bg.median, bg.p99, bg.median / b.median,
                bg.p99 / b.p99);
    std::printf("%-20s %10.3f %10.3f %14.2f %14.2f\n", "GetTels", g.median, g.p99, g.median / b.median, g.p99 / b.p99);
    std::printf("%-20s %10.3f %10.3f %14.2f %14.2f\n", "InsertLog", l.median, l.p99, l.median / b.median,
                l.p99 / b.p99);
    std::fflush(stdout);
    return 0;
}
