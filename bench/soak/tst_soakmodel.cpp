#include "SoakModel.h"

#include <QSet>
#include <QtTest>

// The rules the soak run judges the program by: if these are wrong, the run reports faults
// that are not there or misses those that are.
class TestSoakModel : public QObject
{
    Q_OBJECT

private slots:
    void repeatWithinWindowIsDropped()
    {
        RepeatTracker t(5000, 0);
        QCOMPARE(t.Report(1, "0311", 0), RepeatTracker::Counted);
        QCOMPARE(t.Report(1, "0311", 2000), RepeatTracker::Dropped);
        QCOMPARE(t.Report(1, "0311", 7000), RepeatTracker::Dropped); // 5 s after the dropped one: still inside
        QCOMPARE(t.Report(1, "0311", 12001), RepeatTracker::Counted);
    }

    void windowEdgeBelongsToTheRepeat()
    {
        RepeatTracker t(5000, 0);
        t.Report(1, "0311", 0);
        QCOMPARE(t.Report(1, "0311", 5000), RepeatTracker::Dropped);
        QCOMPARE(t.Report(1, "0311", 10001), RepeatTracker::Counted);
    }

    void anotherNumberInBetweenEndsTheRepeat()
    {
        RepeatTracker t(5000, 0);
        t.Report(1, "0311", 0);
        QCOMPARE(t.Report(1, "0322", 100), RepeatTracker::Counted);
        QCOMPARE(t.Report(1, "0311", 200), RepeatTracker::Counted);
    }

    void portsAreIndependent()
    {
        RepeatTracker t(5000, 0);
        t.Report(1, "0311", 0);
        QCOMPARE(t.Report(2, "0311", 100), RepeatTracker::Counted);
        QCOMPARE(t.Report(1, "0311", 200), RepeatTracker::Dropped);
    }

    void nearTheEdgeIsUnsure()
    {
        RepeatTracker t(5000, 1000);
        t.Report(1, "0311", 0);
        QCOMPARE(t.Report(1, "0311", 4200), RepeatTracker::Unsure);
        QCOMPARE(t.Report(1, "0311", 4200 + 5900), RepeatTracker::Unsure);
        QCOMPARE(t.Report(1, "0311", 10100 + 6001), RepeatTracker::Counted);
        QCOMPARE(t.Report(1, "0311", 16101 + 3999), RepeatTracker::Dropped);
    }

    void reconcileFindsMissingDuplicateAndWrongPort()
    {
        Expectation e;
        e.Add(RepeatTracker::Counted, "0311", 1);
        e.Add(RepeatTracker::Dropped, "0311", 1);
        e.Add(RepeatTracker::Counted, "0322", 1);
        e.Add(RepeatTracker::Counted, "0333", 2);
        e.Add(RepeatTracker::Counted, "0344", 2);
        QCOMPARE(e.Sent, 5);
        QCOMPARE(e.Counted, 4);
        QCOMPARE(e.Dropped, 1);
        QCOMPARE(e.CountedPerPort.value(2), 2);

        QCOMPARE(Reconcile(e, {{"0311", 1}, {"0322", 1}, {"0333", 2}, {"0344", 2}}).Clean(), true);

        // The dropped repeat written after all: one extra.
        Reconciliation r = Reconcile(e, {{"0311", 1}, {"0311", 1}, {"0322", 1}, {"0333", 2}, {"0344", 2}});
        QCOMPARE(r.Missing, 0);
        QCOMPARE(r.Extra, 1);
        QCOMPARE(r.RowsFound, 5);
        QCOMPARE(r.RowsPerPort.value(1), 3);

        // A call lost, another written with the wrong port.
        r = Reconcile(e, {{"0311", 1}, {"0333", 2}, {"0344", 3}});
        QCOMPARE(r.Missing, 2);
        QCOMPARE(r.Extra, 1);
        QVERIFY(r.Details.join('\n').contains("0344 on port 3 (1 rows, sent on another port)"));
        QVERIFY(r.Details.join('\n').contains("missing: 0322 on port 1"));

        r = Reconcile(e, {{"0311", 1}, {"0322", 1}, {"0333", 2}, {"0344", 2}, {"0999", 4}});
        QCOMPARE(r.Extra, 1);
        QVERIFY(r.Details.join('\n').contains("never sent"));
    }

    void unsureAllowsEitherOutcome()
    {
        Expectation e;
        e.Add(RepeatTracker::Counted, "0311", 1);
        e.Add(RepeatTracker::Unsure, "0311", 1);
        QVERIFY(Reconcile(e, {{"0311", 1}}).Clean());
        QVERIFY(Reconcile(e, {{"0311", 1}, {"0311", 1}}).Clean());
        QCOMPARE(Reconcile(e, {}).Missing, 1);
        QCOMPARE(Reconcile(e, {{"0311", 1}, {"0311", 1}, {"0311", 1}}).Extra, 1);
    }

