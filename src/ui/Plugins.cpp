#include "ui/Plugins.h"

#include "admin/ui/ExternalPlugin.h"
#include "calls/TfrmMain.h"

void InstallPlugins(TfrmMain& form)
{
    // One line per subsystem, e.g. InstallCustomers(form);
    InstallExternal(form);
}
