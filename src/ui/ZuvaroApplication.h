#pragma once

#include <QApplication>

#include <functional>

// The application object: catches every exception that escapes an event handler, logs
// it, shows it, and lets the database reconnect when the message says so.
class ZuvaroApplication : public QApplication
{
public:
    ZuvaroApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Called with the message after it was logged and shown (the database reconnection).
    static void setReconnectHandler(std::function<void(const QString&)> handler);
    // The whole handling of one escaped exception; public for tests.
    static void HandleException(const QString& message);
};
