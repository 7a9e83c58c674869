#include "calls/CallLog.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "db/FbQuery.h"

namespace CallLog {

namespace {
// dated is the day's date as the statement compares and orders it; from and to its bounds.
QString daySql(TCallKind kind, const QString& dated, const QString& from, const QString& to, const QString& extra)
{
    QString filter;
    if (kind == TCallKind::Incoming)
        filter = QStringLiteral(" and g.TEL_TYPE = ") + QuotedSql(QStringLiteral("着信"));
    else if (kind == TCallKind::Outgoing)
        filter = QStringLiteral(" and g.TEL_TYPE = ") + QuotedSql(QStringLiteral("発信"));
    return QStringLiteral("select g.*, t.CUST_TEL_NON, t.CALLER, t.READ_NAME, a.ACT_NO from LOG g "
                          "left join TELS t on t.TEL_NO = g.TEL_NO "
                          "left join ACCEPT_T a on a.LOG_NO = g.LOG_NO "
                          "where ") +
           dated + QStringLiteral(" >= ") + from + QStringLiteral(" and ") + dated + QStringLiteral(" < ") + to +
           filter + extra + QStringLiteral(" order by ") + dated + QStringLiteral(" desc");
}

// Found through the key: on the date index the engine walked the whole day for the few new
// rows, so each call cost more as the day filled. The date as an expression keeps it off
// that index; the new rows are sorted by themselves.
const QString kNewerDate = QStringLiteral("(g.DT_FROM + 0)");
} // namespace

QString DaySql(const QDate& day, TCallKind kind)
{
    return daySql(kind, QStringLiteral("g.DT_FROM"), SqlDate(day), SqlDate(day.addDays(1)), QString());
}

QString NewerSql(const QDate& day, TCallKind kind, int afterLogNo)
{
    return daySql(kind, kNewerDate, SqlDate(day), SqlDate(day.addDays(1)),
                  QStringLiteral(" and g.LOG_NO > ") + QString::number(afterLogNo));
}

QString FormatDateTime(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("yy/MM/dd H:mm:ss")) : QString();
}

namespace {
// Runs the statement set on query (with its parameters) and reads its rows.
QList<TLogRow> loadRows(FbQuery& query, QList<QDateTime>* times)
{
    QList<TLogRow> rows;
    try {
        query.open();
        // Column positions once per query, not per row and field.
        const int dtFrom = query.fieldIndex(QStringLiteral("DT_FROM")), telNo = query.fieldIndex(QStringLiteral("TEL_NO")),
                  telType = query.fieldIndex(QStringLiteral("TEL_TYPE")), port = query.fieldIndex(QStringLiteral("PORT_NO")),
                  caller = query.fieldIndex(QStringLiteral("CALLER")), memo = query.fieldIndex(QStringLiteral("TEL_MEMO")),
                  act = query.fieldIndex(QStringLiteral("ACT_NO")), custTelNon = query.fieldIndex(QStringLiteral("CUST_TEL_NON")),
                  readName = query.fieldIndex(QStringLiteral("READ_NAME")), logNo = query.fieldIndex(QStringLiteral("LOG_NO"));
        for (int i : {dtFrom, telNo, telType, port, caller, memo, act, custTelNon, readName, logNo})
            if (i < 0)
                throw AppError(QStringLiteral("MakeLogGrid: column missing"));
        auto number = [&query](int i) {
            const FbField f = query.field(i);
            return f.isNull() ? QString() : QString::number(f.asInteger());
        };
        // Calls of the same second come newest LOG_NO first. The statement orders by time
        // alone so that the engine walks the descending day index instead of sorting the day
        // with its memos; ties arrive next to each other and are put in order here.
        QList<QDateTime> at;
        QList<int> logNos;
        while (!query.eof()) {
            TLogRow r;
            const QDateTime t = query.field(dtFrom).asDateTime();
            const FbField no = query.field(logNo);
            const int n = no.isNull() ? 0 : no.asInteger();
            qsizetype i = rows.size();
            while (i > 0 && at.at(i - 1) == t && logNos.at(i - 1) < n)
                --i;
            at.insert(i, t);
            logNos.insert(i, n);
            r.DtFrom = FormatDateTime(t);
            r.TelNo = query.field(telNo).asString();
            r.TelType = query.field(telType).asString();
            r.PortNo = number(port);
            r.Caller = query.field(caller).asString();
            r.TelMemo = query.field(memo).asString();
            r.ActNo = number(act);
            r.CustTelNon = query.field(custTelNon).asString();
            r.ReadName = query.field(readName).asString();
            r.LogNo = number(logNo);
            rows.insert(i, r);
            query.next();
        }
        if (times)
            *times = at;
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
    return rows;
}
} // namespace

QList<TLogRow> LoadDay(FbQuery& query, const QDate& day, TCallKind kind, QList<QDateTime>* times)
{
    const QString sql = DaySql(day, kind);
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    query.setSql(sql);
    return loadRows(query, times);
}

QList<TLogRow> LoadNewer(FbQuery& query, const QDate& day, TCallKind kind, int afterLogNo, QList<QDateTime>* times)
{
    // The log shows the values in the statement; they run as parameters, so that a query
    // kept prepared is prepared once, not for every call.
    WriteTraceLog(QStringLiteral("strSql=") + NewerSql(day, kind, afterLogNo));
    const QString sql = daySql(kind, kNewerDate, QStringLiteral("?"), QStringLiteral("?"),
                               QStringLiteral(" and g.LOG_NO > ?"));
    if (query.sql() != sql)
        query.setSql(sql);
    const QString format = QStringLiteral("yyyy/MM/dd");
    query.setTextParams({day.toString(format), day.addDays(1).toString(format), QString::number(afterLogNo)});
    return loadRows(query, times);
}

} // namespace CallLog
