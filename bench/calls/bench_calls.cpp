// Measures the road of an incoming call on a large database: from a forwarded number to
// the call-log row committed and the grid reloaded, beside the bare cost of one insert and
// commit, the same call at the start of a day and late in a busy one, and the time to load
// a busy day.
//
//   bench_calls [--keep DIR] [--calls N] [--rows N] [--day-calls N] [--unknown-calls N] [--delete-year]
//               [--trace-off]
//
// Creates (or reuses, with --keep) a database of N call-log rows over three years with
// 100,000 phone-book entries and customers, then prints medians and 99th percentiles.
// Last, calls from numbers nobody has, each opening its customer tab: resident memory and
// processor time per call after 20 of them and after --unknown-calls. With --delete-year, the
// oldest year is then deleted as "履歴削除" does (the database is changed for good): its
// time, the longest the window's loop waited meanwhile, and a full read of the call log
// before and after.
#include "calls/CallLog.h"
#include "calls/CallPipeline.h"
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/FbDatabase.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "logs/LogDeletionRun.h"
#include "LargeDatabase.h"

#include "BenchStats.h"

#include <QApplication>
#include <QDateEdit>
#include <QAbstractItemView>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <QFile>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <cstdio>

namespace {
// Resident memory of the process in megabytes.
double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / 1048576.0 : 0;
}

double processMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int gridRows(const TfrmMain& form)
{
    return form.findChild<QAbstractItemView*>(QStringLiteral("sgdLog"))->model()->rowCount();
}

// Times `calls` forwarded numbers on form, each to its grid update: wall time and the
// process's processor time (the embedded engine runs in this process), one entry per call.
void timeCalls(TfrmMain& form, int calls, int first, std::vector<double>& wall, std::vector<double>& cpu)
{
    for (int i = 0; i < calls; ++i) {
        bool loaded = false;
        auto conn = QObject::connect(&form, &TfrmMain::logGridLoaded, [&]() { loaded = true; });
        const double c0 = processMs();
        QElapsedTimer t;
        t.start();
        form.OnDemoActivate(QString("03%1").arg((first + i) * 13 % 100000, 8, 10, QChar('0')));
        while (!loaded)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        wall.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(processMs() - c0);
        QObject::disconnect(conn);
    }
}
} // namespace

