#include "core/Clock.h"

#include <QFile>

#include <ctime>

#include <QMutex>

namespace {
QMutex gClockMutex;
bool gFixed = false;
QDateTime gFixedNow;
}

QDateTime Clock::now()
{
    QMutexLocker lock(&gClockMutex);
    return gFixed ? gFixedNow : QDateTime::currentDateTime();
}

void Clock::setNow(const QDateTime& t)
{
    QMutexLocker lock(&gClockMutex);
    gFixed = true;
    gFixedNow = t;
}

void Clock::advance(qint64 msecs)
{
    QMutexLocker lock(&gClockMutex);
    if (!gFixed) {
        gFixed = true;
        gFixedNow = QDateTime::currentDateTime();
    }
    gFixedNow = gFixedNow.addMSecs(msecs);
}

void Clock::reset()
{
    QMutexLocker lock(&gClockMutex);
    gFixed = false;
}

bool Clock::isFixed()
{
    QMutexLocker lock(&gClockMutex);
    return gFixed;
}

void Clock::PinLocalTimeZone()
{
    if (!qEnvironmentVariableIsEmpty("TZ") || !QFile::exists(QStringLiteral("/etc/localtime")))
        return;
    qputenv("TZ", ":/etc/localtime");
    tzset();
}
