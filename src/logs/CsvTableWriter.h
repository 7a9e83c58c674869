#pragma once

#include "logs/TableWriter.h"

#include <QByteArray>
#include <QFile>
#include <QStringEncoder>

// The text format: a header line of the captions joined by ",", then one line per record
// with every field in double quotes (quotes inside doubled); Shift-JIS, CR LF line ends, no
// byte-order mark. Lines are gathered and written in large chunks.
class CsvTableWriter : public TableWriter
{
public:
    // removeLineBreaks: every CR and LF is dropped from the memo-type column.
    explicit CsvTableWriter(bool removeLineBreaks) : FRemoveLineBreaks(removeLineBreaks) {}

    void begin(const QString& path, const ExportLayout& layout) override;
    void addRow(const QVariantList& values) override;
    // Text and date-time columns go from the fetch buffers to the file without conversion
    // when that gives the very bytes the converting way would.
    void addRecord(FbQuery& query) override;
    void finish() override;

    // One field as the text format writes it, without the quotes.
    static QString FieldText(const QVariant& value);
    static constexpr qsizetype ChunkBytes = 4 * 1024 * 1024;
    static constexpr qsizetype TextChunk = 64 * 1024;

private:
    void appendLine(const QString& line);
    void encodeText();
    void flush();

    bool FRemoveLineBreaks;
    int FMemoColumn = -1;
    QFile FFile;
    QString FText; // lines not yet encoded
    QString FField; // a field on the converting way
    QByteArray FBuffer;
    QStringEncoder FEncoder{"windows-31j", QStringConverter::Flag::Stateless};
};
