// soak_phones: the real program with four Wi-Fi phones under a long stream of calls.
//
// Starts zuvaro3 headless on a fresh database, links four phone simulators, sends calls at
// random intervals (new numbers, quick repeats that the link must drop, late repeats that
// must count), drops one phone and links a new one in its place every 30 seconds, samples
// the program's memory every second, ends the program with SIGTERM and checks the LOG
// table against what the simulators actually wrote. Exit status 0 when every check passes.
#include "SoakModel.h"

#include "core/AppError.h"
#include "db/FbDatabase.h"
#include "db/FbEngine.h"
#include "db/FbField.h"
#include "db/FbQuery.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QString kIncoming = QStringLiteral("着信");

struct Options
{
    QString Program;
    QString Phone;
    QString InitDb;
    int Calls = 1000;
    quint32 Seed = 20240601;
    int MinGapMs = 50;
    int MaxGapMs = 400;
    int DropEverySec = 30;
    qint64 MaxGrowthKiB = 8 * 1024;
    bool Keep = false;
};

void Say(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

// Runs events until done() or the timeout; done() is looked at every pollMs at least.
template <typename Pred> bool Pump(Pred done, int timeoutMs, int pollMs = 20)
{
    QElapsedTimer t;
    t.start();
    // processEvents with a time limit never sleeps; the timer wakes the blocking form.
    QTimer poke;
    poke.start(pollMs);
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void Sleep(int ms)
{
    QElapsedTimer t;
    t.start();
    Pump([&t, ms] { return t.elapsed() >= ms; }, ms + 1000);
}

// Four distinct ports that were free a moment ago.
QList<int> FreePorts(int n)
{
    std::vector<std::unique_ptr<QTcpServer>> probes;
    QList<int> ports;
    for (int i = 0; i < n; ++i) {
        probes.push_back(std::make_unique<QTcpServer>());
        probes.back()->listen(QHostAddress::LocalHost, 0);
        ports << probes.back()->serverPort();
    }
    return ports;
}

class SoakRun : public QObject
{
public:
    explicit SoakRun(const Options& o) : FOpt(o), FPlanner(o.Seed, PlannerConfig(o)), FTiming(o.Seed ^ 0x5a5a5a5au) {}
    int Run();

private:
    struct Phone
    {
        int Port = 0;
        QProcess* Sim = nullptr;
        enum State { Down, Connecting, Linked, Draining, Closing } St = Down;
        QByteArray Out;
        int Links = 0;
        qint64 ConnectDeadlineMs = 0;
        int Written = 0;
    };

    static CallPlanner::Config PlannerConfig(const Options& o)
    {
        CallPlanner::Config c;
        c.MinGapMs = o.MinGapMs;
        c.MaxGapMs = o.MaxGapMs;
        return c;
    }
    qint64 Now() const { return FClock.elapsed(); }
    QString DataDir() const { return FRoot.filePath(QStringLiteral("data/ordova/zuvaro3")); }
    QString DbPath() const { return FRoot.filePath(QStringLiteral("data/ordova/common/ZUVARODB.FDB")); }
    void Fault(const QString& text)
    {
        FFaults << text;
        Say(QStringLiteral("FAULT: ") + text);
    }

    bool Prepare();
    bool StartProgram();
    void StartPhone(int i);
    void ReadPhone(int i, QProcess* sim);
    void DrainPhoneOutput(int i, const QByteArray& bytes);
    void PhoneLine(int i, const QByteArray& line);
    void PhoneEnded(int i, QProcess* sim, int code);
    void Tick();
    void DropOne();
    void KillPhone(int i);
    void SampleMemory();
    bool AllLinked() const;
    QStringList LogFiles(const QString& pattern) const;
    int ProcessedInLog() const;
    bool ReadRows(QList<LogRow>* rows, int* otherTypes);
    int Report(const QList<LogRow>& rows, int otherTypes, int programExit);

    Options FOpt;
    QTemporaryDir FRoot;
    QList<int> FPorts;
    std::vector<Phone> FPhones;
    QProcess* FProgram = nullptr;
    QElapsedTimer FClock;
    CallPlanner FPlanner;
    QRandomGenerator FTiming;
    RepeatTracker FTracker;
    Expectation FExpect;
    QTimer FTickTimer;
    QTimer FDropTimer;
    QTimer FMemTimer;
    int FWritten = 0;
    QMap<CallPlanner::Kind, int> FKinds;
    int FDropCycle = 0;
    int FDrops = 0;
    int FRelinks = 0;
    QStringList FFaults;
    QList<qint64> FRss; // samples from the first call on
    MemorySample FFirst;
    MemorySample FLast;
    qint64 FPeakRssKiB = 0;
    bool FFeeding = false;
    qint64 FFeedStartMs = 0;
    qint64 FFeedEndMs = 0;
};

bool SoakRun::Prepare()
{
    if (!FRoot.isValid())
        return false;
    FRoot.setAutoRemove(!FOpt.Keep);
    const QDir root(FRoot.path());
    for (const char* d : {"config", "home", "runtime", "data/ordova/zuvaro3", "data/ordova/common"})
        root.mkpath(QString::fromLatin1(d));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcess init;
    init.setProcessChannelMode(QProcess::MergedChannels);
    init.start(FOpt.InitDb, {DbPath()});
    if (!init.waitForFinished(120000) || init.exitStatus() != QProcess::NormalExit || init.exitCode() != 0) {
        Fault(QStringLiteral("creating the database failed: ") + QString::fromUtf8(init.readAll()).trimmed());
        return false;
    }

    FPorts = FreePorts(4);
    QString ini = QStringLiteral("[ADAPTA]\nCOUNT=4\n");
    for (int n = 1; n <= 4; ++n)
        ini += QStringLiteral("PORT_NO_%1=%2\nDISP_NAME_%1=電話%1\nREAD_NAME_%1=でんわ%1\nDEVICE_INDEX_%1=0\n")
                   .arg(n)
                   .arg(FPorts[n - 1]);
    QFile f(DataDir() + QStringLiteral("/zuvaro3.ini"));
    if (!f.open(QIODevice::WriteOnly) || f.write(ini.toUtf8()) < 0)
        return false;
    f.close();
    FPhones.resize(4);
    for (int i = 0; i < 4; ++i)
        FPhones[size_t(i)].Port = FPorts[i];
    return true;
}

bool SoakRun::StartProgram()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ZUVARO_DATA_ROOT"), FRoot.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("ZUVARO_UNATTENDED"), QStringLiteral("no"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), FRoot.filePath(QStringLiteral("runtime")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), FRoot.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("HOME"), FRoot.filePath(QStringLiteral("home")));
    FProgram = new QProcess(this);
    FProgram->setProcessEnvironment(env);
    FProgram->setStandardOutputFile(FRoot.filePath(QStringLiteral("program.out")));
    FProgram->setStandardErrorFile(FRoot.filePath(QStringLiteral("program.out")), QIODevice::Append);
    FProgram->start(FOpt.Program, {});
    if (!FProgram->waitForStarted(10000)) {
        Fault(QStringLiteral("cannot start ") + FOpt.Program + QStringLiteral(": ") + FProgram->errorString());
        return false;
    }
    return true;
}

void SoakRun::StartPhone(int i)
{
    Phone& p = FPhones[size_t(i)];
    if (p.St == Phone::Down)
        p.ConnectDeadlineMs = Now() + 60000;
    p.St = Phone::Connecting;
    p.Out.clear();
    auto* sim = new QProcess(this);
    p.Sim = sim;
    connect(sim, &QProcess::readyReadStandardOutput, this, [this, i, sim] { ReadPhone(i, sim); });
    connect(sim, &QProcess::finished, this,
            [this, i, sim](int code, QProcess::ExitStatus) { PhoneEnded(i, sim, code); });
    sim->start(FOpt.Phone, {QStringLiteral("--port"), QString::number(p.Port), QStringLiteral("--own-number"),
                            QStringLiteral("0901000000%1").arg(i + 1), QStringLiteral("--ring-interval"),
                            QStringLiteral("0"), QStringLiteral("--show-sent")});
}

void SoakRun::DrainPhoneOutput(int i, const QByteArray& bytes)
{
    Phone& p = FPhones[size_t(i)];
    p.Out += bytes;
    qsizetype nl;
    while ((nl = p.Out.indexOf('\n')) >= 0) {
        const QByteArray line = p.Out.left(nl);
        p.Out.remove(0, nl + 1);
        PhoneLine(i, line);
    }
}

void SoakRun::ReadPhone(int i, QProcess* sim)
{
    Phone& p = FPhones[size_t(i)];
    if (sim != p.Sim)
        return;
    DrainPhoneOutput(i, sim->readAllStandardOutput());
}

void SoakRun::PhoneLine(int i, const QByteArray& line)
{
    Phone& p = FPhones[size_t(i)];
    if (line.startsWith("< AT+CLIP=1") && p.St == Phone::Connecting) {
        p.St = Phone::Linked;
        if (++p.Links > 1) {
            ++FRelinks;
            FPlanner.Relinked(p.Port);
        }
        return;
    }
    // Only what the simulator handed to the link counts as sent.
    if (line.startsWith("> +CLIP: \"")) {
        const qsizetype a = line.indexOf('"');
        const qsizetype b = line.indexOf('"', a + 1);
        const QString telNo = QString::fromUtf8(line.mid(a + 1, b - a - 1));
        FExpect.Add(FTracker.Report(p.Port, telNo, Now()), telNo, p.Port);
    }
}

void SoakRun::PhoneEnded(int i, QProcess* sim, int code)
{
    Phone& p = FPhones[size_t(i)];
    sim->deleteLater();
    if (sim != p.Sim)
        return;
    ReadPhone(i, sim);
    const QString err = QString::fromUtf8(sim->readAllStandardError()).trimmed();
    p.Sim = nullptr;
    if (p.St == Phone::Closing)
        return;
    if (p.St == Phone::Connecting && code == 2) {
        // The program is not listening yet (or not again yet).
        if (Now() > p.ConnectDeadlineMs) {
            Fault(QStringLiteral("phone on port %1 could not link within 60 s: %2").arg(p.Port).arg(err));
            p.St = Phone::Down;
            return;
        }
        QTimer::singleShot(200, this, [this, i] { StartPhone(i); });
        return;
    }
    Fault(QStringLiteral("phone on port %1 ended unasked (status %2, state %3): %4")
              .arg(p.Port)
              .arg(code)
              .arg(int(p.St))
              .arg(err));
    p.St = Phone::Down;
    QTimer::singleShot(500, this, [this, i] { StartPhone(i); });
}

bool SoakRun::AllLinked() const
{
    for (const Phone& p : FPhones)
        if (p.St != Phone::Linked)
            return false;
    return true;
}

void SoakRun::Tick()
{
    if (FWritten >= FOpt.Calls)
        return;
    QList<int> ready;
    for (const Phone& p : FPhones)
        if (p.St == Phone::Linked && p.Sim)
            ready << p.Port;
    const CallPlanner::Step step = FPlanner.Next(ready, Now());
    if (step.What != CallPlanner::None) {
        const int i = int(FPorts.indexOf(step.Port));
        Phone& p = FPhones[size_t(i)];
        p.Sim->write(step.TelNo.toUtf8() + '\n');
        ++p.Written;
        ++FWritten;
        ++FKinds[step.What];
    }
    if (FWritten < FOpt.Calls)
        FTickTimer.start(FPlanner.NextGapMs());
    else
        FFeedEndMs = Now();
}

void SoakRun::DropOne()
{
    if (FWritten >= FOpt.Calls)
        return;
    const int i = FDropCycle++ % 4;
    Phone& p = FPhones[size_t(i)];
    if (p.St != Phone::Linked)
        return;
    // No more numbers for it; what it was given is on the link well before the kill.
    p.St = Phone::Draining;
    QTimer::singleShot(300, this, [this, i] { KillPhone(i); });
}

void SoakRun::KillPhone(int i)
{
    Phone& p = FPhones[size_t(i)];
    QProcess* sim = p.Sim;
    if (!sim || p.St != Phone::Draining)
        return;
    ReadPhone(i, sim);
    sim->disconnect(this);
    sim->kill();
    sim->waitForFinished(5000);
    // Lines it printed before it died are still in the pipe.
    DrainPhoneOutput(i, sim->readAllStandardOutput());
    sim->deleteLater();
    p.Sim = nullptr;
    p.St = Phone::Down;
    ++FDrops;
    QTimer::singleShot(500 + int(FTiming.bounded(1000)), this, [this, i] { StartPhone(i); });
}

void SoakRun::SampleMemory()
{
    if (!FProgram || FProgram->state() != QProcess::Running)
        return;
    QFile f(QStringLiteral("/proc/%1/status").arg(FProgram->processId()));
    if (!f.open(QIODevice::ReadOnly))
        return;
    const MemorySample m = ParseProcStatus(f.readAll());
    if (m.RssKiB < 0)
        return;
    FLast = m;
    FPeakRssKiB = qMax(FPeakRssKiB, m.RssKiB);
    if (FFeeding) {
        if (FRss.isEmpty())
            FFirst = m;
        FRss << m.RssKiB;
    }
}

QStringList SoakRun::LogFiles(const QString& pattern) const
{
    QStringList files;
    QDirIterator it(DataDir(), {pattern}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

int SoakRun::ProcessedInLog() const
{
    int n = 0;
    for (const QString& path : LogFiles(QStringLiteral("log_*.txt"))) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            n += int(f.readAll().count("\xe2\x98\x85TelReceiveProc TelNo=")); // ★ in UTF-8
    }
    return n;
}

bool SoakRun::ReadRows(QList<LogRow>* rows, int* otherTypes)
{
    try {
        EnsureEngineShutdownAtExit();
        FbDatabase db;
        db.setDatabaseName(DbPath());
        db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                      QStringLiteral("lc_ctype=NONE")});
        db.setSqlDialect(1);
        db.open();
        {
            FbQuery q(db);
            q.setSql(QStringLiteral("select TEL_NO, TEL_TYPE, PORT_NO from LOG"));
            q.open();
            while (!q.eof()) {
                if (q.field(1).asString() == kIncoming)
                    rows->append(LogRow{q.field(0).asString().trimmed(), q.field(2).asInteger()});
                else
                    ++*otherTypes;
                q.next();
            }
            q.close();
        }
        db.close();
        return true;
    } catch (const AppError& e) {
        Fault(QStringLiteral("reading the database failed: ") + e.message());
        return false;
    }
}

