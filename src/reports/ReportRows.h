#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class FbQuery;

// The rows a report prints, read from a query once: the preview draws its pages again on
// every change of zoom or printer, long after the query was closed.
class ReportRows
{
public:
    ReportRows() = default;
    ReportRows(QStringList columns, QList<QList<QVariant>> rows);

    // Runs sql on query, reads every row and closes the query again.
    static ReportRows Load(FbQuery& query, const QString& sql);

    int Count() const { return int(FRows.size()); }
    bool IsEmpty() const { return FRows.isEmpty(); }
    const QStringList& Columns() const { return FColumns; }
    // Index of a column by name, without regard to case; -1 when there is none.
    int ColumnIndex(const QString& name) const;
    QVariant Value(int row, int column) const;

private:
    QStringList FColumns;
    QList<QList<QVariant>> FRows;
};
