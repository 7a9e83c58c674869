#include "calls/CallLog.h"

#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "db/FbQuery.h"

namespace CallLog {

QString DaySql(const QDate& day, TCallKind kind)
{
    QString filter;
    if (kind == TCallKind::Incoming)
        filter = QStringLiteral(" and g.TEL_TYPE = ") + QuotedSql(QStringLiteral("着信"));
    else if (kind == TCallKind::Outgoing)
        filter = QStringLiteral(" and g.TEL_TYPE = ") + QuotedSql(QStringLiteral("発信"));
    return QStringLiteral("select g.*, t.CUST_TEL_NON, t.CALLER, t.READ_NAME, a.ACT_NO from LOG g "
                          "left join TELS t on t.TEL_NO = g.TEL_NO "
                          "left join ACCEPT_T a on a.LOG_NO = g.LOG_NO "
                          "where g.DT_FROM >= ") +
           SqlDate(day) + QStringLiteral(" and g.DT_FROM < ") + SqlDate(day.addDays(1)) + filter +
           QStringLiteral(" order by g.DT_FROM desc");
}

QString FormatDateTime(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("yy/MM/dd H:mm:ss")) : QString();
}

QList<TLogRow> LoadDay(FbQuery& query, const QDate& day, TCallKind kind)
{
    const QString sql = DaySql(day, kind);
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    QList<TLogRow> rows;
    query.setSql(sql);
    try {
        query.open();
        while (!query.eof()) {
            TLogRow r;
            r.DtFrom = FormatDateTime(query.fieldByName(QStringLiteral("DT_FROM")).asDateTime());
            r.TelNo = query.fieldByName(QStringLiteral("TEL_NO")).asString();
            r.TelType = query.fieldByName(QStringLiteral("TEL_TYPE")).asString();
            const auto port = query.fieldByName(QStringLiteral("PORT_NO"));
            r.PortNo = port.isNull() ? QString() : QString::number(port.asInteger());
            r.Caller = query.fieldByName(QStringLiteral("CALLER")).asString();
            r.TelMemo = query.fieldByName(QStringLiteral("TEL_MEMO")).asString();
            const auto act = query.fieldByName(QStringLiteral("ACT_NO"));
            r.ActNo = act.isNull() ? QString() : QString::number(act.asInteger());
            r.CustTelNon = query.fieldByName(QStringLiteral("CUST_TEL_NON")).asString();
            r.ReadName = query.fieldByName(QStringLiteral("READ_NAME")).asString();
            r.LogNo = QString::number(query.fieldByName(QStringLiteral("LOG_NO")).asInteger());
            rows.append(r);
            query.next();
        }
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
    return rows;
}

} // namespace CallLog
