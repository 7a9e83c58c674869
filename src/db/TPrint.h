#pragma once

#include <QString>

// One row of the totals work table (PRINT1).
struct TPrint
{
    QString TelNo;
    QString Caller;
    qint32 Total = 0;
};
