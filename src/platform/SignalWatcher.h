#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT (the session ending, Ctrl+C) into a Qt signal on the main
// thread, so that they run the same orderly teardown as closing the program.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

    // Takes SIGTERM and SIGINT back. The embedded database engine installs handlers of its
    // own when it starts, which would cut every connection instead of letting us close in
    // order; call this after the first attachment.
    static void ReinstallHandlers();

signals:
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier* FNotifier = nullptr;
};