int SoakRun::Run()
{
    FClock.start();
    Say(QStringLiteral("soak_phones: %1 calls, seed %2, gaps %3-%4 ms, a phone dropped every %5 s")
            .arg(FOpt.Calls)
            .arg(FOpt.Seed)
            .arg(FOpt.MinGapMs)
            .arg(FOpt.MaxGapMs)
            .arg(FOpt.DropEverySec));
    if (!Prepare())
        return 2;
    Say(QStringLiteral("data root %1, ports %2 %3 %4 %5")
            .arg(FRoot.path())
            .arg(FPorts[0])
            .arg(FPorts[1])
            .arg(FPorts[2])
            .arg(FPorts[3]));
    if (!StartProgram())
        return 2;
    connect(&FMemTimer, &QTimer::timeout, this, [this] { SampleMemory(); });
    FMemTimer.start(1000);
    SampleMemory();
    for (int i = 0; i < 4; ++i)
        StartPhone(i);
    if (!Pump([this] { return AllLinked() || !FFaults.isEmpty() || FProgram->state() != QProcess::Running; }, 90000) ||
        !AllLinked()) {
        Fault(QStringLiteral("the four phones did not link"));
        return 2;
    }
    // The start-up wait for the phones is over once the main window is up.
    const bool up = Pump(
        [this] {
            for (const QString& path : LogFiles(QStringLiteral("log_*.txt"))) {
                QFile f(path);
                if (f.open(QIODevice::ReadOnly) && f.readAll().contains("Android\xe7\x89\x88 Ver. ")) // 版
                    return true;
            }
            return false;
        },
        60000, 250);
    if (!up) {
        Fault(QStringLiteral("the main window did not come up"));
        return 2;
    }
    const qint64 startupMs = Now();
    Say(QStringLiteral("program up and four phones linked after %1 s; sending").arg(startupMs / 1000.0, 0, 'f', 1));

    FFeeding = true;
    FFeedStartMs = Now();
    SampleMemory();
    FTickTimer.setSingleShot(true);
    connect(&FTickTimer, &QTimer::timeout, this, [this] { Tick(); });
    connect(&FDropTimer, &QTimer::timeout, this, [this] { DropOne(); });
    FDropTimer.start(FOpt.DropEverySec * 1000);
    QTimer progress;
    connect(&progress, &QTimer::timeout, this, [this] {
        Say(QStringLiteral("  %1 s: %2 written, %3 on the link, %4 processed, rss %5 KiB")
                .arg((Now() - FFeedStartMs) / 1000)
                .arg(FWritten)
                .arg(FExpect.Sent)
                .arg(ProcessedInLog())
                .arg(FLast.RssKiB));
    });
    progress.start(30000);
    Tick();
    const qint64 budgetMs = qint64(FOpt.Calls) * (FOpt.MaxGapMs + 200) + 120000;
    Pump([this] { return FWritten >= FOpt.Calls || FProgram->state() != QProcess::Running; }, int(budgetMs));
    FDropTimer.stop();
    progress.stop();
    if (FWritten < FOpt.Calls)
        Fault(QStringLiteral("only %1 of %2 calls were written").arg(FWritten).arg(FOpt.Calls));

    // Let the last reports reach the link, then the program take them all up.
    Pump(
        [this] {
            for (const Phone& p : FPhones)
                if (p.St == Phone::Draining || p.St == Phone::Connecting)
                    return false;
            return true;
        },
        15000);
    Sleep(1000);
    const bool caughtUp = Pump([this] { return ProcessedInLog() >= FExpect.Counted; }, 60000, 250);
    if (!caughtUp)
        Say(QStringLiteral("the program has not logged every counted call after 60 s; ending it anyway"));
    Sleep(2000);
    SampleMemory();
    FFeeding = false;
    FMemTimer.stop();
    const MemorySample atEnd = FLast;

    // Phones end once their input has ended and their reports are out (PhoneEnded reads
    // what they printed last).
    for (Phone& p : FPhones) {
        QProcess* sim = p.Sim;
        if (!sim)
            continue;
        p.St = Phone::Closing;
        sim->closeWriteChannel();
        if (!sim->waitForFinished(5000)) {
            sim->kill();
            sim->waitForFinished(5000);
        }
    }
    int programExit = -1;
    if (FProgram->state() == QProcess::Running) {
        FProgram->terminate();
        if (FProgram->waitForFinished(60000))
            programExit = FProgram->exitStatus() == QProcess::NormalExit ? FProgram->exitCode() : -1;
        else
            FProgram->kill();
    } else {
        Fault(QStringLiteral("the program ended before SIGTERM (status %1)").arg(FProgram->exitCode()));
    }
    FLast = atEnd;

    QList<LogRow> rows;
    int otherTypes = 0;
    ReadRows(&rows, &otherTypes);
    return Report(rows, otherTypes, programExit);
}

