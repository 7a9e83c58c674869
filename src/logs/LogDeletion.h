#pragma once

#include <QDate>
#include <QString>

// The deletion of call-log rows by month: from the first day of the start month, 00:00, up
// to but not including the first day of the month after the end month. A side whose year
// and month are both empty has no bound.
namespace LogDeletion {

struct Statement
{
    enum Problem { None, BadStart, BadEnd };
    Problem problem = None;
    QString sql;
    // The condition of sql alone ("where …" with its line ends, empty without bounds).
    QString where;
};

// The month's first day, read from a year and month as typed (a two-digit year is taken
// within fifty years before today, as the platform's date reading does); invalid when
// either part is missing or not a date.
QDate MonthStart(const QString& year, const QString& month, const QDate& today);
Statement Build(const QString& startYear, const QString& startMonth, const QString& endYear, const QString& endMonth,
                const QDate& today);

QString Question();
QString BadStartMessage();
QString BadEndMessage();
QString DoneMessage();
// A deletion stopped half-way: what was deleted in the batches committed before stays deleted.
QString StoppedMessage(qint64 deleted);

} // namespace LogDeletion
