#pragma once

#include "logs/TableWriter.h"

#include <QByteArray>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// The Office Open XML workbook, laid out like the legacy one (title in A1, captions in row 3,
// records from row 4), without its row limit. Rows go to disk as they are written, so memory
// stays flat however long the export.
class XlsxTableWriter : public TableWriter
{
public:
    static constexpr int MaxRecords = 1048576 - 3;

    XlsxTableWriter() = default;
    ~XlsxTableWriter() override;
    XlsxTableWriter(const XlsxTableWriter&) = delete;
    XlsxTableWriter& operator=(const XlsxTableWriter&) = delete;

    void begin(const QString& path, const ExportLayout& layout) override;
    void addRow(const QVariantList& values) override;
    // Text and date-time columns are read from the fetch buffers without a detour through
    // Qt's values where that gives the same cells.
    void addRecord(FbQuery& query) override;
    void finish() override;

private:
    void check(int error, const char* what);
    void writeValue(int column, const QVariant& v);
    bool writeText(int column, const char* data, int length);
    bool writeTimestamp(int column, const char* data);

    lxw_workbook* FBook = nullptr;
    lxw_worksheet* FSheet = nullptr;
    lxw_format* FTextFormat = nullptr;
    lxw_format* FDateFormat = nullptr;
    QList<lxw_format*> FColumnFormats; // per column: its number format, or none
    QByteArray FUtf8; // a cell's text on its way to the sheet
    int FRow = 0;
};
