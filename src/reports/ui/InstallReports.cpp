#include "reports/ui/InstallReports.h"

#include "calls/TfrmMain.h"
#include "db/TdmCmn.h"
#include "reports/TfrmTotal.h"
#include "calls/ui/CallLogGrid.h"

#include <QDateEdit>
#include <QTableWidget>

void InstallReports(TfrmMain& form)
{
    form.PlugButton("btnTotal", [&form] {
        if (!dmCmn)
            return;
        // The own-phone filter goes with the call log's port column (column 3).
        const bool portShown = form.sgdLog && !form.sgdLog->isColumnHidden(3);
        TfrmTotal dialog(*dmCmn, portShown, &form);
        const QDate day = form.DateTimePicker1 ? form.DateTimePicker1->date() : QDate::currentDate();
        dialog.SetPeriod(day, day);
        dialog.exec();
    });
}
