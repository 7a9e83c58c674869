// Several PCs on one Firebird server over loopback (a server of its own on a free port):
//  - the database work of a call through the server beside a bare insert and commit through
//    the same server, interleaved call by call;
//  - the time from a call's commit on one PC until the other PC has the event and has read
//    today's calls again (what its grid shows);
//  - the calls per second one server takes with four PCs storing calls at once, and a check
//    that every call is there once.
// --calls N (default 300), --pcs N (default 4).

#include "calls/CallLog.h"
#include "calls/CallPipeline.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "db/FbEventListener.h"
#include "db/FbQuery.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/FbServer.h"
#include "support/TestEnv.h"

#include <QCommandLineParser>
#include "BenchStats.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {

QString count(TdmCmn& dm, const QString& sql)
{
    FbQuery q(dm.IBDatabase1);
    q.setSql(sql);
    q.open();
    const QString v = q.eof() ? QString() : q.field(0).asString();
    q.close();
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"calls", "calls per phase", "n", "300"});
    parser.addOption({"pcs", "PCs storing at once", "n", "4"});
    parser.addHelpOption();
    parser.process(app);
    const int calls = parser.value("calls").toInt();
    const int pcs = parser.value("pcs").toInt();

    TestEnv env;
    LoadStartupSettings();
    FbServer server;
    QString error;
    if (!FbServer::Installed() || !server.start(&error)) {
        std::fprintf(stderr, "bench_server: no Firebird server: %s\n", qPrintable(error));
        return 1;
    }
    const QString file = QDir(server.dir()).filePath(QStringLiteral("data/ZUVARODB.FDB"));
    InitialDatabase::Create(file);
    const QString path = server.remotePath(file);
    std::printf("server on 127.0.0.1:%d, %d calls per phase\n", server.port(), calls);

    TdmCmn pcA(path);
    dmCmn = &pcA;
    InitTables(pcA, nullptr);
    gTraceOn = false;

    // 1. A call's database work beside a bare insert, call by call.
    std::vector<double> bare;
    std::vector<double> work;
    {
        CallPipeline pipeline(&pcA, nullptr);
        for (int i = 0; i < calls; ++i) {
            QElapsedTimer t;
            t.start();
            pcA.IBDatabase1.execute(QStringLiteral("insert into PRINT1 (TEL_NO, CALLER, TOTAL) values ('1', 'x', 1)"));
            bare.push_back(double(t.nsecsElapsed()) / 1e6);
            TIncomingCall c{QStringLiteral("05%1").arg(i % 50, 8, 10, QLatin1Char('0')), QString(), 1, "x"};
            TCallResult r;
            t.restart();
            pipeline.TelReceiveProc(c, r);
            work.push_back(double(t.nsecsElapsed()) / 1e6);
        }
    }
    const Stats b = stats(bare);
    const Stats w = stats(work);
    print("bare insert + commit through the server", b);
    print("database work of a call through the server", w);
    std::printf("database work / bare insert (median): %.2fx\n", w.median / b.median);

    // 2. From the commit on PC A until PC B has the event and today's calls read again.
    {
        TdmCmn pcB(path);
        FbEventListener listener(path, TdmCmn::ConnectionParams(), QLatin1String(kLogInsertedEvent));
        listener.start();
        QEventLoop settle;
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
        std::vector<double> seen;
        std::vector<double> shown;
        for (int i = 0; i < std::min(calls, 200); ++i) {
            TLog log;
            log.DtFrom = Clock::now();
            log.TelNo = QStringLiteral("0311%1").arg(i, 6, 10, QLatin1Char('0'));
            log.TelType = QStringLiteral("着信");
            QEventLoop wait;
            QElapsedTimer t;
            double eventMs = -1;
            auto c = QObject::connect(&listener, &FbEventListener::posted, &wait, [&]() {
                eventMs = double(t.nsecsElapsed()) / 1e6;
                wait.quit();
            });
            QTimer::singleShot(5000, &wait, &QEventLoop::quit);
            pcA.InsertLog(log);
            t.start();
            wait.exec();
            QObject::disconnect(c);
            if (eventMs < 0)
                continue;
            seen.push_back(eventMs);
            // What the other PC's grid shows: today's calls read again.
            FbQuery q(pcB.IBDatabase1);
            CallLog::LoadDay(q, Clock::today(), TCallKind::All);
            shown.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        listener.stop();
        std::printf("events received: %zu of %d\n", seen.size(), std::min(calls, 200));
        print("call committed on A -> event on B", stats(seen));
        print("call committed on A -> B has read today's calls again", stats(shown));
    }

    // 3. Four PCs storing calls at once.
    {
        const int before = count(pcA, QStringLiteral("select count(*) from LOG")).toInt();
        std::atomic<int> failed{0};
        QElapsedTimer t;
        t.start();
        std::vector<std::thread> threads;
        for (int p = 0; p < pcs; ++p) {
            threads.emplace_back([&, p]() {
                TdmCmn dm(path);
                CallPipeline pipeline(&dm, nullptr);
                for (int i = 0; i < calls; ++i) {
                    // Half the numbers are shared by all PCs: the same caller on several PCs.
                    const QString number = (i % 2) ? QStringLiteral("0699%1").arg(i, 6, 10, QLatin1Char('0'))
                                                   : QStringLiteral("07%1%2").arg(p).arg(i, 7, 10, QLatin1Char('0'));
                    TIncomingCall c{number, QString(), 100 + p, "x"};
                    TCallResult r;
                    if (!pipeline.TelReceiveProc(c, r))
                        ++failed;
                }
                dm.IBDatabase1.close();
            });
        }
        for (auto& th : threads)
            th.join();
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        const int stored = count(pcA, QStringLiteral("select count(*) from LOG")).toInt() - before;
        std::printf("%d PCs x %d calls: %.1f calls/s, %d stored of %d, %d reported failed\n", pcs, calls,
                    double(pcs * calls) / seconds, stored, pcs * calls, failed.load());
    }
    pcA.IBDatabase1.close();
    dmCmn = nullptr;
    return 0;
}
