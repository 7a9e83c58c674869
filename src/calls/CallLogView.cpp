#include "calls/CallLogView.h"

#include <QHash>

void CallLogView::Reset(const QDate& day, TCallKind kind, const QList<TLogRow>& rows, const QList<QDateTime>& times)
{
    FDay = day;
    FKind = kind;
    FLoaded = true;
    FRows = rows;
    FNewest = times.isEmpty() ? QDateTime() : times.first();
    FMaxLogNo = 0;
    for (const TLogRow& r : rows)
        FMaxLogNo = qMax(FMaxLogNo, r.LogNo.toInt());
    FRenamed.clear();
}

bool CallLogView::Merge(const QList<TLogRow>& newer, const QList<QDateTime>& times)
{
    FRenamed.clear();
    if (newer.isEmpty())
        return true;
    if (newer.size() != times.size())
        return false;
    // The day's order puts equal times in an order of the database's choosing: only rows
    // strictly after the newest shown are known to go on top.
    if (FNewest.isValid())
        for (const QDateTime& t : times)
            if (!(t > FNewest))
                return false;
    QHash<QString, const TLogRow*> names;
    for (const TLogRow& r : newer)
        if (!names.contains(r.TelNo))
            names.insert(r.TelNo, &r);
    for (int i = 0; i < FRows.size(); ++i) {
        TLogRow& row = FRows[i];
        const auto it = names.constFind(row.TelNo);
        if (it == names.constEnd())
            continue;
        const TLogRow& n = **it;
        if (row.Caller != n.Caller || row.CustTelNon != n.CustTelNon || row.ReadName != n.ReadName) {
            row.Caller = n.Caller;
            row.CustTelNon = n.CustTelNon;
            row.ReadName = n.ReadName;
            FRenamed << i + int(newer.size());
        }
    }
    FRows = newer + FRows;
    FNewest = times.first();
    for (const TLogRow& r : newer)
        FMaxLogNo = qMax(FMaxLogNo, r.LogNo.toInt());
    return true;
}
