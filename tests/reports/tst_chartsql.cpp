// The chart statements against a recount: calls generated in the test (with calls on both
// sides of midnight, of a month's and a year's end, and on a leap day) are counted here from
// the list that was inserted, and every chart's table must show the same figures.
#include "db/TdmCmn.h"
#include "reports/ChartData.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QRandomGenerator>
#include <QtTest>

#include <functional>
#include <map>
#include <optional>
#include <set>

namespace {

struct Call
{
    int LogNo;
    QDateTime At;
    QString TelNo;
    QString Kind;
    int Port; // -1: null
};

struct Act
{
    QDateTime At;
    QString TypeId; // empty: null
    QString ResultId;
    int LogNo;
};

const QString kIn = QStringLiteral("着信");
const QString kOut = QStringLiteral("発信");

QString ts(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss.zzz"));
}

QList<Call> makeCalls()
{
    QList<Call> calls;
    int no = 0;
    auto add = [&](const QDateTime& at, const QString& tel, const QString& kind, int port) {
        calls << Call{++no, at, tel, kind, port};
    };
    // The edges: the last moment of a day and the first of the next, around a month's end,
    // the year's end, a leap day and the day after it.
    const QList<QDateTime> edges{
        QDateTime(QDate(2024, 3, 10), QTime(23, 59, 59, 500)), QDateTime(QDate(2024, 3, 11), QTime(0, 0)),
        QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59)),      QDateTime(QDate(2024, 2, 1), QTime(0, 0)),
        QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59, 900)), QDateTime(QDate(2024, 1, 1), QTime(0, 0)),
        QDateTime(QDate(2024, 2, 29), QTime(12, 0)),           QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59)),
        QDateTime(QDate(2024, 3, 1), QTime(0, 0)),             QDateTime(QDate(2023, 2, 28), QTime(9, 30))};
    for (int i = 0; i < edges.size(); ++i)
        add(edges[i], QStringLiteral("0900000%1").arg(i % 3), i % 2 ? kOut : kIn, 1 + i % 2);
    QRandomGenerator rng(20240229);
    const QDateTime start(QDate(2022, 11, 1), QTime(0, 0));
    for (int i = 0; i < 1500; ++i) {
        const QDateTime at = start.addSecs(qint64(rng.bounded(800 * 86400)));
        const int tel = rng.bounded(120);
        const QString number = tel == 0 ? QString() : QStringLiteral("03%1").arg(tel, 8, 10, QLatin1Char('0'));
        const int port = rng.bounded(4) == 0 ? -1 : 60600 + rng.bounded(3);
        add(at, number, rng.bounded(3) == 0 ? kOut : kIn, port);
    }
    return calls;
}

void insert(TdmCmn& dm, const QList<Call>& calls, const QList<Act>& acts)
{
    QString block;
    auto flush = [&] {
        if (!block.isEmpty())
            dm.ExecSql(QStringLiteral("EXECUTE BLOCK AS BEGIN ") + block + QStringLiteral(" END"));
        block.clear();
    };
    for (int i = 0; i < calls.size(); ++i) {
        const Call& c = calls[i];
        block += QStringLiteral("INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_TERM, TEL_MEMO, TEL_TIME, "
                                "PORT_NO) VALUES (%1, '%2', '%3', '%4', '0:00:10', '', 0, %5); ")
                     .arg(c.LogNo)
                     .arg(ts(c.At), c.TelNo, c.Kind, c.Port < 0 ? QStringLiteral("null") : QString::number(c.Port));
        if (i % 200 == 199)
            flush();
    }
    flush();
    int no = 0;
    for (const Act& a : acts) {
        auto id = [](const QString& v) { return v.isEmpty() ? QStringLiteral("null") : "'" + v + "'"; };
        block += QStringLiteral("INSERT INTO ACCEPT_T (ACT_NO, ACT_DT, TYPE_ID, RESULT_ID, LOG_NO) VALUES (%1, '%2', "
                                "%3, %4, %5); ")
                     .arg(++no)
                     .arg(ts(a.At), id(a.TypeId), id(a.ResultId), QString::number(a.LogNo));
    }
    flush();
}

bool inPeriod(const QDateTime& t, const QDate& from, const QDate& to)
{
    return t.date() >= from && t.date() <= to;
}

