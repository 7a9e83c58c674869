#include "ui/Plugins.h"

#include "calls/TfrmMain.h"
#include "calls/ui/LiveLog.h"

void InstallPlugins(TfrmMain& form)
{
    // One line per subsystem.
    InstallLiveLog(form);
}
