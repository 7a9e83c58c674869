#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

// The pieces of the phone soak run that need no processes: what the link is expected to
// keep, which call to send next, how the rows found compare, and the memory figures.

// The link's repeat rule, per phone: a report of the same number as that phone's previous
// report within the window is dropped, and every repeat (dropped or not) restarts the
// window. The state belongs to the port, so it outlives a reconnection.
class RepeatTracker
{
public:
    enum Verdict { Counted, Dropped, Unsure };

    // A distance within marginMs of the window's edge gives Unsure: the program measures
    // on its own clock when it reads the line, which may lag our clock.
    explicit RepeatTracker(qint64 windowMs = 5000, qint64 marginMs = 1000);

    Verdict Report(int port, const QString& telNo, qint64 atMs);

private:
    struct Last
    {
        QString TelNo;
        qint64 AtMs = 0;
    };
    qint64 FWindowMs;
    qint64 FMarginMs;
    QHash<int, Last> FLast;
};

// How many LOG rows one (number, port) pair may have: from Min to Max.
struct RowRange
{
    int Min = 0;
    int Max = 0;
};
using CallKey = QPair<QString, int>; // TEL_NO, PORT_NO

// What the simulators wrote, folded through the repeat rule.
struct Expectation
{
    QHash<CallKey, RowRange> Rows;
    int Sent = 0;
    int Counted = 0;
    int Dropped = 0;
    int Unsure = 0;
    QMap<int, int> CountedPerPort;
    QHash<CallKey, int> DroppedPerKey;

    void Add(RepeatTracker::Verdict verdict, const QString& telNo, int port);
};

struct LogRow
{
    QString TelNo;
    int Port = 0;
};

struct Reconciliation
{
    int RowsFound = 0;
    QMap<int, int> RowsPerPort;
    int Missing = 0; // expected rows not found
    int Extra = 0;   // rows beyond what was expected (duplicates, wrong port, never sent)
    QStringList Details;

    bool Clean() const { return Missing == 0 && Extra == 0; }
};

Reconciliation Reconcile(const Expectation& expected, const QList<LogRow>& rows);

// Chooses, for each tick of the run, the phone that reports and the number: mostly new
// numbers, some quick repeats (same phone, same number, well inside the window) and some
// late repeats (a phone kept quiet until well past the window, then the same number).
class CallPlanner
{
public:
    struct Config
    {
        int MinGapMs = 50;
        int MaxGapMs = 400;
        double QuickRepeatChance = 0.06;
        double HoldChance = 0.03;
        // After a reconnection the phone's first report repeats its last one this often
        // (when still inside QuickRepeatMaxMs): a phone app that re-reports a ring.
        double RepeatAfterRelinkChance = 0.5;
        qint64 QuickRepeatMaxMs = 3000;
        qint64 LateRepeatMinMs = 7000;
        qint64 LateRepeatMaxMs = 9000;
    };
    enum Kind { None, Fresh, QuickRepeat, LateRepeat };
    struct Step
    {
        Kind What = None;
        int Port = 0;
        QString TelNo;
    };

    CallPlanner(quint32 seed, const Config& config);

    int NextGapMs();
    // The next report among the phones that can report now, recorded as sent at nowMs;
    // What is None when none of them may.
    Step Next(const QList<int>& ready, qint64 nowMs);
    // The phone came back on a new link.
    void Relinked(int port);

private:
    struct PortState
    {
        QString LastTelNo;
        qint64 LastAtMs = 0;
        qint64 HeldUntilMs = -1; // quiet until then, then a late repeat
        bool JustRelinked = false;
    };
    Step Record(Kind kind, int port, const QString& telNo, qint64 nowMs);
    QString FreshNumber();

    QRandomGenerator FRng;
    Config FConfig;
    quint32 FSeed;
    int FSerial = 0;
    QMap<int, PortState> FPorts;
};

// VmRSS and VmHWM of a /proc/<pid>/status text, in KiB (-1 when absent).
struct MemorySample
{
    qint64 RssKiB = -1;
    qint64 HwmKiB = -1;
};
MemorySample ParseProcStatus(const QByteArray& text);

// Growth of the resident size between the early part of the run (after warm-up) and its
// end: the mean of the last `window` samples minus the mean of the `window` samples that
// follow the first `warmup`. Not judged (Judged false) when the run is too short.
struct MemoryTrend
{
    bool Judged = false;
    qint64 EarlyKiB = 0;
    qint64 LateKiB = 0;
    qint64 GrowthKiB = 0;
};
MemoryTrend Trend(const QList<qint64>& rssKiB, int warmup, int window);
