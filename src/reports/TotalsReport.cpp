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

QString TotalsReport::FillSql(const QString& sql, int limit)
{
    // Copied inside the database in one statement: a ranking of 100,000 numbers would
    // otherwise cost 100,000 statements from here. Without a limit the rows go in as one set.
    if (limit <= 0)
        return QStringLiteral("EXECUTE BLOCK AS\r\n"
                              "BEGIN\r\n"
                              "INSERT INTO PRINT1 (TEL_NO, CALLER, TOTAL)\r\n"
                              "SELECT iif(coalesce(char_length(R.K), 0) = 0, '　', R.K), R.C, R.N FROM (\r\n") +
               sql +
               QStringLiteral(") R (K, C, N);\r\n"
                              "END");
    const QString n = QString::number(limit);
    return QStringLiteral("EXECUTE BLOCK AS\r\n"
                          "DECLARE K VARCHAR(100);\r\n"
                          "DECLARE C VARCHAR(200);\r\n"
                          "DECLARE N INTEGER;\r\n"
                          "DECLARE I INTEGER = 0;\r\n"
                          "DECLARE R INTEGER = 0;\r\n"
                          "BEGIN\r\n"
                          "FOR ") +
           sql +
           QStringLiteral("INTO :K, :C, :N DO\r\n"
                          "BEGIN\r\n"
                          "IF (I < %1) THEN\r\n"
                          "BEGIN\r\n"
                          "IF (K IS NULL OR CHAR_LENGTH(K) = 0) THEN K = '　';\r\n"
                          "INSERT INTO PRINT1 (TEL_NO, CALLER, TOTAL) VALUES (:K, :C, :N);\r\n"
                          "I = I + 1;\r\n"
                          "END\r\n"
                          "ELSE R = R + N;\r\n"
                          "END\r\n"
                          "IF (R > 0) THEN\r\n"
                          "INSERT INTO PRINT1 (TEL_NO, CALLER, TOTAL) VALUES ('-', 'その他', :R);\r\n"
                          "END")
               .arg(n);
}

void TotalsReport::TotalTops(TdmCmn& dm, const QString& sql, int limit)
{
    WriteTraceLog(QStringLiteral("TfrmTotal.TotalTops begin N=") + QString::number(limit));
    const QString fill = FillSql(sql, limit);
    WriteTraceLog(QStringLiteral("strSql=") + fill);
    FbWriteScope scope(dm.IBDatabase1);
    dm.ExecSql(QStringLiteral("delete from PRINT1"));
    dm.ExecSql(fill);
    scope.commit();
    WriteTraceLog(QStringLiteral("TfrmTotal.TotalTops end"));
}

BandReport TotalsReport::Run(const TTotalRequest& request, const TTotalSql& sql)
{
    FDm.sqlWork2.close();
    WriteTraceLog(QStringLiteral("strSql=") + sql.Sql);
    if (request.Ranking()) {
        TotalTops(FDm, sql.RunSql, request.Limit());
        return BandReport(ReportLayouts::Print1(request.Item), ReportRows::Load(FDm.sqlWork2, TotalsSql::RankingSql()),
                          Clock::now());
    }
    return BandReport(ReportLayouts::Print2(request.Item), ReportRows::Load(FDm.sqlWork2, sql.RunSql), Clock::now());
}
