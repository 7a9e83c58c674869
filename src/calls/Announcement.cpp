#include "calls/Announcement.h"

namespace {
QString reading(int index, const QString& callerReading, const QString& lineReading)
{
    return index == anCaller ? callerReading : lineReading;
}
} // namespace

QString ComposeAnnouncement(int index1, int index2, const QString& callerReading, const QString& lineReading,
                            const QString& foot1, const QString& foot2)
{
    QString text;
    if (index1 == anCaller || index1 == anLine)
        text = reading(index1, callerReading, lineReading) + foot1;
    if (index2 == anCaller || index2 == anLine)
        text += reading(index2, callerReading, lineReading) + foot2;
    return text;
}

QString RemoveBlanks(const QString& text)
{
    QString result = text;
    result.remove(QLatin1Char(' '));
    result.remove(QChar(0x3000)); // full-width blank
    return result;
}
