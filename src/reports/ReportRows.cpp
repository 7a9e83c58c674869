#include "reports/ReportRows.h"

#include "db/FbQuery.h"

ReportRows::ReportRows(QStringList columns, QList<QList<QVariant>> rows)
    : FColumns(std::move(columns)), FRows(std::move(rows))
{
}

ReportRows ReportRows::Load(FbQuery& query, const QString& sql)
{
    query.setSql(sql);
    query.open();
    QStringList columns;
    for (int i = 0; i < query.fieldCount(); ++i)
        columns << query.fieldName(i);
    QList<QList<QVariant>> rows;
    try {
        while (!query.eof()) {
            QList<QVariant> row;
            row.reserve(columns.size());
            for (int i = 0; i < columns.size(); ++i)
                row << query.field(i).value();
            rows << row;
            query.next();
        }
    } catch (...) {
        query.release();
        throw;
    }
    query.close();
    return ReportRows(columns, rows);
}

int ReportRows::ColumnIndex(const QString& name) const
{
    for (int i = 0; i < FColumns.size(); ++i)
        if (FColumns.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant ReportRows::Value(int row, int column) const
{
    if (row < 0 || row >= FRows.size() || column < 0)
        return {};
    return FRows.at(row).value(column);
}
