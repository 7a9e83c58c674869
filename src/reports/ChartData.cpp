#include "reports/ChartData.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "db/FbQuery.h"
#include "devices/DeviceSettings.h"
#include "logs/CsvTableWriter.h"

#include <QMap>

#include <algorithm>
#include <map>

namespace {

const QString kDay = QStringLiteral("yyyy/MM/dd");

QString count(double n)
{
    return QString::number(qint64(n));
}

QString monthLabel(int key)
{
    return QStringLiteral("%1/%2").arg(key / 100).arg(key % 100, 2, 10, QLatin1Char('0'));
}

int monthKey(const QDate& d)
{
    return d.year() * 100 + d.month();
}

int nextMonth(int key)
{
    return key % 100 == 12 ? (key / 100 + 1) * 100 + 1 : key + 1;
}

// Rows of the statement as (group values, count); the count is the last column.
struct Row
{
    QList<QVariant> Keys;
    double N = 0;
};

QList<Row> run(FbDatabase& db, const QString& sql)
{
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    FbQuery q(db);
    q.setSql(sql);
    q.open();
    QList<Row> rows;
    const int n = q.fieldCount();
    for (; !q.eof(); q.next()) {
        Row r;
        for (int i = 0; i < n - 1; ++i) {
            const FbField f = q.field(i);
            r.Keys << (f.isNull() ? QVariant() : QVariant(f.asString()));
        }
        r.N = q.field(n - 1).asDouble();
        rows << r;
    }
    q.close();
    return rows;
}

void hours(ChartData& c, const QList<Row>& rows)
{
    double grid[7][24] = {};
    for (const Row& r : rows)
        grid[r.Keys[0].toInt() % 7][r.Keys[1].toInt() % 24] += r.N;
    TChartPanel g{TChartPanelKind::Grid, QStringLiteral("曜日×時間帯"), QStringLiteral("時"), QStringLiteral("曜日"),
                  {}, {}};
    TChartPanel bars{TChartPanelKind::Bars, QStringLiteral("時間帯別"), QStringLiteral("時"), QStringLiteral("件数"),
                     {}, {{QStringLiteral("件数"), {}}}};
    for (int h = 0; h < 24; ++h) {
        g.Categories << QString::number(h);
        bars.Categories << QString::number(h);
        double sum = 0;
        for (int d = 0; d < 7; ++d)
            sum += grid[d][h];
        bars.Series[0].Values << sum;
    }
    c.Captions << QStringLiteral("曜日");
    for (int h = 0; h < 24; ++h)
        c.Captions << QStringLiteral("%1時").arg(h);
    c.Captions << QStringLiteral("計");
    const QStringList days = ChartData::WeekdayNames();
    for (int d = 0; d < 7; ++d) {
        TChartSeries s{days[d], {}};
        QStringList line{days[d]};
        double sum = 0;
        for (int h = 0; h < 24; ++h) {
            s.Values << grid[d][h];
            line << count(grid[d][h]);
            sum += grid[d][h];
        }
        g.Series << s;
        c.Rows << (line << count(sum));
    }
    QStringList total{QStringLiteral("計")};
    double all = 0;
    for (double v : bars.Series[0].Values) {
        total << count(v);
        all += v;
    }
    c.Rows << (total << count(all));
    c.Panels << g << bars;
    c.Empty = all == 0;
}

void days(ChartData& c, const TChartRequest& r, const QList<Row>& rows)
{
    QMap<QDate, double> byDay;
    for (const Row& row : rows)
        byDay[QDate(row.Keys[0].toInt(), row.Keys[1].toInt(), row.Keys[2].toInt())] += row.N;
    TChartPanel p{TChartPanelKind::Lines, QString(), QStringLiteral("日"), QStringLiteral("件数"), {}, {}};
    TChartSeries now{QStringLiteral("件数"), {}};
    TChartSeries before{QStringLiteral("前年同日"), {}};
    double sum = 0, sumBefore = 0;
    c.Captions = QStringList{QStringLiteral("日付"), QStringLiteral("件数"), QStringLiteral("前年同日")};
    for (QDate d = r.DateFrom; d <= r.DateTo; d = d.addDays(1)) {
        // A leap day compares with 28 February of the year before.
        const double n = byDay.value(d), b = byDay.value(d.addYears(-1));
        p.Categories << d.toString(QStringLiteral("MM/dd"));
        now.Values << n;
        before.Values << b;
        sum += n;
        sumBefore += b;
        c.Rows << QStringList{d.toString(kDay), count(n), count(b)};
    }
    p.Series << now;
    if (sumBefore > 0)
        p.Series << before;
    c.Panels << p;
    c.Empty = sum == 0;
}

void months(ChartData& c, const TChartRequest& r, const TChartSql& sql, const QList<Row>& rows)
{
    QMap<int, double> byMonth;
    for (const Row& row : rows)
        byMonth[row.Keys[0].toInt() * 100 + row.Keys[1].toInt()] += row.N;
    int first = monthKey(r.DateFrom), last = monthKey(r.DateTo);
    if (sql.AllYears && !byMonth.isEmpty()) {
        first = std::min(first, byMonth.firstKey() / 100 * 100 + 1);
        last = std::max(last, byMonth.lastKey() / 100 * 100 + 12);
    }
    TChartPanel p{TChartPanelKind::Bars, QString(), QStringLiteral("月"), QStringLiteral("件数"),
                  {}, {{QStringLiteral("件数"), {}}}};
    c.Captions = QStringList{QStringLiteral("月"), QStringLiteral("件数")};
    double sum = 0;
    for (int m = first; m <= last; m = nextMonth(m)) {
        const double n = byMonth.value(m);
        p.Categories << monthLabel(m);
        p.Series[0].Values << n;
        c.Rows << QStringList{monthLabel(m), count(n)};
        sum += n;
    }
    c.Panels << p;
    c.Empty = sum == 0;
}

void lines(ChartData& c, const QList<Row>& rows, const QMap<int, QString>& names)
{
    const QStringList kinds{QStringLiteral("着信"), QStringLiteral("発信")};
    // Calls without a line number sort first, under -1.
    QMap<int, QList<double>> byPort;
    for (const Row& row : rows) {
        const int port = row.Keys[0].isNull() ? -1 : row.Keys[0].toInt();
        QList<double>& v = byPort[port];
        v.resize(3);
        const qsizetype k = kinds.indexOf(row.Keys[1].toString());
        v[k < 0 ? 2 : k] += row.N;
    }
    TChartPanel p{TChartPanelKind::Bars, QString(), QStringLiteral("回線"), QStringLiteral("件数"), {}, {}};
    c.Captions = QStringList{QStringLiteral("回線"), QStringLiteral("ポート番号"), kinds[0], kinds[1],
                             QStringLiteral("計")};
    TChartSeries in{kinds[0], {}}, out{kinds[1], {}};
    double all = 0;
    for (auto it = byPort.cbegin(); it != byPort.cend(); ++it) {
        const QString name = it.key() < 0 ? QStringLiteral("（不明）")
                                          : names.value(it.key(), QStringLiteral("回線%1").arg(it.key()));
        const double sum = it.value()[0] + it.value()[1] + it.value()[2];
        p.Categories << name;
        in.Values << it.value()[0];
        out.Values << it.value()[1];
        c.Rows << QStringList{name, it.key() < 0 ? QString() : QString::number(it.key()), count(it.value()[0]),
                              count(it.value()[1]), count(sum)};
        all += sum;
    }
    p.Series << in << out;
    c.Panels << p;
    c.Empty = all == 0;
}

void callers(ChartData& c, const TChartRequest& r, const TChartSql& sql, const QList<Row>& rows)
{
    QMap<int, QPair<double, double>> byBucket; // callers, new callers
    for (const Row& row : rows) {
        auto& v = byBucket[row.Keys[1].toInt()];
        (row.Keys[0].toString() == QLatin1String("C") ? v.first : v.second) = row.N;
    }
    QList<QPair<int, QString>> buckets;
    if (sql.Weekly) {
        for (int w = 0; r.DateFrom.addDays(7 * w) <= r.DateTo; ++w)
            buckets << qMakePair(w, r.DateFrom.addDays(7 * w).toString(kDay));
    } else {
        for (int m = monthKey(r.DateFrom); m <= monthKey(r.DateTo); m = nextMonth(m))
            buckets << qMakePair(m, monthLabel(m));
    }
    TChartPanel p{TChartPanelKind::StackedBars, QString(), sql.Weekly ? QStringLiteral("週（開始日）") : QStringLiteral("月"),
                  QStringLiteral("発信者数"), {}, {}};
    TChartSeries fresh{QStringLiteral("新規"), {}}, again{QStringLiteral("リピート"), {}};
    c.Captions = QStringList{sql.Weekly ? QStringLiteral("週") : QStringLiteral("月"), QStringLiteral("新規"),
                             QStringLiteral("リピート"), QStringLiteral("発信者計")};
    double all = 0;
    for (const auto& b : buckets) {
        const auto v = byBucket.value(b.first);
        p.Categories << b.second;
        fresh.Values << v.second;
        again.Values << v.first - v.second;
        c.Rows << QStringList{b.second, count(v.second), count(v.first - v.second), count(v.first)};
        all += v.first;
    }
    p.Series << fresh << again;
    c.Panels << p;
    c.Empty = all == 0;
}

void outcomes(ChartData& c, const QList<Row>& rows)
{
    TChartPanel types{TChartPanelKind::Pie, QStringLiteral("対応区分"), {}, {}, {}, {{QStringLiteral("件数"), {}}}};
    TChartPanel results{TChartPanelKind::Pie, QStringLiteral("対応結果"), {}, {}, {}, {{QStringLiteral("件数"), {}}}};
    double incoming = 0, answered = 0, acts = 0;
    c.Captions = QStringList{QStringLiteral("項目"), QStringLiteral("名称"), QStringLiteral("件数")};
    // Per type and per result by identifier, a missing one first.
    std::map<QString, std::pair<QString, double>> typeRows, resultRows;
    for (const Row& row : rows) {
        const QString k = row.Keys[0].toString();
        // A response without a type or result, or with one no longer in its list.
        QString name = row.Keys[2].toString();
        if (name.isEmpty())
            name = row.Keys[1].toString().isEmpty() ? QStringLiteral("（なし）") : row.Keys[1].toString();
        if (k == QLatin1String("T")) {
            typeRows[row.Keys[1].toString()] = {name, row.N};
            acts += row.N;
        } else if (k == QLatin1String("R")) {
            resultRows[row.Keys[1].toString()] = {name, row.N};
        } else {
            incoming = row.Keys[1].toDouble();
            answered = row.N;
        }
    }
    for (const auto& [id, v] : typeRows) {
        types.Categories << v.first;
        types.Series[0].Values << v.second;
        c.Rows << QStringList{QStringLiteral("区分"), v.first, count(v.second)};
    }
    for (const auto& [id, v] : resultRows) {
        results.Categories << v.first;
        results.Series[0].Values << v.second;
        c.Rows << QStringList{QStringLiteral("結果"), v.first, count(v.second)};
    }
    TChartPanel share{TChartPanelKind::Pie, QStringLiteral("着信への対応"), {}, {},
                      {QStringLiteral("対応あり"), QStringLiteral("対応なし")},
                      {{QStringLiteral("件数"), {answered, incoming - answered}}}};
    c.Rows << QStringList{QStringLiteral("着信"), QStringLiteral("対応あり"), count(answered)}
           << QStringList{QStringLiteral("着信"), QStringLiteral("対応なし"), count(incoming - answered)}
           << QStringList{QStringLiteral("着信"), QStringLiteral("対応率"),
                          incoming > 0 ? QString::number(100.0 * answered / incoming, 'f', 1) + QStringLiteral("%")
                                       : QStringLiteral("-")};
    c.Panels << types << results << share;
    c.Empty = acts == 0 && incoming == 0;
}

} // namespace

