#include "reports/ChartSql.h"

#include "core/Helpers.h"

namespace {

QString day(const QDate& d)
{
    return QuotedSql(d.toString(QStringLiteral("yyyy/MM/dd")));
}

// The kind and line conditions on the call log of alias, each beginning with " and".
QString filters(const TChartRequest& r, bool withKind = true, const QString& alias = QStringLiteral("g"))
{
    QString s;
    if (withKind && r.Kubun == 0)
        s += QStringLiteral(" and %1.TEL_TYPE=").arg(alias) + QuotedSql(QStringLiteral("着信"));
    else if (withKind && r.Kubun == 1)
        s += QStringLiteral(" and %1.TEL_TYPE=").arg(alias) + QuotedSql(QStringLiteral("発信"));
    if (r.PortNo >= 0)
        s += QStringLiteral(" and %1.PORT_NO=").arg(alias) + QString::number(r.PortNo);
    return s;
}

} // namespace

QStringList ChartSql::Names()
{
    return {QStringLiteral("hours"), QStringLiteral("days"),    QStringLiteral("months"),
            QStringLiteral("lines"), QStringLiteral("callers"), QStringLiteral("outcomes")};
}

QString ChartSql::Name(TChartKind kind)
{
    return Names().value(int(kind));
}

QString ChartSql::Title(TChartKind kind)
{
    switch (kind) {
    case TChartKind::Hours:
        return QStringLiteral("曜日・時間帯別の件数");
    case TChartKind::Days:
        return QStringLiteral("日別の件数");
    case TChartKind::Months:
        return QStringLiteral("月別の件数");
    case TChartKind::Lines:
        return QStringLiteral("回線別の件数");
    case TChartKind::Callers:
        return QStringLiteral("新規・リピートの発信者");
    case TChartKind::Outcomes:
        return QStringLiteral("対応の区分・結果");
    }
    return QString();
}

QString ChartSql::Range(const QString& column, const QDate& from, const QDate& to)
{
    return column + QStringLiteral(" >= ") + day(from) + QStringLiteral(" and ") + column + QStringLiteral(" < ") +
           day(to.addDays(1));
}

QString ChartSql::FromTotals(const TTotalRequest& t, TChartRequest& out)
{
    out.DateFrom = t.DateFrom;
    out.DateTo = t.DateTo;
    out.Kubun = t.Kubun;
    out.PortNo = -1;
    if (t.PortOffered && t.PortChecked) {
        bool ok = false;
        out.PortNo = t.PortText.trimmed().toInt(&ok);
        if (!ok)
            return QStringLiteral("自携帯番号(下4桁)には数値を入力してください。");
    }
    return QString();
}

