#pragma once

#include <QString>

// A phone-book entry (TELS).
struct TTels
{
    QString TelNo;
    QString CustTelNon;
    QString Caller;
    QString ReadName;
};
