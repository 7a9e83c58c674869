#pragma once

#include <QDateTime>
#include <QString>

// One response record (ACCEPT_T). Empty texts mean none.
struct TAccept
{
    qint32 ActNo = -1;
    QDateTime ActDt;
    QString UserId;
    QString TypeId;
    QString ResultId;
    QString Title;
    QString Content;
    QString LogNo;  // decimal text, empty when the response is not tied to a call
    QString CustNo; // decimal text
};