int SoakRun::Report(const QList<LogRow>& rows, int otherTypes, int programExit)
{
    const Reconciliation r = Reconcile(FExpect, rows);

    // The link's own record of what it dropped, per port.
    int dropsFound = 0;
    QHash<CallKey, int> dropsPerKey;
    const QRegularExpression dropLine(QString::fromUtf8("同じ番号で5秒以内着信のため無効 TelNo=([0-9]+)"));
    const QRegularExpression portFile(QStringLiteral("TelCom([0-9]+)_"));
    for (const QString& path : LogFiles(QStringLiteral("TelCom*.log"))) {
        const int port = portFile.match(QFileInfo(path).fileName()).captured(1).toInt();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(f.readAll());
        auto it = dropLine.globalMatch(text);
        while (it.hasNext()) {
            ++dropsFound;
            ++dropsPerKey[CallKey(it.next().captured(1), port)];
        }
    }
    int errorLines = 0;
    for (const QString& path : LogFiles(QStringLiteral("log_*.txt"))) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            errorLines += int(f.readAll().count("E.Message="));
    }
    const bool dropsMatch = FExpect.Unsure == 0
                                ? dropsFound == FExpect.Dropped && dropsPerKey == FExpect.DroppedPerKey
                                : dropsFound >= FExpect.Dropped && dropsFound <= FExpect.Dropped + FExpect.Unsure;
    const MemoryTrend trend = Trend(FRss, 30, 30);
    const bool memoryFlat = !trend.Judged || trend.GrowthKiB <= FOpt.MaxGrowthKiB;
    const qint64 durationMs = Now();

    Say(QString());
    Say(QStringLiteral("== soak_phones report =="));
    Say(QStringLiteral("calls written to the simulators: %1 (new %2, quick repeats %3, late repeats %4)")
            .arg(FWritten)
            .arg(FKinds.value(CallPlanner::Fresh))
            .arg(FKinds.value(CallPlanner::QuickRepeat))
            .arg(FKinds.value(CallPlanner::LateRepeat)));
    Say(QStringLiteral("calls sent on the link:          %1 (%2 written but never sent)")
            .arg(FExpect.Sent)
            .arg(FWritten - FExpect.Sent));
    Say(QStringLiteral("repeats dropped:                 expected %1, found %2 in the link logs%3")
            .arg(FExpect.Dropped)
            .arg(dropsFound)
            .arg(FExpect.Unsure ? QStringLiteral(" (%1 too near the 5 s edge to call)").arg(FExpect.Unsure)
                                : QString()));
    Say(QStringLiteral("rows expected:                   %1").arg(FExpect.Counted));
    Say(QStringLiteral("rows found:                      %1 incoming (%2 other LOG rows)")
            .arg(r.RowsFound)
            .arg(otherTypes));
    QStringList perPort;
    for (int port : FPorts)
        perPort << QStringLiteral("%1: %2/%3")
                       .arg(port)
                       .arg(r.RowsPerPort.value(port))
                       .arg(FExpect.CountedPerPort.value(port));
    Say(QStringLiteral("rows per port (found/expected):  ") + perPort.join(QStringLiteral(", ")));
    Say(QStringLiteral("missing rows: %1, extra rows: %2").arg(r.Missing).arg(r.Extra));
    for (const QString& d : r.Details)
        Say(QStringLiteral("  ") + d);
    Say(QStringLiteral("processed calls in the diagnostic log: %1; error lines (E.Message=): %2")
            .arg(ProcessedInLog())
            .arg(errorLines));
    Say(QStringLiteral("phone drops: %1, reconnections: %2").arg(FDrops).arg(FRelinks));
    Say(QStringLiteral("memory (VmRSS): start %1 KiB, end %2 KiB, highest sampled %3 KiB; peak VmHWM %4 KiB")
            .arg(FFirst.RssKiB)
            .arg(FLast.RssKiB)
            .arg(FPeakRssKiB)
            .arg(FLast.HwmKiB));
    if (trend.Judged)
        Say(QStringLiteral("memory trend: %1 KiB after warm-up, %2 KiB at the end: %3%4 KiB (limit %5 KiB)")
                .arg(trend.EarlyKiB)
                .arg(trend.LateKiB)
                .arg(trend.GrowthKiB >= 0 ? QStringLiteral("+") : QString())
                .arg(trend.GrowthKiB)
                .arg(FOpt.MaxGrowthKiB));
    else
        Say(QStringLiteral("memory trend: run too short to judge (%1 samples)").arg(FRss.size()));
    Say(QStringLiteral("program exit status after SIGTERM: %1").arg(programExit));
    Say(QStringLiteral("duration: %1 s in all, %2 s sending")
            .arg(durationMs / 1000.0, 0, 'f', 1)
            .arg((FFeedEndMs - FFeedStartMs) / 1000.0, 0, 'f', 1));

    QStringList failed = FFaults;
    if (!r.Clean())
        failed << QStringLiteral("LOG rows do not match the calls sent");
    if (!dropsMatch)
        failed << QStringLiteral("repeats dropped do not match");
    if (otherTypes != 0)
        failed << QStringLiteral("unexpected LOG rows of another type");
    if (!memoryFlat)
        failed << QStringLiteral("memory grew beyond the limit");
    if (programExit != 0)
        failed << QStringLiteral("the program did not end cleanly on SIGTERM");
    if (FWritten - FExpect.Sent > 0)
        Say(QStringLiteral("note: calls written but never sent are not counted"));
    if (FOpt.Keep)
        Say(QStringLiteral("data kept in ") + FRoot.path());
    if (failed.isEmpty()) {
        Say(QStringLiteral("RESULT: PASS"));
        return 0;
    }
    Say(QStringLiteral("RESULT: FAIL: ") + failed.join(QStringLiteral("; ")));
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("soak_phones"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Soak run of zuvaro3 with four simulated Wi-Fi phones; see bench/soak/README.md."));
    parser.addHelpOption();
    const QString bin = QStringLiteral(ZUVARO_BIN_DIR);
    const QCommandLineOption program(QStringLiteral("program"), QStringLiteral("The zuvaro3 executable."),
                                     QStringLiteral("PATH"), bin + QStringLiteral("/zuvaro3"));
    const QCommandLineOption phone(QStringLiteral("phone"), QStringLiteral("The zuvaro-phone executable."),
                                   QStringLiteral("PATH"), bin + QStringLiteral("/tools/zuvaro-phone/zuvaro-phone"));
    const QCommandLineOption initdb(QStringLiteral("initdb"), QStringLiteral("The zuvaro3-initdb executable."),
                                    QStringLiteral("PATH"),
                                    bin + QStringLiteral("/tools/zuvaro3-initdb/zuvaro3-initdb"));
    const QCommandLineOption calls(QStringLiteral("calls"), QStringLiteral("Calls in all (default 1000)."),
                                   QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the call plan (default 20240601)."),
                                  QStringLiteral("N"), QStringLiteral("20240601"));
    const QCommandLineOption minGap(QStringLiteral("min-gap"), QStringLiteral("Shortest gap between calls, ms."),
                                    QStringLiteral("MS"), QStringLiteral("50"));
    const QCommandLineOption maxGap(QStringLiteral("max-gap"), QStringLiteral("Longest gap between calls, ms."),
                                    QStringLiteral("MS"), QStringLiteral("400"));
    const QCommandLineOption dropEvery(QStringLiteral("drop-every"),
                                       QStringLiteral("Seconds between phone drops (default 30)."), QStringLiteral("S"),
                                       QStringLiteral("30"));
    const QCommandLineOption maxGrowth(QStringLiteral("max-growth-kib"),
                                       QStringLiteral("Resident-size growth allowed after warm-up (default 8192)."),
                                       QStringLiteral("KIB"), QStringLiteral("8192"));
    const QCommandLineOption keep(QStringLiteral("keep"), QStringLiteral("Keep the data root for inspection."));
    parser.addOptions({program, phone, initdb, calls, seed, minGap, maxGap, dropEvery, maxGrowth, keep});
    parser.process(app);

    Options o;
    bool ok1 = false, ok2 = false, ok3 = false, ok4 = false, ok5 = false, ok6 = false;
    o.Program = parser.value(program);
    o.Phone = parser.value(phone);
    o.InitDb = parser.value(initdb);
    o.Calls = parser.value(calls).toInt(&ok1);
    o.Seed = parser.value(seed).toUInt(&ok2);
    o.MinGapMs = parser.value(minGap).toInt(&ok3);
    o.MaxGapMs = parser.value(maxGap).toInt(&ok4);
    o.DropEverySec = parser.value(dropEvery).toInt(&ok5);
    o.MaxGrowthKiB = parser.value(maxGrowth).toLongLong(&ok6);
    o.Keep = parser.isSet(keep);
    if (!ok1 || !ok2 || !ok3 || !ok4 || !ok5 || !ok6 || o.Calls < 1 || o.MinGapMs < 1 || o.MaxGapMs < o.MinGapMs ||
        o.DropEverySec < 1) {
        std::fprintf(stderr, "soak_phones: bad option value (see --help)\n");
        return 2;
    }
    SoakRun run(o);
    return run.Run();
}
