#include "ui/ZuvaroApplication.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"

namespace {
std::function<void(const QString&)> gReconnect;
bool gHandling = false;
}

ZuvaroApplication::ZuvaroApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void ZuvaroApplication::setReconnectHandler(std::function<void(const QString&)> handler)
{
    gReconnect = std::move(handler);
}

void ZuvaroApplication::HandleException(const QString& message)
{
    WriteLog(QStringLiteral("This is on AppException Proc., E.Message=") + message);
    // The error dialog runs a nested loop; an error inside it must not stack dialogs.
    if (gHandling)
        return;
    gHandling = true;
    MessageService::Error(message);
    if (gReconnect) {
        try {
            gReconnect(message);
        } catch (...) {
        }
    }
    gHandling = false;
}

bool ZuvaroApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const AppError& e) {
        HandleException(e.message());
    } catch (const std::exception& e) {
        HandleException(QString::fromUtf8(e.what()));
    } catch (...) {
        HandleException(QStringLiteral("Unknown error"));
    }
    return false;
}