bool passes(const Call& c, const TChartRequest& r)
{
    if (r.Kubun == 0 && c.Kind != kIn)
        return false;
    if (r.Kubun == 1 && c.Kind != kOut)
        return false;
    return r.PortNo < 0 || c.Port == r.PortNo;
}

QString n(qint64 v)
{
    return QString::number(v);
}

// The tables recounted from the list, in the shape the charts show them.
QList<QStringList> recount(const TChartRequest& r, const QList<Call>& calls, const QList<Act>& acts,
                           const QMap<QString, QString>& typeNames, const QMap<QString, QString>& resultNames)
{
    QList<QStringList> rows;
    QList<Call> period;
    for (const Call& c : calls)
        if (inPeriod(c.At, r.DateFrom, r.DateTo) && passes(c, r))
            period << c;
    switch (r.Kind) {
    case TChartKind::Hours: {
        qint64 grid[7][24] = {};
        for (const Call& c : period)
            ++grid[c.At.date().dayOfWeek() % 7][c.At.time().hour()];
        const QStringList days = ChartData::WeekdayNames();
        qint64 byHour[24] = {}, all = 0;
        for (int d = 0; d < 7; ++d) {
            QStringList line{days[d]};
            qint64 sum = 0;
            for (int h = 0; h < 24; ++h) {
                line << n(grid[d][h]);
                sum += grid[d][h];
                byHour[h] += grid[d][h];
            }
            rows << (line << n(sum));
            all += sum;
        }
        QStringList total{QStringLiteral("計")};
        for (qint64 v : byHour)
            total << n(v);
        rows << (total << n(all));
        break;
    }
    case TChartKind::Days:
        for (QDate d = r.DateFrom; d <= r.DateTo; d = d.addDays(1)) {
            qint64 now = 0, before = 0;
            for (const Call& c : calls) {
                if (!passes(c, r))
                    continue;
                now += c.At.date() == d;
                before += c.At.date() == d.addYears(-1);
            }
            rows << QStringList{d.toString("yyyy/MM/dd"), n(now), n(before)};
        }
        break;
    case TChartKind::Months: {
        // A short period shows every month of the years held.
        const bool all = r.DateFrom.addMonths(3) > r.DateTo;
        std::map<QString, qint64> byMonth;
        QDate first(r.DateFrom.year(), r.DateFrom.month(), 1), last(r.DateTo.year(), r.DateTo.month(), 1);
        for (const Call& c : calls) {
            if (!passes(c, r) || (!all && !inPeriod(c.At, r.DateFrom, r.DateTo)))
                continue;
            ++byMonth[c.At.toString("yyyy/MM")];
            if (all) {
                first = std::min(first, QDate(c.At.date().year(), 1, 1));
                last = std::max(last, QDate(c.At.date().year(), 12, 1));
            }
        }
        for (QDate m = first; m <= last; m = m.addMonths(1))
            rows << QStringList{m.toString("yyyy/MM"), n(byMonth[m.toString("yyyy/MM")])};
        break;
    }
    case TChartKind::Lines: {
        std::map<int, std::pair<qint64, qint64>> byPort;
        for (const Call& c : period)
            (c.Kind == kIn ? byPort[c.Port].first : byPort[c.Port].second) += 1;
        for (const auto& [port, v] : byPort)
            rows << QStringList{port < 0 ? QStringLiteral("（不明）") : QStringLiteral("回線%1").arg(port),
                                port < 0 ? QString() : n(port), n(v.first), n(v.second), n(v.first + v.second)};
        break;
    }
    case TChartKind::Callers: {
        const bool weekly = r.DateFrom.addMonths(3) > r.DateTo;
        auto bucket = [&](const QDateTime& t) {
            return weekly ? QString::number(std::floor(r.DateFrom.daysTo(t.date()) / 7.0))
                          : t.toString("yyyy/MM");
        };
        std::map<QString, QDateTime> firstEver;
        for (const Call& c : calls)
            if (!c.TelNo.isEmpty() && passes(c, r) && (!firstEver.count(c.TelNo) || c.At < firstEver[c.TelNo]))
                firstEver[c.TelNo] = c.At;
        std::map<QString, std::set<QString>> callers;
        for (const Call& c : period)
            if (!c.TelNo.isEmpty())
                callers[bucket(c.At)].insert(c.TelNo);
        QList<std::pair<QString, QString>> buckets; // key, label
        if (weekly)
            for (QDate d = r.DateFrom; d <= r.DateTo; d = d.addDays(7))
                buckets << std::make_pair(bucket(d.startOfDay()), d.toString("yyyy/MM/dd"));
        else
            for (QDate d(r.DateFrom.year(), r.DateFrom.month(), 1); d <= r.DateTo; d = d.addMonths(1))
                buckets << std::make_pair(d.toString("yyyy/MM"), d.toString("yyyy/MM"));
        for (const auto& [key, label] : buckets) {
            qint64 fresh = 0;
            for (const QString& tel : callers[key])
                fresh += bucket(firstEver[tel]) == key;
            const qint64 all = qint64(callers[key].size());
            rows << QStringList{label, n(fresh), n(all - fresh), n(all)};
        }
        break;
    }
    case TChartKind::Outcomes: {
        std::map<QString, qint64> types, results;
        std::set<int> answered;
        QMap<int, const Call*> byNo;
        for (const Call& c : calls)
            byNo[c.LogNo] = &c;
        for (const Act& a : acts) {
            answered.insert(a.LogNo);
            if (!inPeriod(a.At, r.DateFrom, r.DateTo) || (r.PortNo >= 0 && byNo[a.LogNo]->Port != r.PortNo))
                continue;
            ++types[a.TypeId];
            ++results[a.ResultId];
        }
        auto name = [](const QMap<QString, QString>& names, const QString& id) {
            return id.isEmpty() ? QStringLiteral("（なし）") : names.value(id, id);
        };
        for (const auto& [id, count] : types)
            rows << QStringList{QStringLiteral("区分"), name(typeNames, id), n(count)};
        for (const auto& [id, count] : results)
            rows << QStringList{QStringLiteral("結果"), name(resultNames, id), n(count)};
        qint64 incoming = 0, with = 0;
        for (const Call& c : calls)
            if (c.Kind == kIn && inPeriod(c.At, r.DateFrom, r.DateTo) && (r.PortNo < 0 || c.Port == r.PortNo)) {
                ++incoming;
                with += answered.count(c.LogNo);
            }
        rows << QStringList{QStringLiteral("着信"), QStringLiteral("対応あり"), n(with)}
             << QStringList{QStringLiteral("着信"), QStringLiteral("対応なし"), n(incoming - with)}
             << QStringList{QStringLiteral("着信"), QStringLiteral("対応率"),
                            incoming ? QString::number(100.0 * with / incoming, 'f', 1) + "%" : QStringLiteral("-")};
        break;
    }
    }
    return rows;
}

} // namespace

