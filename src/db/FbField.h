#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

// One column value of the current row. Text arrives already decoded from CP932; binary
// blobs are bytes. Reading a null gives the empty text, 0 or an invalid date.
class FbField
{
public:
    FbField() = default;
    explicit FbField(QVariant value) : FValue(std::move(value)) {}

    bool isNull() const { return FValue.isNull() || !FValue.isValid(); }
    const QVariant& value() const { return FValue; }

    QString asString() const;
    int asInteger() const;
    qint64 asInt64() const;
    double asDouble() const;
    QDateTime asDateTime() const;
    QDate asDate() const;
    QByteArray asBytes() const;

private:
    QVariant FValue;
};
