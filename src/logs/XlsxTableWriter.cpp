#include "logs/XlsxTableWriter.h"

#include "core/AppError.h"
#include "core/Cp932Units.h"
#include "db/FbQuery.h"
#include "logs/SheetValues.h"

#include <QDateTime>
#include <QFile>

#include <ibase.h>
#include <xlsxwriter.h>

#include <cstring>

namespace {
constexpr int kMaxText = 32767;
}

XlsxTableWriter::~XlsxTableWriter()
{
    // A workbook abandoned half-way is closed all the same to free it; what it writes goes
    // to the temporary file, which the caller throws away.
    if (FBook)
        workbook_close(FBook);
}

void XlsxTableWriter::check(int error, const char* what)
{
    if (error != LXW_NO_ERROR)
        throw AppError(QStringLiteral("ファイルに書き込めませんでした（%1: %2）。")
                           .arg(QString::fromLatin1(what), QString::fromLatin1(lxw_strerror(lxw_error(error)))));
}

void XlsxTableWriter::begin(const QString& path, const ExportLayout& layout)
{
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    FBook = workbook_new_opt(file.constData(), &options);
    if (!FBook)
        throw AppError(QStringLiteral("ワークブックを作成できませんでした。"));
    FSheet = workbook_add_worksheet(FBook, nullptr);
    FTextFormat = workbook_add_format(FBook);
    format_set_num_format(FTextFormat, "@");
    FDateFormat = workbook_add_format(FBook);
    format_set_num_format(FDateFormat, "yyyy/mm/dd hh:mm:ss");
    if (!FSheet || !FTextFormat || !FDateFormat)
        throw AppError(QStringLiteral("ワークブックを作成できませんでした。"));

    FColumnFormats.clear();
    for (int c = 0; c < layout.captions.size(); ++c)
        FColumnFormats << (layout.textColumns.value(c) ? FTextFormat : nullptr);
    for (int c = 0; c < layout.captions.size(); ++c) {
        const double width = layout.widths.value(c);
        const bool text = layout.textColumns.value(c);
        if (width > 0 || text)
            check(worksheet_set_column(FSheet, lxw_col_t(c), lxw_col_t(c), width > 0 ? width : LXW_DEF_COL_WIDTH,
                                       text ? FTextFormat : nullptr),
                  "set_column");
    }
    check(worksheet_write_string(FSheet, 0, 0, layout.title.toUtf8().constData(), nullptr), "title");
    for (int c = 0; c < layout.captions.size(); ++c)
        check(worksheet_write_string(FSheet, 2, lxw_col_t(c), layout.captions.at(c).toUtf8().constData(),
                                     layout.textColumns.value(c) ? FTextFormat : nullptr),
              "caption");
    FRow = 3;
}

void XlsxTableWriter::writeValue(int c, const QVariant& v)
{
    lxw_format* columnFormat = FColumnFormats.value(c);
    switch (SheetValues::KindOf(v)) {
    case SheetValues::Empty:
        break;
    case SheetValues::Date: {
        const QDateTime t = v.toDateTime();
        lxw_datetime dt = {t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                           t.time().minute(), t.time().second() + t.time().msec() / 1000.0};
        check(worksheet_write_datetime(FSheet, lxw_row_t(FRow), lxw_col_t(c), &dt, FDateFormat), "datetime");
        break;
    }
    case SheetValues::Number:
        check(worksheet_write_number(FSheet, lxw_row_t(FRow), lxw_col_t(c), v.toDouble(), columnFormat), "number");
        break;
    case SheetValues::Text:
        check(worksheet_write_string(FSheet, lxw_row_t(FRow), lxw_col_t(c),
                                     SheetValues::CellText(v).left(kMaxText).toUtf8().constData(), columnFormat),
              "string");
        break;
    }
}

void XlsxTableWriter::addRow(const QVariantList& values)
{
    for (int c = 0; c < values.size(); ++c)
        writeValue(c, values.at(c));
    ++FRow;
}

// CP932 text as the cell's UTF-8, line breaks as the sheet's (CR LF and CR become LF), cut
// at the cell's limit. False, with nothing written, when a byte sequence needs the converter.
bool XlsxTableWriter::writeText(int c, const char* data, int length)
{
    if (length == 0)
        return true; // an empty text is an empty cell
    const Cp932Units::Table& units = Cp932Units::table();
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    // At most three bytes of UTF-8 per byte, and the terminating zero.
    FUtf8.resize(3 * qsizetype(length) + 1);
    char* q = FUtf8.data();
    int chars = 0;
    for (int i = 0; i < length && chars < kMaxText; ++i, ++chars) {
        const unsigned char b = p[i];
        char16_t ch;
        if (Cp932Units::isLead(b)) {
            ch = i + 1 < length ? units.pair(b, p[i + 1]) : char16_t(0);
            ++i;
        } else {
            ch = units.single(b);
            if (ch == u'\r') {
                ch = u'\n';
                if (i + 1 < length && p[i + 1] == '\n')
                    ++i;
            }
        }
        if (ch == 0) {
            return false;
        } else if (ch < 0x80) {
            *q++ = char(ch);
        } else if (ch < 0x800) {
            *q++ = char(0xC0 | (ch >> 6));
            *q++ = char(0x80 | (ch & 0x3F));
        } else {
            *q++ = char(0xE0 | (ch >> 12));
            *q++ = char(0x80 | ((ch >> 6) & 0x3F));
            *q++ = char(0x80 | (ch & 0x3F));
        }
    }
    *q = '\0';
    check(worksheet_write_string(FSheet, lxw_row_t(FRow), lxw_col_t(c), FUtf8.constData(), FColumnFormats.value(c)),
          "string");
    return true;
}

bool XlsxTableWriter::writeTimestamp(int c, const char* data)
{
    ISC_TIMESTAMP ts;
    std::memcpy(&ts, data, sizeof ts);
    // Days are counted from 17 November 1858, Julian day 2400001.
    const QDate date = QDate::fromJulianDay(qint64(ts.timestamp_date) + 2400001);
    const unsigned msecs = unsigned(ts.timestamp_time / 10);
    // Dates before 1900 are text in the sheet: the usual way decides those.
    if (!date.isValid() || date.year() < 1900 || msecs >= 86400000u)
        return false;
    const unsigned secs = msecs / 1000;
    lxw_datetime dt = {date.year(),      date.month(),        date.day(),
                       int(secs / 3600), int(secs / 60 % 60), int(secs % 60) + int(msecs % 1000) / 1000.0};
    check(worksheet_write_datetime(FSheet, lxw_row_t(FRow), lxw_col_t(c), &dt, FDateFormat), "datetime");
    return true;
}

void XlsxTableWriter::addRecord(FbQuery& query)
{
    const int n = query.fieldCount();
    for (int c = 0; c < n; ++c) {
        const FbQuery::RawColumn raw = query.rawColumn(c);
        if (raw.null)
            continue;
        if ((raw.type == SQL_TEXT || raw.type == SQL_VARYING) && writeText(c, raw.data, raw.length))
            continue;
        if (raw.type == SQL_TIMESTAMP && writeTimestamp(c, raw.data))
            continue;
        writeValue(c, query.value(c));
    }
    ++FRow;
}

void XlsxTableWriter::finish()
{
    lxw_workbook* book = FBook;
    FBook = nullptr;
    check(workbook_close(book), "close");
}
