#pragma once

#include <QString>
#include <QVariant>

// How the spreadsheet formats store a database value: null as an empty cell, a date-time as
// a date value, a number as a number, anything else as text with its line breaks as LF
// (the spreadsheet's own line break inside a cell).
namespace SheetValues {
enum Kind { Empty, Date, Number, Text };
Kind KindOf(const QVariant& value);
QString CellText(const QVariant& value);
}
