#pragma once

#include <QDate>
#include <QDateTime>

// The one source of "now". Tests set it so that time rules (repeat windows, midnight
// log files, purges, "today") can be checked without waiting.
class Clock
{
public:
    static QDateTime now();
    static QDate today() { return now().date(); }

    // Tests only: freeze the clock at t, move it on, or return to the real time.
    static void setNow(const QDateTime& t);
    static void advance(qint64 msecs);
    static void reset();
    static bool isFixed();

    // At start: with TZ unset, glibc reads /etc/localtime again on every local-time
    // conversion, and the call grid converts once per row. Naming the file in TZ makes it
    // read once. A TZ already set is left alone.
    static void PinLocalTimeZone();
};