int main(int argc, char** argv)
{
    Clock::PinLocalTimeZone();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    LargeDatabase::AddOptions(parser);
    parser.addOption({"calls", "Number of forwarded calls to time.", "N", "500"});
    parser.addOption({"day-calls", "Calls of the same day before the late calls are timed.", "N", "5000"});
    parser.addOption({"delete-year", "Delete the oldest year of calls at the end (changes the database)."});
    parser.addOption({"unknown-calls", "Calls from numbers nobody has, each opening its customer.", "N", "1000"});
    parser.process(app);

    QTemporaryDir tmp;
    LargeDatabase::Open(parser, tmp.path());
    GBring = false;

    const int calls = parser.value("calls").toInt();
    // The database work of one call (lookups, phone-book entry, call-log row) beside the bare
    // cost of one insert and commit on the same database, measured call by call so that
    // the disk's drift moves both alike.
    std::vector<double> bare, rowAlone, dbWork;
    {
        // The baseline is a row written to the database file: the totals' work table is
        // temporary (its rows never reach the disk), so it has a stored table of its own shape.
        dmCmn->ExecSql(QStringLiteral(
            "RECREATE TABLE BENCH_BARE (TEL_NO VARCHAR(100), CALLER VARCHAR(200), TOTAL INTEGER)"));
        CallPipeline pipeline(dmCmn, nullptr);
        for (int i = 0; i < calls; ++i) {
            QElapsedTimer t;
            t.start();
            dmCmn->IBDatabase1.execute(QStringLiteral("insert into BENCH_BARE (TEL_NO, CALLER, TOTAL) values ('1', 'x', 1)"));
            bare.push_back(t.nsecsElapsed() / 1e6);
            // The call-log row by itself (its number drawn, three indices), on a day of its own.
            t.restart();
            dmCmn->IBDatabase1.execute(QStringLiteral(
                "insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_TERM, TEL_MEMO, TEL_TIME, PORT_NO) values "
                "(gen_id(SEQ_LOG_NO, 1), '1999/01/01 09:00:00', '0500000000', 'x', '0:00:00', '', 0, 1)"));
            rowAlone.push_back(t.nsecsElapsed() / 1e6);

            TIncomingCall c{QString("05%1").arg(i % 50, 8, 10, QChar('0')), QString(), 1, "x"};
            TCallResult r;
            t.restart();
            pipeline.TelReceiveProc(c, r);
            dbWork.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    dmCmn->ExecSql(QStringLiteral("DROP TABLE BENCH_BARE"));
    dmCmn->ExecSql(QStringLiteral("delete from LOG where DT_FROM < '1999/01/02'"));

    // The whole call on screen: forwarded text to the grid reloaded with today's calls.
    std::vector<double> whole, wholeCpu;
    {
        TfrmMain form;
        form.FormCreate();
        form.show();
        for (int i = 0; i < calls; ++i) {
            bool loaded = false;
            auto conn = QObject::connect(&form, &TfrmMain::logGridLoaded, [&]() { loaded = true; });
            const double c0 = processMs();
            QElapsedTimer t;
            t.start();
            form.OnDemoActivate(QString("03%1").arg(i * 13 % 100000, 8, 10, QChar('0')));
            while (!loaded)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            whole.push_back(t.nsecsElapsed() / 1e6);
            wholeCpu.push_back(processMs() - c0);
            QObject::disconnect(conn);
        }
        std::printf("today's grid holds %d calls at the end\n", gridRows(form));
    }

    // The same call at the start of an empty day and once the day holds dayCalls calls,
    // on a day of its own after every call stored (a kept database is reused run after run).
    const int dayCalls = parser.value("day-calls").toInt();
    std::vector<double> early, earlyCpu, late, lateCpu, tabbed, tabbedCpu;
    constexpr int kOpenTabs = 20;
    int lateRows = 0;
    {
        dmCmn->sqlWork.setSql(QStringLiteral("select max(DT_FROM) from LOG"));
        dmCmn->sqlWork.open();
        const QDateTime last = dmCmn->sqlWork.field(0).asDateTime();
        dmCmn->sqlWork.close();
        const QDate fresh = std::max(last.date(), QDate::currentDate()).addDays(1);
        // The clock moves on with every call so that each goes on top of the day.
        Clock::setNow(QDateTime(fresh, QTime(8, 0, 0)));
        TfrmMain form;
        form.FormCreate();
        form.show();
        auto tick = QObject::connect(&form, &TfrmMain::logGridLoaded, []() { Clock::advance(2000); });
        timeCalls(form, calls, 0, early, earlyCpu);
        // The rest of the day's calls before eight, then the day shown as a new start shows it.
        const int fill = std::max(0, dayCalls - calls);
        dmCmn->ExecSql(QStringLiteral(
            "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
            "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_TERM, TEL_MEMO, TEL_TIME, PORT_NO) VALUES "
            "(gen_id(SEQ_LOG_NO, 1), CAST('%2' AS DATE) + (:i * 0.33 / %1), '03' || lpad(mod(:i * 7, 100000), 8, '0'), "
            "'着信', '0:00:00', '', 0, 1); i = i + 1; END END")
                           .arg(fill)
                           .arg(fresh.toString(QStringLiteral("yyyy/MM/dd"))));
        form.MakeLogGrid();
        timeCalls(form, calls, calls, late, lateCpu);
        lateRows = gridRows(form);
        // Customer tabs left open through the day (one opens for each call when the shop
        // wants it): a call concerns only its own customer's tab.
        for (int k = 0; k < kOpenTabs; ++k)
            form.OpenCustTab(QString("03%1").arg(50000 + k * 17, 8, 10, QChar('0')));
        timeCalls(form, calls, 2 * calls, tabbed, tabbedCpu);
        QObject::disconnect(tick);
        Clock::reset();
    }

    // A busy day: 1,000 calls on one date, listed.
    const QDate busy(2021, 6, 1);
    dmCmn->ExecSql(QStringLiteral(
        "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN IF (NOT EXISTS (SELECT 1 FROM LOG WHERE DT_FROM >= '2021/06/01' "
        "AND DT_FROM < '2021/06/02')) THEN WHILE (i < 1000) DO BEGIN "
        "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_TERM, TEL_MEMO, TEL_TIME, PORT_NO) VALUES "
        "(gen_id(SEQ_LOG_NO, 1), CAST('2021/06/01' AS DATE) + (:i / 1000.0), '03' || lpad(:i, 8, '0'), '着信', "
        "'0:00:00', '', 0, 1); i = i + 1; END END"));
    std::vector<double> day;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        const auto rows = CallLog::LoadDay(dmCmn->sqlWork, busy, TCallKind::All);
        day.push_back(t.nsecsElapsed() / 1e6);
        if (rows.size() != 1000)
            std::printf("unexpected day size %d\n", int(rows.size()));
    }

    // The grid of the busy day on the window.
    std::vector<double> grid;
    {
        TfrmMain form;
        form.FormCreate();
        form.show();
        form.DateTimePicker1->setDate(busy);
        for (int i = 0; i < 20; ++i) {
            QElapsedTimer t;
            t.start();
            form.MakeLogGrid();
            QCoreApplication::processEvents();
            grid.push_back(t.nsecsElapsed() / 1e6);
        }
    }

    // Calls from numbers nobody has, each on a day of its own start: once as they are, once
    // with the customer opened for each. What the 20th and the last leave behind, and their
    // processor time (twenty calls around each point).
    const int unknown = std::max(40, parser.value("unknown-calls").toInt());
    struct UnknownRun
    {
        double rss20 = 0, rssEnd = 0;
        int tabs20 = 0, tabsEnd = 0;
        Stats cpu20, cpuEnd;
    };
    auto unknownCalls = [&](bool openCustomer, int pass) {
        UnknownRun u;
        GAutoCustInfo = openCustomer;
        GUseAccept = true;
        Clock::setNow(QDateTime(QDate::currentDate().addDays(10 + pass), QTime(8, 0, 0)));
        TfrmMain form;
        form.FormCreate();
        form.show();
        auto tick = QObject::connect(&form, &TfrmMain::logGridLoaded, []() { Clock::advance(2000); });
        std::vector<double> cpu;
        for (int i = 0; i < unknown; ++i) {
            bool loaded = false;
            auto conn = QObject::connect(&form, &TfrmMain::logGridLoaded, [&]() { loaded = true; });
            const double c0 = processMs();
            form.OnDemoActivate(QString("07%1%2").arg(pass).arg(i, 7, 10, QChar('0')));
            while (!loaded)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            cpu.push_back(processMs() - c0);
            QObject::disconnect(conn);
            if (i == 19) {
                u.rss20 = residentMb();
                u.tabs20 = form.PageMain->count() - 2;
            }
        }
        u.rssEnd = residentMb();
        u.tabsEnd = form.PageMain->count() - 2;
        u.cpu20 = stats(std::vector<double>(cpu.begin() + 10, cpu.begin() + 30));
        u.cpuEnd = stats(std::vector<double>(cpu.end() - 20, cpu.end()));
        QObject::disconnect(tick);
        Clock::reset();
        GAutoCustInfo = false;
        return u;
    };
    const UnknownRun plain = unknownCalls(false, 1);
    const UnknownRun opened = unknownCalls(true, 2);

    const Stats b = stats(bare), d = stats(dbWork), w = stats(whole), l = stats(day), g = stats(grid);
    print("bare insert and commit", b);
    print("a call-log row alone (insert and commit)", stats(rowAlone));
    print("database work of a call (lookups, inserts)", d);
    print("whole call: forwarded number to grid reloaded", w);
    // Processor time of the process (the embedded engine included): steadier than wall time
    // on a busy machine, where the engine's synchronous page writes wait for the disk.
    print("  the same in processor time", stats(wholeCpu));
    print("load a day of 1,000 calls (query and rows)", l);
    print("show a day of 1,000 calls in the grid", g);
    std::printf("database work / bare insert (median): %.2fx\n", d.median / b.median);
    std::printf("database work / a call-log row alone (median): %.2fx\n", d.median / stats(rowAlone).median);
    const Stats e = stats(early), la = stats(late), ec = stats(earlyCpu), lc = stats(lateCpu);
    std::printf("whole call, start of a day vs after %d calls of the day (grid then %d rows):\n", dayCalls, lateRows);
    std::printf("  wall time       median %8.3f ms vs %8.3f ms   p99 %8.3f ms vs %8.3f ms   ratio of medians %.2fx\n",
                e.median, la.median, e.p99, la.p99, la.median / e.median);
    std::printf("  processor time  median %8.3f ms vs %8.3f ms   p99 %8.3f ms vs %8.3f ms   ratio of medians %.2fx\n",
                ec.median, lc.median, ec.p99, lc.p99, lc.median / ec.median);
    std::printf("whole call late in the day with %d customer tabs open:\n", kOpenTabs);
    print("  wall time", stats(tabbed));
    print("  processor time", stats(tabbedCpu));
    for (const auto& [what, u] : {std::pair<const char*, const UnknownRun&>{"as they are", plain},
                                  std::pair<const char*, const UnknownRun&>{"with the customer opened", opened}}) {
        std::printf("calls from unknown numbers %s: after 20 vs after %d\n", what, unknown);
        std::printf("  customer tabs   %d vs %d\n", u.tabs20, u.tabsEnd);
        std::printf("  resident memory %.1f MB vs %.1f MB\n", u.rss20, u.rssEnd);
        std::printf("  processor time  median %8.3f ms vs %8.3f ms   ratio %.2fx\n", u.cpu20.median, u.cpuEnd.median,
                    u.cpuEnd.median / u.cpu20.median);
    }
    if (parser.isSet("delete-year")) {
        auto fullRead = [&]() {
            QElapsedTimer t;
            t.start();
            dmCmn->sqlWork.setSql(QStringLiteral("select count(*), max(TEL_MEMO) from LOG"));
            dmCmn->sqlWork.open();
            dmCmn->sqlWork.close();
            return t.nsecsElapsed() / 1e6;
        };
        dmCmn->sqlWork.setSql(QStringLiteral("select min(DT_FROM) from LOG"));
        dmCmn->sqlWork.open();
        const QDate first = dmCmn->sqlWork.field(0).asDateTime().date();
        dmCmn->sqlWork.close();
        const QDate from(first.year(), 1, 1);
        const double before = fullRead();
        LogDeletionRun run(QStringLiteral("where DT_FROM >= '%1'\r\nand DT_FROM < '%2'\r\n")
                               .arg(from.toString(QStringLiteral("yyyy/MM/dd")),
                                    from.addYears(1).toString(QStringLiteral("yyyy/MM/dd"))));
        FbDatabase db;
        db.setDatabaseName(dmCmn->IBDatabase1.databaseName());
        db.setParams(dmCmn->IBDatabase1.params());
        db.setSqlDialect(dmCmn->IBDatabase1.sqlDialect());
        LogDeletionRun::Result result;
        QElapsedTimer wall, gap;
        wall.start();
        gap.start();
        double longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&]() {
            longest = std::max(longest, gap.nsecsElapsed() / 1e6);
            gap.restart();
        });
        tick.start(10);
        std::unique_ptr<QThread> thread(QThread::create([&]() { result = run.Run(db, [](const LogDeletionRun::Progress&) {}); }));
        thread->start();
        while (!thread->isFinished())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        thread->wait();
        const double took = wall.nsecsElapsed() / 1e6;
        const double after = fullRead();
        std::printf("deleting %d (%lld calls) with its cleanup: %.1f s wall, the window's loop waited at most %.1f ms%s\n",
                    from.year(), static_cast<long long>(result.Deleted), took / 1000, longest,
                    result.Error.isEmpty() ? "" : qPrintable(QStringLiteral(" (error: ") + result.Error + ")"));
        std::printf("full read of the call log: %.0f ms before, %.0f ms right after the deletion\n", before, after);
    }
    delete dmCmn;
    dmCmn = nullptr;
    CloseSettingsFile();
    return 0;
}
