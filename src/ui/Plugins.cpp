#include "ui/Plugins.h"

#include "admin/TfrmInterface.h"
#include "admin/ui/ExternalPlugin.h"
#include "admin/ui/InstallMasters.h"
#include "calls/TfrmMain.h"
#include "calls/ui/LiveLog.h"
#include "customers/TfrmSearch.h"
#include "customers/ui/InstallCustomers.h"
#include "logs/ui/LogsPlugin.h"
#include "reports/TfrmTotal.h"
#include "reports/ui/InstallReports.h"
#include "responses/ui/InstallAcceptFrames.h"
#include "responses/ui/InstallResponsePage.h"

namespace {
// The first column of the row chosen in the search dialog, empty when none was chosen.
QString SearchFirstColumn(SearchQuery::Mode mode, QWidget* parent)
{
    TfrmSearch search(mode, parent);
    QStringList cells;
    if (search.exec() == QDialog::Accepted && search.SelectedRow(cells))
        return cells.value(0);
    return QString();
}
} // namespace

void InstallPlugins(TfrmMain& form)
{
    // One line per subsystem, in the order their menu entries appear.
    InstallMasters(form);
    InstallCustomers(form);
    InstallAcceptFrames(form);
    InstallExternal(form);
    InstallReports(form);
    InstallLogs(form);
    InstallLiveLog(form);
    InstallResponsePage(form);

    // The search dialog serves the external program master and the totals dialog.
    TfrmInterface::SetSearch([](QWidget* parent) { return SearchFirstColumn(SearchQuery::Interface, parent); });
    TfrmTotal::SetSearcher([](bool customers, QWidget* parent, QString* number) {
        *number = SearchFirstColumn(customers ? SearchQuery::Customers : SearchQuery::Tels, parent);
        return !number->isEmpty();
    });
}
