#include "SoakModel.h"

#include <QSet>

#include <algorithm>

RepeatTracker::RepeatTracker(qint64 windowMs, qint64 marginMs) : FWindowMs(windowMs), FMarginMs(marginMs) {}

RepeatTracker::Verdict RepeatTracker::Report(int port, const QString& telNo, qint64 atMs)
{
    Verdict verdict = Counted;
    auto it = FLast.find(port);
    if (it != FLast.end() && it->TelNo == telNo) {
        const qint64 since = atMs - it->AtMs;
        if (since > FWindowMs - FMarginMs && since < FWindowMs + FMarginMs)
            verdict = Unsure;
        else if (since >= 0 && since <= FWindowMs)
            verdict = Dropped;
    }
    FLast[port] = Last{telNo, atMs};
    return verdict;
}

void Expectation::Add(RepeatTracker::Verdict verdict, const QString& telNo, int port)
{
    ++Sent;
    RowRange& r = Rows[CallKey(telNo, port)];
    switch (verdict) {
    case RepeatTracker::Counted:
        ++Counted;
        ++CountedPerPort[port];
        ++r.Min;
        ++r.Max;
        break;
    case RepeatTracker::Dropped:
        ++Dropped;
        ++DroppedPerKey[CallKey(telNo, port)];
        break;
    case RepeatTracker::Unsure:
        ++Unsure;
        ++r.Max;
        break;
    }
}

Reconciliation Reconcile(const Expectation& expected, const QList<LogRow>& rows)
{
    constexpr int kMaxDetails = 20;
    Reconciliation out;
    QHash<CallKey, int> found;
    QSet<QString> sentNumbers;
    for (auto it = expected.Rows.cbegin(); it != expected.Rows.cend(); ++it)
        sentNumbers.insert(it.key().first);
    for (const LogRow& row : rows) {
        ++out.RowsFound;
        ++out.RowsPerPort[row.Port];
        ++found[CallKey(row.TelNo, row.Port)];
    }
    auto note = [&out](const QString& text) {
        if (out.Details.size() < kMaxDetails)
            out.Details << text;
    };
    for (auto it = expected.Rows.cbegin(); it != expected.Rows.cend(); ++it) {
        const int n = found.value(it.key());
        if (n < it->Min) {
            out.Missing += it->Min - n;
            note(QStringLiteral("missing: %1 on port %2 (%3 rows, expected %4)")
                     .arg(it.key().first)
                     .arg(it.key().second)
                     .arg(n)
                     .arg(it->Min));
        } else if (n > it->Max) {
            out.Extra += n - it->Max;
            note(QStringLiteral("extra: %1 on port %2 (%3 rows, expected %4)")
                     .arg(it.key().first)
                     .arg(it.key().second)
                     .arg(n)
                     .arg(it->Max));
        }
    }
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        if (expected.Rows.contains(it.key()))
            continue;
        out.Extra += it.value();
        note(QStringLiteral("extra: %1 on port %2 (%3 rows, %4)")
                 .arg(it.key().first)
                 .arg(it.key().second)
                 .arg(it.value())
                 .arg(sentNumbers.contains(it.key().first) ? QStringLiteral("sent on another port")
                                                           : QStringLiteral("never sent")));
    }
    return out;
}

CallPlanner::CallPlanner(quint32 seed, const Config& config) : FRng(seed), FConfig(config), FSeed(seed) {}

int CallPlanner::NextGapMs()
{
    return FConfig.MinGapMs + int(FRng.bounded(FConfig.MaxGapMs - FConfig.MinGapMs + 1));
}

QString CallPlanner::FreshNumber()
{
    // Unique within a run, and different between seeds, so no number ever repeats by chance.
    const int serial = FSerial++;
    return QStringLiteral("090%1%2").arg(FSeed % 100, 2, 10, QLatin1Char('0')).arg(serial, 6, 10, QLatin1Char('0'));
}

CallPlanner::Step CallPlanner::Record(Kind kind, int port, const QString& telNo, qint64 nowMs)
{
    PortState& s = FPorts[port];
    s.LastTelNo = telNo;
    s.LastAtMs = nowMs;
    s.JustRelinked = false;
    return Step{kind, port, telNo};
}

void CallPlanner::Relinked(int port)
{
    FPorts[port].JustRelinked = true;
}

CallPlanner::Step CallPlanner::Next(const QList<int>& ready, qint64 nowMs)
{
    // A held phone whose quiet time is over repeats its last number.
    for (int port : ready) {
        PortState& s = FPorts[port];
        if (s.HeldUntilMs >= 0 && nowMs >= s.HeldUntilMs) {
            s.HeldUntilMs = -1;
            return Record(LateRepeat, port, s.LastTelNo, nowMs);
        }
    }
    QList<int> free;
    bool anyHeld = false;
    for (auto it = FPorts.cbegin(); it != FPorts.cend(); ++it)
        anyHeld = anyHeld || it->HeldUntilMs >= 0;
    for (int port : ready)
        if (FPorts[port].HeldUntilMs < 0)
            free << port;
    if (free.isEmpty())
        return Step{};
    // Hold one phone at a time, and never the last free one.
    if (!anyHeld && free.size() >= 2 && FRng.generateDouble() < FConfig.HoldChance) {
        const int pick = int(FRng.bounded(free.size()));
        PortState& s = FPorts[free[pick]];
        if (!s.LastTelNo.isEmpty()) {
            const qint64 span = FConfig.LateRepeatMaxMs - FConfig.LateRepeatMinMs;
            s.HeldUntilMs = s.LastAtMs + FConfig.LateRepeatMinMs + qint64(FRng.bounded(int(span) + 1));
            free.removeAt(pick);
        }
    }
    const int port = free[int(FRng.bounded(free.size()))];
    PortState& s = FPorts[port];
    const bool canRepeat = !s.LastTelNo.isEmpty() && nowMs - s.LastAtMs < FConfig.QuickRepeatMaxMs;
    const double chance = s.JustRelinked ? FConfig.RepeatAfterRelinkChance : FConfig.QuickRepeatChance;
    if (canRepeat && FRng.generateDouble() < chance)
        return Record(QuickRepeat, port, s.LastTelNo, nowMs);
    return Record(Fresh, port, FreshNumber(), nowMs);
}

MemorySample ParseProcStatus(const QByteArray& text)
{
    MemorySample m;
    for (const QByteArray& line : text.split('\n')) {
        qint64* target = nullptr;
        if (line.startsWith("VmRSS:"))
            target = &m.RssKiB;
        else if (line.startsWith("VmHWM:"))
            target = &m.HwmKiB;
        if (!target)
            continue;
        // "VmRSS:     12345 kB": the kernel always counts in kB.
        bool ok = false;
        const qint64 v = line.mid(6).simplified().split(' ').value(0).toLongLong(&ok);
        if (ok)
            *target = v;
    }
    return m;
}

MemoryTrend Trend(const QList<qint64>& rssKiB, int warmup, int window)
{
    MemoryTrend t;
    if (window < 1 || rssKiB.size() < warmup + 2 * window)
        return t;
    auto mean = [&rssKiB](int from, int count) {
        qint64 sum = 0;
        for (int i = from; i < from + count; ++i)
            sum += rssKiB[i];
        return sum / count;
    };
    t.Judged = true;
    t.EarlyKiB = mean(warmup, window);
    t.LateKiB = mean(int(rssKiB.size()) - window, window);
    t.GrowthKiB = t.LateKiB - t.EarlyKiB;
    return t;
}
