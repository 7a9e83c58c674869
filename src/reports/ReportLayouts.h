#pragma once

#include "reports/BandReport.h"

// The two printed layouts of the totals. item: 0 by number, 1 by customer.
namespace ReportLayouts {
// The ranking from the work table, A4 portrait: running number, key, name, count, total.
TReportLayout Print1(int item);
// The list of calls, A4 landscape.
TReportLayout Print2(int item);
QString Title(int item);
} // namespace ReportLayouts
