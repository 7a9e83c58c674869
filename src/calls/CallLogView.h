#pragma once

#include "calls/CallLog.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSet>

// The rows the call-log grid shows, kept so that a new call can be added without reading
// the whole day again. Merge only accepts what leaves the rows exactly as a full reload of
// the day would; anything else (an older call, a tie in time) asks for that reload.
class CallLogView
{
public:
    void Reset(const QDate& day, TCallKind kind, const QList<TLogRow>& rows, const QList<QDateTime>& times);
    void Clear() { FLoaded = false; }
    bool Shows(const QDate& day, TCallKind kind) const { return FLoaded && day == FDay && kind == FKind; }
    bool IsEmpty() const { return FRows.isEmpty(); }
    int MaxLogNo() const { return FMaxLogNo; }
    const QList<TLogRow>& Rows() const { return FRows; }

    // newer: the day's rows with a LOG_NO above MaxLogNo, newest first, with their times.
    // Puts them on top and gives rows of the same numbers the current names. False (and
    // nothing changed) when they do not all come after the newest row shown.
    bool Merge(const QList<TLogRow>& newer, const QList<QDateTime>& times);
    // Rows whose name cells Merge changed, by index after the merge.
    const QList<int>& RenamedRows() const { return FRenamed; }

private:
    QDate FDay;
    TCallKind FKind = TCallKind::All;
    bool FLoaded = false;
    QList<TLogRow> FRows;
    QDateTime FNewest;
    int FMaxLogNo = 0;
    QList<int> FRenamed;
};
