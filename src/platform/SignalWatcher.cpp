#include "platform/SignalWatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int gSignalPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const char c = char(sig);
    // Only async-signal-safe calls here: the main loop reads the pipe.
    [[maybe_unused]] ssize_t n = ::write(gSignalPipe[1], &c, 1);
}
} // namespace

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent)
{
    if (gSignalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
        return;
    FNotifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this]() {
        char c = 0;
        if (::read(gSignalPipe[0], &c, 1) == 1)
            emit terminationRequested(int(c));
    });
    ReinstallHandlers();
}

void SignalWatcher::ReinstallHandlers()
{
    if (gSignalPipe[1] < 0)
        return;
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
}
