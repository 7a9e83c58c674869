#pragma once

#include <QDate>
#include <QList>
#include <QString>

class FbQuery;

// Which calls the log grid lists.
enum class TCallKind { Incoming = 0, Outgoing = 1, All = 2 };

// One row of the call-log grid, in its column order.
struct TLogRow
{
    QString DtFrom;     // 0: date and time as shown
    QString TelNo;      // 1
    QString TelType;    // 2
    QString PortNo;     // 3
    QString Caller;     // 4
    QString TelMemo;    // 5
    QString ActNo;      // 6: a response answering the call, empty when none
    QString CustTelNon; // 7
    QString ReadName;   // 8
    QString LogNo;      // 9
};

namespace CallLog {
// The statement that lists one day's calls, newest first, calls of the same second by
// LOG_NO, newest first too (one row per response).
QString DaySql(const QDate& day, TCallKind kind);
// The same list restricted to calls with a LOG_NO above afterLogNo (those added since).
QString NewerSql(const QDate& day, TCallKind kind, int afterLogNo);
// Runs DaySql on query and reads the rows; times, when given, receives each row's DT_FROM.
QList<TLogRow> LoadDay(FbQuery& query, const QDate& day, TCallKind kind, QList<QDateTime>* times = nullptr);
QList<TLogRow> LoadNewer(FbQuery& query, const QDate& day, TCallKind kind, int afterLogNo, QList<QDateTime>* times);
// "YY/MM/DD" with the time, the way every date-time is shown.
QString FormatDateTime(const QDateTime& t);
}
