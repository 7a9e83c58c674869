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

signals:
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier* FNotifier = nullptr;
};