class TestChartSql : public QObject
{
    Q_OBJECT
private:
    std::optional<TestEnv> FEnv;

private slots:
    void initTestCase() { FEnv.emplace(); }
    void cleanupTestCase() { FEnv.reset(); }

    void statementsEqualRecount()
    {
        TempDb db;
        const QList<Call> calls = makeCalls();
        QMap<QString, QString> typeNames, resultNames;
        for (auto [table, id, name, names] :
             {std::make_tuple("ACCEPT_TYPE", "TYPE_ID", "TYPE_NAME", &typeNames),
              std::make_tuple("ACCEPT_RESULT", "RESULT_ID", "RESULT_NAME", &resultNames)}) {
            FbQuery q(db.dm().IBDatabase1);
            q.setSql(QStringLiteral("select %1, %2 from %3").arg(id, name, table));
            for (q.open(); !q.eof(); q.next())
                names->insert(q.field(0).asString(), q.field(1).asString());
            q.close();
        }
        QVERIFY(!typeNames.isEmpty() && !resultNames.isEmpty());
        // Responses with every type and result, one without either, one whose type has left
        // the list; dated a little after their call, so some fall into the next day.
        QList<Act> acts;
        const QStringList types = typeNames.keys(), results = resultNames.keys();
        for (int i = 0; i < calls.size(); i += 7)
            acts << Act{calls[i].At.addSecs(600), types[i % types.size()], results[(i / 7) % results.size()],
                        calls[i].LogNo};
        acts << Act{calls[1].At, QString(), QString(), calls[1].LogNo}
             << Act{calls[2].At, QStringLiteral("ZZ"), results.first(), calls[2].LogNo};
        insert(db.dm(), calls, acts);

        struct Case
        {
            const char* name;
            TChartRequest request;
        };
        auto req = [](TChartKind k, QDate from, QDate to, int kubun = 2, int port = -1) {
            return TChartRequest{k, from, to, kubun, port};
        };
        const QDate leapFrom(2024, 2, 20), leapTo(2024, 3, 12);
        const QList<Case> cases{
            {"hours, all kinds, around a leap day", req(TChartKind::Hours, leapFrom, leapTo)},
            {"hours, incoming, one line, two years", req(TChartKind::Hours, {2023, 1, 1}, {2024, 12, 31}, 0, 60601)},
            {"days across the leap day with the year before", req(TChartKind::Days, leapFrom, leapTo)},
            {"days across the year's end, outgoing", req(TChartKind::Days, {2023, 12, 20}, {2024, 1, 10}, 1)},
            {"days of one day at a month's end", req(TChartKind::Days, {2024, 1, 31}, {2024, 1, 31})},
            {"months of a long period", req(TChartKind::Months, {2023, 3, 15}, {2024, 2, 29})},
            {"months of every year for a short period", req(TChartKind::Months, leapFrom, leapTo, 0)},
            {"lines, incoming", req(TChartKind::Lines, {2023, 12, 31}, {2024, 1, 1}, 0)},
            {"lines, all kinds, a year", req(TChartKind::Lines, {2023, 1, 1}, {2023, 12, 31})},
            {"callers per week", req(TChartKind::Callers, {2023, 12, 18}, {2024, 2, 29})},
            {"callers per month, incoming", req(TChartKind::Callers, {2023, 1, 1}, {2024, 12, 31}, 0)},
            {"callers per week, one line", req(TChartKind::Callers, leapFrom, leapTo, 2, 60600)},
            {"outcomes of a year", req(TChartKind::Outcomes, {2023, 1, 1}, {2023, 12, 31})},
            {"outcomes of a short period, one line", req(TChartKind::Outcomes, leapFrom, leapTo, 0, 60602)},
        };
        for (const Case& c : cases) {
            const TChartSql sql = ChartSql::Build(c.request);
            QVERIFY2(sql.Ok(), c.name);
            const ChartData data = ChartData::Load(db.dm().IBDatabase1, c.request, sql, {});
            const QList<QStringList> expected = recount(c.request, calls, acts, typeNames, resultNames);
            if (data.Rows != expected) {
                for (int i = 0; i < std::max(data.Rows.size(), expected.size()); ++i)
                    if (data.Rows.value(i) != expected.value(i))
                        qWarning() << c.name << "row" << i << data.Rows.value(i) << "expected" << expected.value(i);
            }
            QVERIFY2(data.Rows == expected, c.name);
            QVERIFY2(!data.Empty, c.name);
        }
    }

