#include "ui/Plugins.h"

#include "admin/ui/ExternalPlugin.h"
#include "admin/ui/InstallMasters.h"
#include "calls/TfrmMain.h"
#include "calls/ui/LiveLog.h"
#include "customers/ui/InstallCustomers.h"
#include "logs/ui/LogsPlugin.h"

void InstallPlugins(TfrmMain& form)
{
    // One line per subsystem, in the order their menu entries appear.
    InstallMasters(form);
    InstallCustomers(form);
    InstallExternal(form);
    InstallLogs(form);
    InstallLiveLog(form);
}
