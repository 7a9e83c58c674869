#include "core/BackgroundWork.h"

#include "core/StopRequest.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <memory>

void RunServingEvents(const std::function<void()>& work)
{
    if (!QCoreApplication::instance()) {
        work();
        return;
    }
    std::unique_ptr<QThread> thread(QThread::create(work));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    // A stop request ends the wait; the work itself is still waited for below.
    StopRequest::Exec(loop);
    thread->wait();
}
