#pragma once

#include "reports/BandReport.h"
#include "reports/TotalsSql.h"

class TdmCmn;

// The database side of the totals: builds the statement with the data module's lookups,
// fills the work table for a ranking and reads the rows of the report to print. Used by the
// totals dialog and by the command-line report tool alike.
class TotalsReport
{
public:
    explicit TotalsReport(TdmCmn& dm);

    TTotalSql GetSqlStr(const TTotalRequest& request) const;
    // Runs a statement built from request: a ranking goes through the work table, a list is
    // read as it is. Database errors propagate.
    BandReport Run(const TTotalRequest& request, const TTotalSql& sql);

    // Replaces the rows of PRINT1 with the ranking of sql (key, name, count; by count
    // descending): every row when limit <= 0, else the first limit rows and one "その他" row
    // with the sum of the rest (when above 0). An empty key is stored as a full-width space.
    // One transaction: a failure leaves the previous ranking whole.
    static void TotalTops(TdmCmn& dm, const QString& sql, int limit);
    // The one statement that copies the ranking into PRINT1 inside the database.
    static QString FillSql(const QString& sql, int limit);

private:
    TdmCmn& FDm;
};
