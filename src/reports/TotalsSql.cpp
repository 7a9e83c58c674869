#include "reports/TotalsSql.h"

#include "core/Helpers.h"

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
    QString sql;
    auto line = [&sql](const QString& text) { sql += text + kCrLf; };

    if (!r.Ranking()) {
        line(QStringLiteral("select g.*, t.CALLER"));
    } else if (r.Item == 0) {
        line(QStringLiteral("select t.TEL_NO, max(t.CALLER) CALLER, "));
        line(QStringLiteral("count(g.TEL_NO) TOTAL"));
    } else {
        line(QStringLiteral("select t.CUST_TEL_NON, max(t.CALLER) CALLER, "));
        line(QStringLiteral("count(g.TEL_NO) TOTAL"));
    }
    line(QStringLiteral("from log g, tels t"));
    line(QStringLiteral("where g.TEL_NO=t.TEL_NO"));
    line(QStringLiteral("and g.DT_FROM between ") + QuotedSql(ShortUsDate(r.DateFrom)) + QStringLiteral(" and ") +
         QuotedSql(ShortUsDate(r.DateTo) + QStringLiteral(" 23:59:59")));

    const QString topWarning = QStringLiteral("上位表示件数を１以上で設定してください。");
    if (r.Item == 0) {
        if (r.TelSingle) {
            if (r.TelNo.isEmpty())
                return stop(QStringLiteral("発着信電話番号を指定してください。"), TTotalInput::TelNo);
            if (!FTelExists(r.TelNo))
                return stop(QStringLiteral("登録されている電話番号を指定してください。"), TTotalInput::TelNo);
            line(QStringLiteral("and g.TEL_NO=") + QuotedSql(r.TelNo));
        } else if (r.TelNum == 0) {
            return stop(topWarning, TTotalInput::TelNum);
        }
    } else {
        if (r.CustSingle) {
            if (r.CustNo.isEmpty())
                return stop(QStringLiteral("顧客を指定してください。"), TTotalInput::CustNo);
            if (!FCustExists(r.CustNo))
                return stop(QStringLiteral("登録されている顧客を指定してください。"), TTotalInput::CustNo);
            line(QStringLiteral("and t.CUST_TEL_NON=") + QuotedSql(r.CustNo));
        } else if (r.CustNum == 0) {
            return stop(topWarning, TTotalInput::CustNum);
        }
    }

    if (r.Kubun == 0)
        line(QStringLiteral("and g.TEL_TYPE=") + QuotedSql(QStringLiteral("着信")));
    else if (r.Kubun == 1)
        line(QStringLiteral("and g.TEL_TYPE=") + QuotedSql(QStringLiteral("発信")));

    if (r.PortOffered && r.PortChecked) {
        bool ok = false;
        const int port = r.PortText.trimmed().toInt(&ok);
        if (!ok)
            return stop(QStringLiteral("自携帯番号(下4桁)には数値を入力してください。"), TTotalInput::PortNo);
        line(QStringLiteral("and g.PORT_NO=") + QString::number(port));
    }

    if (!r.Ranking()) {
        line(QStringLiteral("order by g.LOG_NO"));
    } else {
        line(r.Item == 0 ? QStringLiteral("group by t.TEL_NO") : QStringLiteral("group by t.CUST_TEL_NON"));
        line(QStringLiteral("order by count(g.LOG_NO) desc"));
    }
    TTotalSql result;
    result.Sql = sql;
    return result;
}