QStringList ChartData::WeekdayNames()
{
    return {QStringLiteral("日"), QStringLiteral("月"), QStringLiteral("火"), QStringLiteral("水"),
            QStringLiteral("木"), QStringLiteral("金"), QStringLiteral("土")};
}

QMap<int, QString> ChartData::PortNames()
{
    QMap<int, QString> names;
    for (const TDeviceSetting& d : DeviceSettings::Load())
        if (d.PortNo >= 0 && !d.DispName.isEmpty())
            names.insert(d.PortNo, d.DispName);
    return names;
}

ChartData ChartData::Load(FbDatabase& db, const TChartRequest& r, const TChartSql& sql,
                          const QMap<int, QString>& portNames)
{
    ChartData c;
    c.Kind = r.Kind;
    c.Title = ChartSql::Title(r.Kind);
    const QStringList kinds{QStringLiteral("着信"), QStringLiteral("発信"), QStringLiteral("全て")};
    c.Period = r.DateFrom.toString(kDay) + QStringLiteral("～") + r.DateTo.toString(kDay) + QStringLiteral("　") +
               kinds.value(r.Kubun);
    if (r.PortNo >= 0)
        c.Period += QStringLiteral("　") + portNames.value(r.PortNo, QStringLiteral("回線%1").arg(r.PortNo));
    if (r.Kind == TChartKind::Months && sql.AllYears)
        c.Period += QStringLiteral("（全期間の月別）");
    const QList<Row> rows = run(db, sql.Sql);
    switch (r.Kind) {
    case TChartKind::Hours:
        hours(c, rows);
        break;
    case TChartKind::Days:
        days(c, r, rows);
        break;
    case TChartKind::Months:
        months(c, r, sql, rows);
        break;
    case TChartKind::Lines:
        lines(c, rows, portNames);
        break;
    case TChartKind::Callers:
        callers(c, r, sql, rows);
        break;
    case TChartKind::Outcomes:
        outcomes(c, rows);
        break;
    }
    return c;
}

bool ChartData::WriteCsv(const QString& path) const
{
    ExportLayout layout;
    layout.title = Title;
    layout.captions = Captions;
    CsvTableWriter w(false);
    try {
        w.begin(path, layout);
        for (const QStringList& row : Rows) {
            QVariantList values;
            for (const QString& v : row)
                values << v;
            w.addRow(values);
        }
        w.finish();
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("ChartData.WriteCsv ") + e.message());
        return false;
    }
    return true;
}
