#include "logs/XlsxTableWriter.h"

#include "core/AppError.h"
#include "logs/SheetValues.h"

#include <QDateTime>
#include <QFile>

#include <xlsxwriter.h>

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

    FTextColumns = layout.textColumns;
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

void XlsxTableWriter::addRow(const QVariantList& values)
{
    for (int c = 0; c < values.size(); ++c) {
        const QVariant& v = values.at(c);
        lxw_format* columnFormat = FTextColumns.value(c) ? FTextFormat : nullptr;
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
            check(worksheet_write_number(FSheet, lxw_row_t(FRow), lxw_col_t(c), v.toDouble(), columnFormat),
                  "number");
            break;
        case SheetValues::Text:
            check(worksheet_write_string(FSheet, lxw_row_t(FRow), lxw_col_t(c),
                                         SheetValues::CellText(v).left(kMaxText).toUtf8().constData(), columnFormat),
                  "string");
            break;
        }
    }
    ++FRow;
}

void XlsxTableWriter::finish()
{
    lxw_workbook* book = FBook;
    FBook = nullptr;
    check(workbook_close(book), "close");
}
