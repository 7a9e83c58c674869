#pragma once

#include <QApplication>

#include <functional>

class AppError;

// The application object: catches every exception that escapes an event handler, logs
// it, shows it, and lets the database reconnect when the message says so. A value the
// user entered that cannot be stored (core/InputError.h) is a warning and never reconnects. It also closes
// every open dialog when the program is asked to stop (core/StopRequest.h).
class ZuvaroApplication : public QApplication
{
public:
    ZuvaroApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Called with the message after it was logged and shown (the database reconnection).
    static void setReconnectHandler(std::function<void(const QString&)> handler);
    // The whole handling of one escaped exception; public for tests.
    static void HandleException(const QString& message);
    // The same for a caught error: an input error is only logged and shown as a warning.
    static void HandleException(const AppError& error);
    // Loads Qt's own Japanese texts (qtbase_ja) for the standard buttons; false when the
    // translation is not installed.
    static bool InstallJapaneseQtTexts(QCoreApplication* app);
    // Rejects every visible dialog and message box (registered as a stop-request closer).
    static void CloseAllDialogs();
};
