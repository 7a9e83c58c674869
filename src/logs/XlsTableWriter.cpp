#include "logs/XlsTableWriter.h"

#include "core/AppError.h"
#include "logs/SheetValues.h"

void XlsTableWriter::begin(const QString& path, const ExportLayout& layout)
{
    FBook.open(path);
    for (int c = 0; c < layout.captions.size(); ++c)
        FBook.setColumn(c, layout.widths.value(c), layout.textColumns.value(c));
    FBook.writeText(0, 0, layout.title);
    for (int c = 0; c < layout.captions.size(); ++c)
        FBook.writeText(2, c, layout.captions.at(c));
    FRow = 3;
}

void XlsTableWriter::addRow(const QVariantList& values)
{
    if (FRow >= XlsWriter::MaxRows)
        throw AppError(QStringLiteral("最大行数(65536行)を超えました。"));
    for (int c = 0; c < values.size(); ++c) {
        const QVariant& v = values.at(c);
        switch (SheetValues::KindOf(v)) {
        case SheetValues::Empty:
            break;
        case SheetValues::Date:
            FBook.writeDate(FRow, c, v.toDateTime());
            break;
        case SheetValues::Number:
            FBook.writeNumber(FRow, c, v.toDouble());
            break;
        case SheetValues::Text:
            FBook.writeText(FRow, c, SheetValues::CellText(v));
            break;
        }
    }
    ++FRow;
}

void XlsTableWriter::finish()
{
    FBook.close();
}