    // The plan drives a simulated clock; every report goes through the repeat rule as the
    // link would see it with no delay. Quick repeats must all be dropped, late repeats and
    // new numbers must all count, whatever the phones' availability.
    void planAgreesWithTheRepeatRule()
    {
        for (quint32 seed : {1u, 7u, 20240601u}) {
            CallPlanner::Config c;
            c.RepeatAfterRelinkChance = 1.0;
            CallPlanner plan(seed, c);
            RepeatTracker rule(5000, 1000);
            QRandomGenerator avail(seed);
            const QList<int> ports{61001, 61002, 61003, 61004};
            qint64 now = 0;
            QMap<CallPlanner::Kind, int> kinds;
            QSet<QString> fresh;
            int none = 0;
            for (int n = 0; n < 5000; ++n) {
                now += plan.NextGapMs();
                QList<int> ready;
                for (int p : ports)
                    if (avail.bounded(10) != 0) // each phone away a tenth of the time
                        ready << p;
                    else if (avail.bounded(4) == 0)
                        plan.Relinked(p);
                const CallPlanner::Step s = plan.Next(ready, now);
                if (s.What == CallPlanner::None) {
                    ++none;
                    continue;
                }
                QVERIFY(ready.contains(s.Port));
                ++kinds[s.What];
                const RepeatTracker::Verdict v = rule.Report(s.Port, s.TelNo, now);
                if (s.What == CallPlanner::QuickRepeat)
                    QCOMPARE(v, RepeatTracker::Dropped);
                else
                    QCOMPARE(v, RepeatTracker::Counted);
                if (s.What == CallPlanner::Fresh) {
                    QVERIFY2(!fresh.contains(s.TelNo), qPrintable(s.TelNo));
                    fresh.insert(s.TelNo);
                    QCOMPARE(s.TelNo.size(), 11);
                }
            }
            QVERIFY(kinds.value(CallPlanner::QuickRepeat) > 100);
            QVERIFY(kinds.value(CallPlanner::LateRepeat) > 20);
            QVERIFY(kinds.value(CallPlanner::Fresh) > 4000);
            QVERIFY(none < 50);
        }
    }

    void planIsReproducible()
    {
        CallPlanner a(42, {}), b(42, {}), c(43, {});
        QStringList sa, sb, sc;
        qint64 now = 0;
        for (int i = 0; i < 300; ++i) {
            now += 200;
            const int ga = a.NextGapMs(), gb = b.NextGapMs();
            c.NextGapMs();
            QCOMPARE(ga, gb);
            QVERIFY(ga >= 50 && ga <= 400);
            const QList<int> ready{1, 2, 3, 4};
            const auto x = a.Next(ready, now), y = b.Next(ready, now), z = c.Next(ready, now);
            sa << QStringLiteral("%1:%2").arg(x.Port).arg(x.TelNo);
            sb << QStringLiteral("%1:%2").arg(y.Port).arg(y.TelNo);
            sc << QStringLiteral("%1:%2").arg(z.Port).arg(z.TelNo);
        }
        QCOMPARE(sa, sb);
        QVERIFY(sa != sc);
        // Different seeds never share a number.
        QSet<QString> na, nc;
        for (const QString& s : sa)
            na.insert(s.section(':', 1));
        for (const QString& s : sc)
            nc.insert(s.section(':', 1));
        QVERIFY(!na.intersects(nc));
    }

    void noPhoneReadyGivesNothing()
    {
        CallPlanner p(1, {});
        QCOMPARE(p.Next({}, 1000).What, CallPlanner::None);
        // A lone phone is never held back for a late repeat: it would stop the run.
        for (int i = 0; i < 200; ++i)
            QVERIFY(p.Next({5}, 1000 + i * 100).What != CallPlanner::None);
    }

    void procStatus()
    {
        const QByteArray text = "Name:\tzuvaro3\nVmPeak:\t  900000 kB\nVmHWM:\t   81234 kB\nVmRSS:\t   80012 kB\n"
                                "RssAnon:\t   40000 kB\n";
        const MemorySample m = ParseProcStatus(text);
        QCOMPARE(m.RssKiB, 80012);
        QCOMPARE(m.HwmKiB, 81234);
        QCOMPARE(ParseProcStatus("Name:\tx\n").RssKiB, -1);
    }

    void trend()
    {
        QList<qint64> flat(200, 50000);
        flat[0] = 10000; // start-up before warm-up does not count
        MemoryTrend t = Trend(flat, 30, 30);
        QVERIFY(t.Judged);
        QCOMPARE(t.GrowthKiB, 0);

        QList<qint64> rising;
        for (int i = 0; i < 200; ++i)
            rising << 50000 + i * 10;
        t = Trend(rising, 30, 30);
        QCOMPARE(t.EarlyKiB, 50000 + 10 * (30 + 59) / 2);
        QCOMPARE(t.LateKiB, 50000 + 10 * (170 + 199) / 2);
        QCOMPARE(t.GrowthKiB, 1400);

        QVERIFY(!Trend(QList<qint64>(89, 1), 30, 30).Judged);
        QVERIFY(Trend(QList<qint64>(90, 1), 30, 30).Judged);
    }
};

QTEST_GUILESS_MAIN(TestSoakModel)
#include "tst_soakmodel.moc"
