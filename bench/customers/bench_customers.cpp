// Customers on a large database: opening the caller's customer tab for an incoming call
// (frame built, every list loaded) and a partial-match search on the customer name.
//
//   bench_customers [--keep DIR] [--opens N] [--searches N] [--rows N]
//
// Creates (or reuses, with --keep) a database of 100,000 customers, each with its phone-book
// entry, and N call-log rows spread over those numbers, then prints medians and 99th
// percentiles.
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "customers/SearchQuery.h"
#include "customers/TfraCust.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "LargeDatabase.h"

#include "BenchStats.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTableWidget>

#include <ctime>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {
double processMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

QString number(int i)
{
    return QStringLiteral("03%1").arg(i, 8, 10, QLatin1Char('0'));
}

void generate(TdmCmn& dm, int logRows)
{
    QElapsedTimer t;
    t.start();
    // Server-side loops: single inserts from here would take far too long.
    dm.ExecSql(QStringLiteral(
        "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 100000) DO BEGIN "
        "INSERT INTO CUSTOMER (CUST_NO, CUST_NAME, CUST_KANA, CUST_TEL, CUST_TEL_NON, SEX, ADDRESS, UPDT) VALUES "
        "(gen_id(SEQ_CUST_NO, 1), '顧客' || :i || '商店', 'コキャク', '03' || lpad(:i, 8, '0'), "
        "'03' || lpad(:i, 8, '0'), 0, '東京都千代田区' || :i, CURRENT_TIMESTAMP); "
        "INSERT INTO TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME, UPDT) VALUES "
        "('03' || lpad(:i, 8, '0'), '03' || lpad(:i, 8, '0'), '顧客' || :i, 'こきゃく', CURRENT_TIMESTAMP); "
        "i = i + 1; END END"));
    dm.ExecSql(QStringLiteral("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
                              "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_TERM, TEL_MEMO, TEL_TIME, PORT_NO) "
                              "VALUES (gen_id(SEQ_LOG_NO, 1), CAST('2022/01/01' AS DATE) + (:i * 1095.0 / %1), "
                              "'03' || lpad(mod(:i * 7, 100000), 8, '0'), '着信', '0:00:00', '', 0, 60600); "
                              "i = i + 1; END END")
                  .arg(logRows));
    std::printf("generated 100000 customers and phone-book entries, %d call-log rows in %.1f s\n", logRows,
                t.elapsed() / 1000.0);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    LargeDatabase::AddOptions(parser);
    parser.addOption({"opens", "Customer tabs to open.", "N", "200"});
    parser.addOption({"searches", "Name searches to run.", "N", "20"});
    parser.process(app);

    QTemporaryDir tmp;
    LargeDatabase::Open(parser, tmp.path(), generate);
    GUseAccept = true;

    std::vector<double> opens, opensCpu, blank, blankCpu;
    int historyRows = 0;
    {
        TfrmMain form;
        form.FormCreate();
        form.show();
        const int n = parser.value("opens").toInt();
        for (int i = 0; i < n; ++i) {
            const QString telNo = number(i * 487 % 100000);
            QElapsedTimer t;
            t.start();
            const double c0 = processMs();
            const int index = form.OpenCustTab(telNo);
            QCoreApplication::processEvents();
            opens.push_back(double(t.nsecsElapsed()) / 1e6);
            opensCpu.push_back(processMs() - c0);
            auto* frame = qobject_cast<TfraCust*>(form.PageMain->widget(index));
            if (!frame || frame->FCustNo < 0)
                std::printf("customer of %s not shown\n", qPrintable(telNo));
            else
                historyRows += frame->sgdLog->rowCount();
            form.CloseCustPage(index);
            QCoreApplication::processEvents();
        }
        std::printf("call history rows per tab: %.1f on average\n", double(historyRows) / n);
        // The widgets alone: a blank new customer runs no query.
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer t;
            t.start();
            const double c0 = processMs();
            delete new TfraCust(QString(), nullptr, &form);
            blank.push_back(double(t.nsecsElapsed()) / 1e6);
            blankCpu.push_back(processMs() - c0);
        }
        print("build and free a blank frame (no query)", stats(blank));
    }

    std::vector<double> searches;
    int hits = 0;
    SearchQuery query(SearchQuery::Customers, 0);
    const int n = parser.value("searches").toInt();
    for (int i = 0; i < n; ++i) {
        const QString typed = QString::number(1000 + i * 37) + QStringLiteral("商");
        QElapsedTimer t;
        t.start();
        const auto rows = query.Run(dmCmn->sqlWork2, query.SearchSql(1, typed, true), 1, typed, true);
        searches.push_back(double(t.nsecsElapsed()) / 1e6);
        hits += int(rows.size());
    }
    std::printf("search hits per search: %.1f on average\n", double(hits) / n);

    print("open a customer tab for a call (frame and lists)", stats(opens));
    // Processor time of the process (the embedded engine included): steadier on a busy machine.
    print("  the same in processor time", stats(opensCpu));
    print("build and free a blank frame, processor time", stats(blankCpu));
    print("partial-match search on the customer name", stats(searches));
    delete dmCmn;
    dmCmn = nullptr;
    CloseSettingsFile();
    return 0;
}
