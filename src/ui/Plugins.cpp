#include "ui/Plugins.h"

#include "calls/TfrmMain.h"
#include "customers/ui/InstallCustomers.h"

void InstallPlugins(TfrmMain& form)
{
    // One line per subsystem.
    InstallCustomers(form);
}
