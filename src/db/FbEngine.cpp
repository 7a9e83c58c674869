#include "db/FbEngine.h"

#include <ibase.h>

#include <cstdlib>
#include <cstring>
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

int EngineMajorVersion()
{
    // isc_get_client_major_version() gives the old 6.x numbering; the text names the series
    // ("LI-V6.3.11.33637 Firebird 3.0").
    static const int major = [] {
        char text[256] = {};
        isc_get_client_version(text);
        const char* series = std::strstr(text, "Firebird ");
        return series ? std::atoi(series + 9) : 0;
    }();
    return major;
}
