#include "logs/SheetValues.h"

#include <QDateTime>

namespace SheetValues {

Kind KindOf(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return Empty;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        // The spreadsheet's dates begin in 1900; an earlier one is kept as text.
        return value.toDateTime().date().year() >= 1900 ? Date : Text;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return Number;
    default:
        return value.toString().isEmpty() ? Empty : Text;
    }
}

QString CellText(const QVariant& value)
{
    if (value.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDate)
        return value.toDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    QString text = value.toString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace SheetValues
