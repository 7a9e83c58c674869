#pragma once

#include "reports/TotalsSql.h"

#include <QDate>
#include <QString>
#include <QStringList>

// The pictures of the call log the "グラフ" window and zuvaro3-report --chart draw.
enum class TChartKind { Hours, Days, Months, Lines, Callers, Outcomes };

// What a chart is asked for: the totals dialog's period, kind and own-phone filter.
struct TChartRequest
{
    TChartKind Kind = TChartKind::Hours;
    QDate DateFrom;
    QDate DateTo;
    int Kubun = 0; // 0 "着信", 1 "発信", 2 "全て"
    int PortNo = -1; // -1: every line
};

struct TChartSql
{
    QString Sql; // empty when a warning stopped the building
    QString Warning;
    // New callers are counted per week from DateFrom, or per month for a long period.
    bool Weekly = false;
    // The months chart covers every year held when the period is short.
    bool AllYears = false;
    bool Ok() const { return !Sql.isEmpty(); }
};

// One aggregate statement per chart. The period is a half-open range on DT_FROM, so the
// day index is used and a call at 23:59:59.5 still belongs to its day.
class ChartSql
{
public:
    static TChartSql Build(const TChartRequest& request);
    // The chart request of the totals dialog's period, kind and own-phone filter; the totals'
    // warning when the own-phone input is not a number, else empty.
    static QString FromTotals(const TTotalRequest& totals, TChartRequest& out);

    // The names of --chart: hours, days, months, lines, callers, outcomes.
    static QStringList Names();
    static QString Name(TChartKind kind);
    static QString Title(TChartKind kind);

    static QString ReversedPeriod() { return QStringLiteral("期間の終了日は開始日以降の日付を指定してください。"); }

    // The range condition of the days from..to on column, with nothing before "and".
    static QString Range(const QString& column, const QDate& from, const QDate& to);
    // Period longer than three months: months for the callers, the period for the months chart.
    static bool LongPeriod(const QDate& from, const QDate& to) { return from.addMonths(3) <= to; }
};
