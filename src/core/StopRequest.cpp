#include "core/StopRequest.h"

#include "core/DiagLog.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <vector>

namespace {
bool gRequested = false;
std::vector<std::function<void()>> gClosers;
} // namespace

namespace StopRequest {

bool Requested()
{
    return gRequested;
}

void Request(const QString& reason)
{
    if (gRequested)
        return;
    gRequested = true;
    WriteLog(QStringLiteral("Stop requested: ") + reason);
    for (const auto& closer : gClosers) {
        try {
            closer();
        } catch (...) {
        }
    }
    // exit() ends every loop of the thread, not only the innermost, and makes loops
    // entered later return at once; quit() would leave nested loops running and is
    // ignored before the main loop runs.
    QCoreApplication::exit(0);
}

int Exec(QEventLoop& loop)
{
    if (gRequested)
        return -1;
    return loop.exec();
}

void AddCloser(std::function<void()> closer)
{
    gClosers.push_back(std::move(closer));
}

void ResetForTests()
{
    gRequested = false;
    gClosers.clear();
}

} // namespace StopRequest
