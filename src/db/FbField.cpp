#include "db/FbField.h"

#include "core/Cp932.h"

QString FbField::asString() const
{
    if (isNull())
        return QString();
    switch (FValue.typeId()) {
    case QMetaType::QString:
        return FValue.toString();
    case QMetaType::QDateTime:
        return FValue.toDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case QMetaType::QDate:
        return FValue.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    case QMetaType::QTime:
        return FValue.toTime().toString(QStringLiteral("hh:mm:ss"));
    case QMetaType::QByteArray:
        return Cp932::decode(FValue.toByteArray());
    case QMetaType::Double:
        return QString::number(FValue.toDouble());
    default:
        return FValue.toString();
    }
}

int FbField::asInteger() const
{
    return int(asInt64());
}

qint64 FbField::asInt64() const
{
    if (isNull())
        return 0;
    if (FValue.typeId() == QMetaType::Double)
        return qRound64(FValue.toDouble());
    if (FValue.typeId() == QMetaType::QString)
        return FValue.toString().trimmed().toLongLong();
    return FValue.toLongLong();
}

double FbField::asDouble() const
{
    if (isNull())
        return 0;
    if (FValue.typeId() == QMetaType::QString)
        return FValue.toString().trimmed().toDouble();
    return FValue.toDouble();
}

QDateTime FbField::asDateTime() const
{
    if (isNull())
        return QDateTime();
    if (FValue.typeId() == QMetaType::QDate)
        return FValue.toDate().startOfDay();
    return FValue.toDateTime();
}

QDate FbField::asDate() const
{
    if (isNull())
        return QDate();
    if (FValue.typeId() == QMetaType::QDateTime)
        return FValue.toDateTime().date();
    return FValue.toDate();
}

QByteArray FbField::asBytes() const
{
    if (isNull())
        return QByteArray();
    if (FValue.typeId() == QMetaType::QString)
        return Cp932::encode(FValue.toString());
    return FValue.toByteArray();
}
