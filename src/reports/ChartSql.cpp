#include "reports/ChartSql.h"

#include "core/Helpers.h"

namespace {

QString day(const QDate& d)
{
    return QuotedSql(d.toString(QStringLiteral("yyyy/MM/dd")));
}

// The kind and line conditions, each beginning with " and".
QString filters(const TChartRequest& r, bool withKind = true)
{
    QString s;
    if (withKind && r.Kubun == 0)
        s += QStringLiteral(" and g.TEL_TYPE=") + QuotedSql(QStringLiteral("着信"));
    else if (withKind && r.Kubun == 1)
        s += QStringLiteral(" and g.TEL_TYPE=") + QuotedSql(QStringLiteral("発信"));
    if (r.PortNo >= 0)
        s += QStringLiteral(" and g.PORT_NO=") + QString::number(r.PortNo);
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
        // Each number once per bucket; it is new in the bucket that holds its first call in
        // the whole log. FIRST keeps the engine from merging the derived tables, which would
        // look the first call up once per reference instead of once per number and bucket.
        out.Weekly = !LongPeriod(r.DateFrom, r.DateTo);
        auto bucket = [&](const QString& column) {
            return out.Weekly ? QStringLiteral("cast(floor((%1 - cast(%2 as timestamp)) / 7) as integer)")
                                    .arg(column, day(r.DateFrom))
                              : QStringLiteral("extract(year from %1) * 100 + extract(month from %1)").arg(column);
        };
        out.Sql = QStringLiteral("select c.BUCKET, count(*) CALLERS, sum(case when ") + bucket(QStringLiteral("c.FIRST_EVER")) +
                  QStringLiteral(" = c.BUCKET then 1 else 0 end) NEW_CALLERS from (select first 2147483647 b.TEL_NO, "
                                 "b.BUCKET, (select min(x.DT_FROM) from LOG x where x.TEL_NO = b.TEL_NO) FIRST_EVER "
                                 "from (select g.TEL_NO, ") +
                  bucket(QStringLiteral("g.DT_FROM")) + QStringLiteral(" BUCKET") + where +
                  QStringLiteral(" and g.TEL_NO <> '' group by 1, 2) b) c group by 1");
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
                  QStringLiteral(" union all select 'C', null, null, count(*)") + incoming +
                  QStringLiteral(" union all select 'A', null, null, count(*)") + incoming +
                  QStringLiteral(" and exists (select 1 from ACCEPT_T a where a.LOG_NO = g.LOG_NO)");
        break;
    }
    }
    return out;
}
