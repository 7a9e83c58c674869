#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

// A legacy binary workbook (BIFF8 records in a compound document) with one worksheet.
// Cells are given row by row, left to right within a row; the file is assembled and written
// by close(), since the workbook's string table has to come before the sheet.
class XlsWriter
{
public:
    static constexpr int MaxRows = 65536;
    static constexpr int MaxColumns = 256;
    // Longest text a cell holds; longer texts are cut.
    static constexpr int MaxTextLength = 32767;

    XlsWriter() = default;
    XlsWriter(const XlsWriter&) = delete;
    XlsWriter& operator=(const XlsWriter&) = delete;

    // Starts a new workbook that close() writes to path.
    void open(const QString& path, const QString& sheetName = QStringLiteral("Sheet1"));
    // width in characters (0 keeps the default width); textFormat gives the column the number
    // format "@", so that what is typed into it later stays text.
    void setColumn(int col, double width, bool textFormat);
    // Rows and columns count from 0. Throws AppError for a cell outside the sheet or out of order.
    void writeText(int row, int col, const QString& text);
    void writeNumber(int row, int col, double value);
    void writeDate(int row, int col, const QDateTime& value);
    void writeBlank(int row, int col);
    // Writes the workbook; throws AppError when the file cannot be written.
    void close();

    // Day number of the spreadsheet's 1900 date system (days since 1899-12-30, with the time
    // as the fraction of a day).
    static double SerialDate(const QDateTime& value);

private:
    void addCell(int row, int col, quint16 type, quint16 xf, const QByteArray& tail);
    void flushRow();
    quint16 columnXf(int col) const;
    quint32 stringIndex(const QString& text);
    QByteArray globals(int* sheetOffsetPos) const;
    QByteArray sheet() const;

    struct Column
    {
        double width = 0;
        bool text = false;
    };

    QString FPath;
    QString FSheetName;
    bool FOpen = false;
    QList<Column> FColumns;
    QHash<QString, quint32> FStringIndex;
    QList<QString> FStrings;
    quint32 FStringRefs = 0;
    QByteArray FRows;     // ROW records, each followed by the cells of its row
    QByteArray FRowCells; // cells of the row being written
    int FRow = -1;
    int FRowFirstCol = -1;
    int FLastCol = -1;
    int FFirstRow = -1;
    int FMinCol = -1;
    int FMaxCol = -1;
};
