#pragma once

#include "logs/TableWriter.h"
#include "logs/XlsWriter.h"

// The legacy workbook: the title in A1, the captions in row 3, the records from row 4 with
// their database types, the layout's column widths and text columns.
class XlsTableWriter : public TableWriter
{
public:
    // Records that fit below the title and captions.
    static constexpr int MaxRecords = XlsWriter::MaxRows - 3;

    void begin(const QString& path, const ExportLayout& layout) override;
    void addRow(const QVariantList& values) override;
    void finish() override;

private:
    XlsWriter FBook;
    int FRow = 0;
};
