#include "devices/LineFramer.h"

void LineFramer::Append(const QString& text)
{
    if (text.isEmpty())
        return;
    if (FHead > 0 && FHead >= FBuffer.size() / 2) {
        FBuffer.remove(0, FHead);
        FHead = 0;
    }
    qsizetype from = 0;
    // A CR LF split over two reads must not leave a lone LF in front of the next line.
    if (FCrAtEnd && FHead == FBuffer.size() && text.front() == QLatin1Char('\n'))
        from = 1;
    FCrAtEnd = false;
    FBuffer.append(QStringView(text).mid(from));
}

bool LineFramer::Next(QString* line)
{
    const qsizetype size = FBuffer.size();
    if (size - FHead < 2)
        return false;
    const qsizetype cr = FBuffer.indexOf(QLatin1Char('\r'), FHead + 1);
    if (cr < 0)
        return false;
    qsizetype end = cr + 1;
    if (end < size && FBuffer.at(end) == QLatin1Char('\n'))
        ++end;
    *line = FBuffer.mid(FHead, end - FHead);
    FHead = end;
    FCrAtEnd = end == size && FBuffer.at(end - 1) == QLatin1Char('\r');
    if (FHead == size) {
        FBuffer.clear();
        FHead = 0;
    }
    return true;
}

int LineFramer::DropOverflow()
{
    const qsizetype pending = FBuffer.size() - FHead;
    if (pending <= FLimit)
        return 0;
    qsizetype cut = FHead + (pending - FLimit);
    // Never keep half of a surrogate pair.
    if (cut < FBuffer.size() && FBuffer.at(cut).isLowSurrogate())
        ++cut;
    const int dropped = int(cut - FHead);
    FBuffer.remove(0, cut);
    FHead = 0;
    return dropped;
}

void LineFramer::Clear()
{
    FBuffer.clear();
    FHead = 0;
    FCrAtEnd = false;
}
