#pragma once

#include "reports/BandReport.h"

#include <QDate>
#include <QString>

class TdmCmn;

// The calls of the numbers flagged 要注意 over a period, as a printed list beside the totals.
class CautionCalls
{
public:
    // Oldest first, with the entry's name; the memo column holds the 要注意 note.
    static QString Sql(const QDate& from, const QDate& to);
    static TReportLayout Layout();
    // Database errors propagate.
    static BandReport Run(TdmCmn& dm, const QDate& from, const QDate& to);
};
