#include "db/FbEngine.h"

#include <ibase.h>

#include <cstdlib>
#include <mutex>

namespace {
std::once_flag gOnce;
bool gShutDown = false;

void shutdownAtExit()
{
    ShutdownEngine();
}
} // namespace

void EnsureEngineShutdownAtExit()
{
    std::call_once(gOnce, []() { std::atexit(shutdownAtExit); });
}

void KeepEngineRunningAtExit()
{
    gShutDown = true;
}

void ShutdownEngine()
{
    if (gShutDown)
        return;
    gShutDown = true;
    fb_shutdown(0, fb_shutrsn_app_stopped);
}
