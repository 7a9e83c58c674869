#pragma once

#include <QDateTime>
#include <QString>

// The values of one call-log row (LOG); the call number is drawn when it is inserted.
struct TLog
{
    QDateTime DtFrom;
    QString TelNo;
    QString TelType;
    QDateTime DtTo; // invalid for none
    QString TelTerm;
    QString TelMemo;
    double TelTime = 0;
    qint32 PortNo = 0;
};
