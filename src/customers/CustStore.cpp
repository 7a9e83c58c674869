#include "customers/CustStore.h"

#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "customers/CustRules.h"
#include "db/QueryGuard.h"
#include "db/TdmCmn.h"

namespace {
void logSql(const QString& sql)
{
    WriteTraceLog(QStringLiteral("strSql=") + sql);
}
} // namespace

QString CustStore::KeyOf(const QString& number)
{
    TTels tels;
    if (FDm.GetTels(number, tels))
        return tels.CustTelNon;
    return number;
}

bool CustStore::Load(const QString& key, TCust& cust, QImage* picture)
{
    if (key.isEmpty() || !FDm.GetCustData(key, cust))
        return false;
    if (picture)
        FDm.LoadImage(QStringLiteral("CUSTOMER"), QStringLiteral("AVATER"), QStringLiteral("CUST_NO"),
                      QString::number(cust.CustNo), *picture);
    return true;
}

CustStore::SaveOutcome CustStore::Save(const TCust& cust, const QImage& picture)
{
    SaveOutcome out;
    out.CustNo = cust.CustNo;
    if (cust.CustNo == -1) {
        if (FDm.ExistsKey(QStringLiteral("CUSTOMER"), QStringLiteral("CUST_TEL_NON"), QuotedSql(cust.CustTelNon))) {
            out.Result = SaveResult::Duplicate;
            return out;
        }
        out.CustNo = FDm.InsertCustData(cust);
    } else {
        // A changed representative number must not be one another customer holds: the key
        // would then reach only one of the two.
        TCust holder;
        if (FDm.GetCustData(cust.CustTelNon, holder) && holder.CustNo != cust.CustNo) {
            out.Result = SaveResult::Duplicate;
            return out;
        }
        FDm.UpdateCustData(cust);
    }
    // Only a picture the user loaded is stored: the placeholder is not the customer's.
    if (!picture.isNull())
        FDm.SaveImage(QStringLiteral("CUSTOMER"), QStringLiteral("AVATER"), QStringLiteral("CUST_NO"),
                      QString::number(out.CustNo), CustRules::ScaleForStore(picture));
    TTels tels;
    if (FDm.GetTels(cust.CustTelNon, tels) && tels.Caller != cust.CustName) {
        FDm.UpdateTels(TTels{cust.CustTelNon, cust.CustTelNon, cust.CustName, cust.CustKana});
        out.TelsChanged = true;
    }
    return out;
}

void CustStore::Delete(qint32 custNo)
{
    FDm.DeleteByKey(QStringLiteral("CUSTOMER"), QStringLiteral("CUST_NO"), QString::number(custNo));
    FDm.DeleteByKey(QStringLiteral("ACCEPT_T"), QStringLiteral("CUST_NO"), QString::number(custNo));
}

QString CustStore::TelsSql(const QString& key)
{
    // Every column: the 要注意 ones exist only once the schema upgrade has run.
    return QStringLiteral("select * from TELS where CUST_TEL_NON = ") + QuotedSql(key) +
           QStringLiteral(" order by TEL_NO");
}

QString CustStore::LogSql(const QString& key)
{
    return QStringLiteral("select g2.*, a.ACT_NO from ( select g.*, t.CUST_TEL_NON, t.CALLER, t.READ_NAME from TELS t, "
                          "LOG g where g.TEL_NO = t.TEL_NO and t.CUST_TEL_NON = ") +
           QuotedSql(key) + QStringLiteral(" ) g2") + QStringLiteral(" left join ACCEPT_T a on a.LOG_NO = g2.LOG_NO") +
           QStringLiteral(" order by g2.DT_FROM desc");
}

QString CustStore::AcceptSql(qint32 custNo)
{
    return QStringLiteral("select a.*, u.USERNM, t.TYPE_NAME, r.RESULT_NAME from ACCEPT_T a  left join USER_M u on "
                          "u.USERID = a.USERID  left join ACCEPT_TYPE t on t.TYPE_ID = a.TYPE_ID  left join "
                          "ACCEPT_RESULT r on r.RESULT_ID = a.RESULT_ID  where a.CUST_NO = ") +
           QString::number(custNo) + QStringLiteral(" order by a.ACT_DT desc");
}

QList<QStringList> CustStore::TelsRows(const QString& key)
{
    QList<QStringList> rows;
    if (key.isEmpty())
        return rows;
    const QString sql = TelsSql(key);
    logSql(sql);
    FbQuery& q = FDm.sqlWork2;
    QueryGuard guard(q);
    q.setSql(sql);
    q.open();
    const int caution = q.fieldIndex(QStringLiteral("CAUTION"));
    const int note = q.fieldIndex(QStringLiteral("CAUTION_NOTE"));
    for (; !q.eof(); q.next()) {
        auto s = [&q](const char* name) { return q.fieldByName(QLatin1String(name)).asString(); };
        rows << QStringList{s("TEL_NO"), s("CALLER"), s("READ_NAME"),
                            caution >= 0 && q.field(caution).asString() == QLatin1String("1") ? QStringLiteral("1")
                                                                                              : QString(),
                            note >= 0 ? q.field(note).asString() : QString()};
    }
    q.close();
    return rows;
}

QList<TLogRow> CustStore::LogRows(const QString& key)
{
    QList<TLogRow> rows;
    if (key.isEmpty())
        return rows;
    const QString sql = LogSql(key);
    logSql(sql);
    FbQuery& q = FDm.sqlWork2;
    QueryGuard guard(q);
    q.setSql(sql);
    q.open();
    auto col = [&q](const char* name) { return q.fieldIndex(QLatin1String(name)); };
    const int dtFrom = col("DT_FROM"), telNo = col("TEL_NO"), telType = col("TEL_TYPE"), port = col("PORT_NO"),
              caller = col("CALLER"), memo = col("TEL_MEMO"), act = col("ACT_NO"), key2 = col("CUST_TEL_NON"),
              read = col("READ_NAME"), logNo = col("LOG_NO");
    for (; !q.eof(); q.next()) {
        TLogRow r;
        r.DtFrom = CallLog::FormatDateTime(q.field(dtFrom).asDateTime());
        r.TelNo = q.field(telNo).asString();
        r.TelType = q.field(telType).asString();
        r.PortNo = q.field(port).asString();
        r.Caller = q.field(caller).asString();
        r.TelMemo = q.field(memo).asString();
        r.ActNo = q.field(act).asString();
        r.CustTelNon = q.field(key2).asString();
        r.ReadName = q.field(read).asString();
        r.LogNo = q.field(logNo).asString();
        rows << r;
    }
    q.close();
    return rows;
}

QList<QStringList> CustStore::AcceptRows(qint32 custNo)
{
    QList<QStringList> rows;
    if (custNo == -1)
        return rows;
    const QString sql = AcceptSql(custNo);
    logSql(sql);
    FbQuery& q = FDm.sqlWork2;
    QueryGuard guard(q);
    q.setSql(sql);
    for (q.open(); !q.eof(); q.next()) {
        auto s = [&q](const char* name) { return q.fieldByName(QLatin1String(name)).asString(); };
        const QDateTime at = q.fieldByName(QStringLiteral("ACT_DT")).asDateTime();
        rows << QStringList{at.isValid() ? at.toString(QStringLiteral("yyyy/MM/dd HH:mm")) : QString(),
                            s("TITLE"), s("TYPE_NAME"), s("RESULT_NAME"), s("USERNM"), s("ACT_NO"), QString(),
                            s("CONTENT")};
    }
    q.close();
    return rows;
}
