#include "ui/Plugins.h"

#include "calls/TfrmMain.h"
#include "reports/ui/InstallReports.h"

void InstallPlugins(TfrmMain& form)
{
    // One line per subsystem, e.g. InstallCustomers(form);
    InstallReports(form);
}