    void badRequests()
    {
        // A reversed period stops before any statement; an empty one, or one without
        // responses, gives an empty chart.
        TChartRequest r{TChartKind::Days, QDate(2024, 3, 2), QDate(2024, 3, 1), 0, -1};
        const TChartSql reversed = ChartSql::Build(r);
        QVERIFY(!reversed.Ok());
        QCOMPARE(reversed.Warning, ChartSql::ReversedPeriod());
        TempDb db;
        for (int k = 0; k < ChartSql::Names().size(); ++k) {
            const TChartRequest empty{TChartKind(k), QDate(2024, 3, 1), QDate(2024, 3, 31), 2, -1};
            const ChartData data = ChartData::Load(db.dm().IBDatabase1, empty, ChartSql::Build(empty), {});
            QVERIFY2(data.Empty, qPrintable(ChartSql::Name(TChartKind(k))));
        }
        TTotalRequest totals;
        totals.DateFrom = QDate(2024, 1, 1);
        totals.DateTo = QDate(2024, 1, 2);
        totals.PortOffered = totals.PortChecked = true;
        totals.PortText = QStringLiteral("12a");
        TChartRequest out;
        QCOMPARE(ChartSql::FromTotals(totals, out), QStringLiteral("自携帯番号(下4桁)には数値を入力してください。"));
        totals.PortText = QStringLiteral(" 60601 ");
        QCOMPARE(ChartSql::FromTotals(totals, out), QString());
        QCOMPARE(out.PortNo, 60601);
    }
};

QTEST_GUILESS_MAIN(TestChartSql)
#include "tst_chartsql.moc"
