#pragma once

#include "logs/ExportLayout.h"

#include <QVariant>

class FbQuery;

// One output format of the exports. The values of a row keep their database types: text,
// a number, a date-time, or null (an invalid QVariant).
class TableWriter
{
public:
    virtual ~TableWriter() = default;
    // Opens the file at path and writes what comes before the records.
    virtual void begin(const QString& path, const ExportLayout& layout) = 0;
    virtual void addRow(const QVariantList& values) = 0;
    // The record the query stands on (a query with raw rows): by default its values go to
    // addRow; a writer may read the fetched columns directly instead.
    virtual void addRecord(FbQuery& query);
    // Completes the file; throws AppError when it could not be written.
    virtual void finish() = 0;

private:
    QVariantList FRecord;
};
