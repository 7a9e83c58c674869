#include "reports/TotalsReport.h"

#include "core/Clock.h"
#include "core/DiagLog.h"
#include "db/FbWriteScope.h"
#include "db/TdmCmn.h"
#include "reports/ReportLayouts.h"

TotalsReport::TotalsReport(TdmCmn& dm) : FDm(dm) {}

TTotalSql TotalsReport::GetSqlStr(const TTotalRequest& request) const
{
    TdmCmn& dm = FDm;
    TotalsSql builder(
        [&dm](const QString& number) {
            TTels tels;
            return dm.GetTels(number, tels);
        },
        [&dm](const QString& number) {
            QString name, kana;
            return dm.GetCustInfo(number, name, kana);
        });
    return builder.GetSqlStr(request);
}

void TotalsReport::TotalTops(TdmCmn& dm, const QString& sql, int limit)
{
    WriteTraceLog(QStringLiteral("TfrmTotal.TotalTops begin N=") + QString::number(limit));
    FbWriteScope scope(dm.IBDatabase1);
    dm.ExecSql(QStringLiteral("delete from PRINT1"));
    FbQuery& q = dm.sqlWork2;
    q.setSql(sql);
    q.open();
    auto copyRow = [&dm, &q]() {
        TPrint p;
        p.TelNo = q.field(0).asString();
        if (p.TelNo.isEmpty())
            p.TelNo = QStringLiteral("　");
        p.Caller = q.field(1).asString();
        p.Total = q.field(2).asInteger();
        dm.InsertPrint(p);
    };
    try {
        int copied = 0;
        qint64 others = 0;
        for (; !q.eof(); q.next()) {
            if (limit <= 0 || copied < limit) {
                copyRow();
                ++copied;
            } else {
                others += q.field(2).asInt64();
            }
        }
        q.close();
        if (limit > 0 && others > 0) {
            TPrint p;
            p.TelNo = QStringLiteral("-");
            p.Caller = QStringLiteral("その他");
            p.Total = qint32(others);
            dm.InsertPrint(p);
        }
    } catch (...) {
        q.release();
        throw;
    }
    scope.commit();
    WriteTraceLog(QStringLiteral("TfrmTotal.TotalTops end"));
}

BandReport TotalsReport::Run(const TTotalRequest& request, const QString& sql)
{
    FDm.sqlWork2.close();
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    if (request.Ranking()) {
        TotalTops(FDm, sql, request.Limit());
        return BandReport(ReportLayouts::Print1(request.Item), ReportRows::Load(FDm.sqlWork2, TotalsSql::RankingSql()),
                          Clock::now());
    }
    return BandReport(ReportLayouts::Print2(request.Item), ReportRows::Load(FDm.sqlWork2, sql), Clock::now());
}