TChartSql ChartSql::Build(const TChartRequest& r)
{
    TChartSql out;
    if (!r.DateFrom.isValid() || !r.DateTo.isValid() || r.DateFrom > r.DateTo) {
        out.Warning = ReversedPeriod();
        return out;
    }
    const QString range = Range(QStringLiteral("g.DT_FROM"), r.DateFrom, r.DateTo);
    const QString where = QStringLiteral(" from LOG g where ") + range + filters(r);
    switch (r.Kind) {
    case TChartKind::Hours:
        out.Sql = QStringLiteral("select extract(weekday from g.DT_FROM) WD, extract(hour from g.DT_FROM) HH, "
                                 "count(*) N") +
                  where + QStringLiteral(" group by 1, 2");
        break;
    case TChartKind::Days: {
        // The same days a year earlier in the same pass; a day of the earlier range may be
        // inside the period too when the period is longer than a year.
        const QString before = Range(QStringLiteral("g.DT_FROM"), r.DateFrom.addYears(-1), r.DateTo.addYears(-1));
        out.Sql = QStringLiteral("select extract(year from g.DT_FROM) Y, extract(month from g.DT_FROM) M, "
                                 "extract(day from g.DT_FROM) D, count(*) N from LOG g where ((") +
                  range + QStringLiteral(") or (") + before + QStringLiteral("))") + filters(r) +
                  QStringLiteral(" group by 1, 2, 3");
        break;
    }
    case TChartKind::Months:
        out.AllYears = !LongPeriod(r.DateFrom, r.DateTo);
        out.Sql = QStringLiteral("select extract(year from g.DT_FROM) Y, extract(month from g.DT_FROM) M, count(*) N "
                                 "from LOG g where ") +
                  (out.AllYears ? QStringLiteral("g.DT_FROM is not null") : range) + filters(r) +
                  QStringLiteral(" group by 1, 2");
        break;
    case TChartKind::Lines:
        out.Sql = QStringLiteral("select g.PORT_NO, g.TEL_TYPE, count(*) N") + where + QStringLiteral(" group by 1, 2");
        break;
    case TChartKind::Callers: {
        // The callers of each bucket, and the numbers whose first call ever (of the kind and
        // line asked for) is in it: their first bucket in the period, when they never called
        // before it. The look back runs once per number, on the number index ("+ 0" keeps
        // the engine off the day index there), and stops at the first earlier call.
        out.Weekly = !LongPeriod(r.DateFrom, r.DateTo);
        const QString bucket =
            out.Weekly ? QStringLiteral("cast(floor((g.DT_FROM - cast(%1 as timestamp)) / 7) as integer)")
                             .arg(day(r.DateFrom))
                       : QStringLiteral("extract(year from g.DT_FROM) * 100 + extract(month from g.DT_FROM)");
        const QString numbers = where + QStringLiteral(" and g.TEL_NO <> ''");
        out.Sql = QStringLiteral("select cast('C' as varchar(1)) K, ") + bucket +
                  QStringLiteral(" BUCKET, count(distinct g.TEL_NO) N") + numbers +
                  QStringLiteral(" group by 2 union all select 'N', f.FIRST_BUCKET, count(*) from (select g.TEL_NO, min(") +
                  bucket + QStringLiteral(") FIRST_BUCKET") + numbers +
                  QStringLiteral(" group by 1) f where not exists (select 1 from LOG x where x.TEL_NO = f.TEL_NO and "
                                 "x.DT_FROM + 0 < ") +
                  day(r.DateFrom) + filters(r, true, QStringLiteral("x")) + QStringLiteral(") group by 2");
        break;
    }
    case TChartKind::Outcomes: {
        // Responses of the period by type and by result, and the incoming calls of the
        // period with and without one.
        const QString actRange = Range(QStringLiteral("a.ACT_DT"), r.DateFrom, r.DateTo) +
                                 (r.PortNo >= 0 ? QStringLiteral(" and g.PORT_NO=") + QString::number(r.PortNo)
                                                : QString());
        auto acts = [&](const QString& master, const QString& key) {
            return QStringLiteral(" from ACCEPT_T a left join LOG g on g.LOG_NO = a.LOG_NO left join %1 t on t.%2 = "
                                  "a.%2 where ")
                       .arg(master, key) +
                   actRange + QStringLiteral(" group by 2");
        };
        const QString incoming = QStringLiteral(" from LOG g where ") + range + QStringLiteral(" and g.TEL_TYPE=") +
                                 QuotedSql(QStringLiteral("着信")) + filters(r, false);
        out.Sql = QStringLiteral("select cast('T' as varchar(1)) K, a.TYPE_ID ID, max(t.TYPE_NAME) NAME, count(*) N") +
                  acts(QStringLiteral("ACCEPT_TYPE"), QStringLiteral("TYPE_ID")) +
                  QStringLiteral(" union all select 'R', a.RESULT_ID, max(t.RESULT_NAME), count(*)") +
                  acts(QStringLiteral("ACCEPT_RESULT"), QStringLiteral("RESULT_ID")) +
                  // One pass over the incoming calls: their count in the identifier's place, the
                  // answered ones as the figure.
                  QStringLiteral(" union all select 'C', cast(count(*) as varchar(20)), null, sum(case when exists "
                                 "(select 1 from ACCEPT_T a where a.LOG_NO = g.LOG_NO) then 1 else 0 end)") +
                  incoming;
        break;
    }
    }
    return out;
}
