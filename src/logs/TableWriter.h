#pragma once

#include "logs/ExportLayout.h"

#include <QVariant>

// One output format of the exports. The values of a row keep their database types: text,
// a number, a date-time, or null (an invalid QVariant).
class TableWriter
{
public:
    virtual ~TableWriter() = default;
    // Opens the file at path and writes what comes before the records.
    virtual void begin(const QString& path, const ExportLayout& layout) = 0;
    virtual void addRow(const QVariantList& values) = 0;
    // Completes the file; throws AppError when it could not be written.
    virtual void finish() = 0;
};
