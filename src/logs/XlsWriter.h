#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QTemporaryFile>

#include <memory>

// A legacy binary workbook (BIFF8 records in a compound document) with one worksheet.
// Cells are given row by row, left to right within a row. The string table and the rows go to
// temporary files beside the workbook as they come, and close() puts the file together from
// them (the string table has to come before the sheet): memory stays small whatever the data.
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
    void appendString(const QString& text, quint32 index);
    void flushSstRecord();
    QByteArray globals(int* sheetOffsetPos) const;
    QByteArray stringIndexRecord(qint64 sstStart) const;
    QByteArray sheetHead() const;
    static QByteArray sheetTail();

    struct Column
    {
        double width = 0;
        bool text = false;
    };

    QString FPath;
    QString FSheetName;
    bool FOpen = false;
    QList<Column> FColumns;
    QHash<QString, quint32> FStringIndex; // short texts already in the table
    quint32 FStringCount = 0;
    quint32 FStringRefs = 0;
    struct SstMark
    {
        qint64 streamOffset;  // from the start of the string table
        quint16 recordOffset; // within its record, header included
    };
    QList<SstMark> FMarks;                  // every kMarkEvery-th string
    std::unique_ptr<QTemporaryFile> FSst;   // SST and CONTINUE records
    std::unique_ptr<QTemporaryFile> FCells; // ROW records, each followed by the cells of its row
    QByteArray FSstCur;                     // the string table's record being filled
    qint64 FSstBytes = 0;
    int FSstRecords = 0;
    qint64 FCellsBytes = 0;
    QByteArray FRowCells; // cells of the row being written
    int FRow = -1;
    int FRowFirstCol = -1;
    int FLastCol = -1;
    int FFirstRow = -1;
    int FMinCol = -1;
    int FMaxCol = -1;
};
