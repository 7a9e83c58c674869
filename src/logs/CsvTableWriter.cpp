#include "logs/CsvTableWriter.h"

#include "core/AppError.h"
#include "core/Cp932Units.h"
#include "core/Helpers.h"
#include "db/FbQuery.h"

#include <QDateTime>
#include <ibase.h>

#include <cstring>

void CsvTableWriter::begin(const QString& path, const ExportLayout& layout)
{
    FMemoColumn = layout.memoColumn;
    FFile.setFileName(path);
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw AppError(QStringLiteral("ファイルを作成できませんでした。") + FFile.errorString());
    FBuffer.reserve(ChunkBytes + 64 * 1024);
    appendLine(layout.captions.join(QLatin1Char(',')));
}

QString CsvTableWriter::FieldText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case QMetaType::QDate:
        return value.toDate().startOfDay().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

namespace {
// Appends text in double quotes, quotes inside doubled, line breaks dropped when asked.
void appendQuoted(QString& line, const QString& text, bool dropBreaks)
{
    line += QLatin1Char('"');
    const bool plain = !text.contains(QLatin1Char('"')) &&
                       !(dropBreaks && (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))));
    if (plain) {
        line += text;
    } else {
        for (const QChar c : text) {
            if (dropBreaks && (c == QLatin1Char('\r') || c == QLatin1Char('\n')))
                continue;
            if (c == QLatin1Char('"'))
                line += QLatin1Char('"');
            line += c;
        }
    }
    line += QLatin1Char('"');
}
} // namespace

namespace {
// Appends CP932 text in double quotes (quotes doubled, line breaks dropped when asked), as
// the converting way would write it. False, with nothing appended, when the text holds a
// byte sequence that would not come back unchanged.
bool appendQuotedBytes(QByteArray& out, const char* data, int length, bool dropBreaks)
{
    const Cp932Units::Table& units = Cp932Units::table();
    const qsizetype start = out.size();
    // At most every byte doubled, and the quotes.
    out.resize(start + 2 * qsizetype(length) + 2);
    char* q = out.data() + start;
    *q++ = '"';
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    for (int i = 0; i < length; ++i) {
        const unsigned char b = p[i];
        if (Cp932Units::isLead(b)) {
            if (i + 1 >= length || !units.pairRoundTrips(b, p[i + 1])) {
                out.truncate(start);
                return false;
            }
            *q++ = char(b);
            *q++ = char(p[++i]);
            continue;
        }
        if (!units.singleRoundTrips(b)) {
            out.truncate(start);
            return false;
        }
        if (dropBreaks && (b == '\r' || b == '\n'))
            continue;
        if (b == '"')
            *q++ = '"';
        *q++ = char(b);
    }
    *q++ = '"';
    out.truncate(q - out.constData());
    return true;
}

// "yyyy/MM/dd hh:mm:ss" straight from the stored time stamp; false for what the usual
// formatting should decide (years outside 1-9999, times out of range).
bool appendTimestamp(QByteArray& out, const char* data)
{
    ISC_TIMESTAMP ts;
    std::memcpy(&ts, data, sizeof ts);
    // Days are counted from 17 November 1858, Julian day 2400001.
    const QDate date = QDate::fromJulianDay(qint64(ts.timestamp_date) + 2400001);
    const unsigned secs = unsigned(ts.timestamp_time / ISC_TIME_SECONDS_PRECISION);
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (year < 1 || year > 9999 || secs >= 86400)
        return false;
    char text[] = "\"0000/00/00 00:00:00\"";
    auto put = [&text](int at, unsigned value, int digits) {
        for (int i = at + digits - 1; i >= at; --i, value /= 10)
            text[i] = char('0' + value % 10);
    };
    put(1, unsigned(year), 4);
    put(6, unsigned(month), 2);
    put(9, unsigned(day), 2);
    put(12, secs / 3600, 2);
    put(15, secs / 60 % 60, 2);
    put(18, secs % 60, 2);
    out.append(text, sizeof text - 1);
    return true;
}
} // namespace

void CsvTableWriter::addRecord(FbQuery& query)
{
    if (!FText.isEmpty())
        encodeText();
    const int n = query.fieldCount();
    for (int i = 0; i < n; ++i) {
        if (i)
            FBuffer += ',';
        const bool dropBreaks = i == FMemoColumn && FRemoveLineBreaks;
        const FbQuery::RawColumn c = query.rawColumn(i);
        if (c.null) {
            FBuffer += "\"\"";
            continue;
        }
        if ((c.type == SQL_TEXT || c.type == SQL_VARYING) && appendQuotedBytes(FBuffer, c.data, c.length, dropBreaks))
            continue;
        if (c.type == SQL_TIMESTAMP && appendTimestamp(FBuffer, c.data))
            continue;
        const QVariant value = query.value(i);
        FField.clear();
        if (value.typeId() == QMetaType::QString)
            appendQuoted(FField, *static_cast<const QString*>(value.constData()), dropBreaks);
        else
            appendQuoted(FField, FieldText(value), dropBreaks);
        FBuffer += FEncoder.encode(FField);
    }
    FBuffer += "\r\n";
    if (FBuffer.size() >= ChunkBytes)
        flush();
}

void CsvTableWriter::addRow(const QVariantList& values)
{
    // Most fields are text: they are quoted straight from the value, without a copy per field.
    for (int i = 0; i < values.size(); ++i) {
        if (i)
            FText += QLatin1Char(',');
        const QVariant& value = values.at(i);
        const bool dropBreaks = i == FMemoColumn && FRemoveLineBreaks;
        if (value.typeId() == QMetaType::QString)
            appendQuoted(FText, *static_cast<const QString*>(value.constData()), dropBreaks);
        else
            appendQuoted(FText, FieldText(value), dropBreaks);
    }
    FText += QLatin1String("\r\n");
    if (FText.size() >= TextChunk)
        encodeText();
}

void CsvTableWriter::appendLine(const QString& line)
{
    FText += line;
    FText += QLatin1String("\r\n");
    encodeText();
}

// Lines are encoded a chunk at a time: one conversion call per line would cost more than
// the conversion itself.
void CsvTableWriter::encodeText()
{
    FBuffer += FEncoder.encode(FText);
    FText.clear();
    if (FBuffer.size() >= ChunkBytes)
        flush();
}

void CsvTableWriter::flush()
{
    if (FBuffer.isEmpty())
        return;
    if (FFile.write(FBuffer) != FBuffer.size())
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + FFile.errorString());
    FBuffer.clear();
}

void CsvTableWriter::finish()
{
    encodeText();
    flush();
    if (!FFile.flush())
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + FFile.errorString());
    FFile.close();
    if (FFile.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("ファイルに書き込めませんでした。") + FFile.errorString());
}
