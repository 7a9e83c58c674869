#include "core/Clock.h"
#include "ui/AppMain.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    Clock::PinLocalTimeZone();
    const int rc = ZuvaroMain(argc, argv);
    // Everything of ours is closed by now. Skip the libraries' own exit-time destructors:
    // the embedded database engine's can still touch code it has unloaded.
    std::fflush(nullptr);
    std::_Exit(rc);
}
