#include "reports/TotalsSql.h"

#include "core/Helpers.h"

#include <QStringList>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

TTotalSql stop(const QString& warning, TTotalInput focus)
{
    TTotalSql r;
    r.Warning = warning;
    r.Focus = focus;
    return r;
}

} // namespace

int TTotalRequest::Limit() const
{
    if (Item == 0)
        return TelTop ? TelNum : -1;
    return CustTop ? CustNum : -1;
}

TotalsSql::TotalsSql(Exists telExists, Exists custExists)
    : FTelExists(std::move(telExists)), FCustExists(std::move(custExists))
{
}

QString TotalsSql::ShortUsDate(const QDate& day)
{
    return day.toString(QStringLiteral("MM/dd/yy"));
}

TTotalSql TotalsSql::GetSqlStr(const TTotalRequest& r) const
{
    // Conditions on the call log and on the phone book, each a line of its own.
    QStringList logLines;
    QStringList telsLines;
    logLines << QStringLiteral("and g.DT_FROM between ") + QuotedSql(ShortUsDate(r.DateFrom)) +
                    QStringLiteral(" and ") + QuotedSql(ShortUsDate(r.DateTo) + QStringLiteral(" 23:59:59"));

    const QString topWarning = QStringLiteral("上位表示件数を１以上で設定してください。");
    if (r.Item == 0) {
        if (r.TelSingle) {
            if (r.TelNo.isEmpty())
                return stop(QStringLiteral("発着信電話番号を指定してください。"), TTotalInput::TelNo);
            if (!FTelExists(r.TelNo))
                return stop(QStringLiteral("登録されている電話番号を指定してください。"), TTotalInput::TelNo);
            logLines << QStringLiteral("and g.TEL_NO=") + QuotedSql(r.TelNo);
        } else if (r.TelNum == 0) {
            return stop(topWarning, TTotalInput::TelNum);
        }
    } else {
        if (r.CustSingle) {
            if (r.CustNo.isEmpty())
                return stop(QStringLiteral("顧客を指定してください。"), TTotalInput::CustNo);
            if (!FCustExists(r.CustNo))
                return stop(QStringLiteral("登録されている顧客を指定してください。"), TTotalInput::CustNo);
            telsLines << QStringLiteral("and t.CUST_TEL_NON=") + QuotedSql(r.CustNo);
        } else if (r.CustNum == 0) {
            return stop(topWarning, TTotalInput::CustNum);
        }
    }

    if (r.Kubun == 0)
        logLines << QStringLiteral("and g.TEL_TYPE=") + QuotedSql(QStringLiteral("着信"));
    else if (r.Kubun == 1)
        logLines << QStringLiteral("and g.TEL_TYPE=") + QuotedSql(QStringLiteral("発信"));

    if (r.PortOffered && r.PortChecked) {
        bool ok = false;
        const int port = r.PortText.trimmed().toInt(&ok);
        if (!ok)
            return stop(QStringLiteral("自携帯番号(下4桁)には数値を入力してください。"), TTotalInput::PortNo);
        logLines << QStringLiteral("and g.PORT_NO=") + QString::number(port);
    }

    auto lines = [](const QStringList& list) {
        QString text;
        for (const QString& l : list)
            text += l + kCrLf;
        return text;
    };
    // The statement as the dialog has always built it: the call-log conditions in their
    // order with the customer condition in its place among them.
    QStringList conditions = logLines;
    if (!telsLines.isEmpty())
        conditions.insert(1, telsLines.first());
    const QString from = lines({QStringLiteral("from log g, tels t"), QStringLiteral("where g.TEL_NO=t.TEL_NO")});

    TTotalSql result;
    if (!r.Ranking()) {
        result.Sql = lines({QStringLiteral("select g.*, t.CALLER")}) + from + lines(conditions) +
                     lines({QStringLiteral("order by g.LOG_NO")});
        result.RunSql = result.Sql;
        return result;
    }
    const QString key = r.Item == 0 ? QStringLiteral("t.TEL_NO") : QStringLiteral("t.CUST_TEL_NON");
    result.Sql = lines({QStringLiteral("select ") + key + QStringLiteral(", max(t.CALLER) CALLER, "),
                        QStringLiteral("count(g.TEL_NO) TOTAL")}) +
                 from + lines(conditions) +
                 lines({QStringLiteral("group by ") + key, QStringLiteral("order by count(g.LOG_NO) desc")});

    // The calls counted per number first, before the phone book is joined to the counted
    // numbers only. FIRST keeps the engine from merging the calls into the grouping: its sort
    // then carries the number alone instead of every column the conditions read, and it
    // never walks the whole number index in order.
    QStringList dayCounts{QStringLiteral("from (select TEL_NO, count(*) TOTAL from (select first 2147483647 g.TEL_NO "
                                         "from log g"),
                          QStringLiteral("where ") + logLines.first().mid(4)};
    dayCounts << logLines.mid(1);
    dayCounts << QStringLiteral(") n group by 1) c, tels t") << QStringLiteral("where c.TEL_NO=t.TEL_NO");
    dayCounts << telsLines;
    if (r.Item == 0) {
        result.RunSql = lines({QStringLiteral("select t.TEL_NO, t.CALLER, c.TOTAL")}) + lines(dayCounts) +
                        lines({QStringLiteral("order by c.TOTAL desc")});
    } else {
        // Entries without a representative number are one group, whether the key is null or
        // empty: both print as the same blank key. The numbers' rows are grouped again by
        // customer, the sort again carrying only what the result needs.
        result.RunSql = lines({QStringLiteral("select CUST_TEL_NON, max(CALLER) CALLER, sum(TOTAL) TOTAL"),
                               QStringLiteral("from (select first 2147483647 coalesce(t.CUST_TEL_NON, '') "
                                              "CUST_TEL_NON, t.CALLER, c.TOTAL")}) +
                        lines(dayCounts) + lines({QStringLiteral(") k group by 1"), QStringLiteral("order by 3 desc")});
    }
    return result;
}
