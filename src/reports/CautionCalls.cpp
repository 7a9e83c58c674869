#include "reports/CautionCalls.h"

#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "db/TdmCmn.h"
#include "reports/ReportLayouts.h"
#include "reports/ReportRows.h"
#include "reports/TotalsSql.h"

namespace {
const QString kTitle = QStringLiteral("要注意の発着信");
}

QString CautionCalls::Sql(const QDate& from, const QDate& to)
{
    return QStringLiteral("select g.DT_FROM, g.TEL_NO, t.CALLER, g.TEL_TYPE, g.PORT_NO, t.CAUTION_NOTE as TEL_MEMO "
                          "from LOG g, TELS t where t.TEL_NO = g.TEL_NO and t.CAUTION = '1' and g.DT_FROM between ") +
           QuotedSql(TotalsSql::ShortUsDate(from)) + QStringLiteral(" and ") +
           QuotedSql(TotalsSql::ShortUsDate(to) + QStringLiteral(" 23:59:59")) +
           QStringLiteral(" order by g.DT_FROM, g.LOG_NO");
}

TReportLayout CautionCalls::Layout()
{
    // The list of calls of the totals, under a title of its own.
    TReportLayout l = ReportLayouts::Print2(0);
    l.JobTitle = kTitle;
    for (TReportBand& band : l.Bands)
        if (band.Kind == TBandKind::PageHeader && !band.Elements.isEmpty())
            band.Elements.first().Text = kTitle;
    return l;
}

BandReport CautionCalls::Run(TdmCmn& dm, const QDate& from, const QDate& to)
{
    const QString sql = Sql(from, to);
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    dm.sqlWork2.close();
    return BandReport(Layout(), ReportRows::Load(dm.sqlWork2, sql), Clock::now());
}
