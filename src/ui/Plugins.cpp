#include "ui/Plugins.h"

#include "calls/TfrmMain.h"

void InstallPlugins(TfrmMain& form)
{
    // One line per subsystem, e.g. InstallCustomers(form);
    (void)form;
}
