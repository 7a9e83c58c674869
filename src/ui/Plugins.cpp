#include "ui/Plugins.h"

#include "calls/TfrmMain.h"
#include "logs/ui/LogsPlugin.h"

void InstallPlugins(TfrmMain& form)
{
    // One line per subsystem, e.g. InstallCustomers(form);
    InstallLogs(form);
}
