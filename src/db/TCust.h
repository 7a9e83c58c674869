#pragma once

#include <QDate>
#include <QString>

#include <array>

// One customer (CUSTOMER).
struct TCust
{
    QString CustTel;
    QString CustTelNon;
    QString CustName;
    QString CustKana;
    QString FaxNo;
    QString FaxNoNon;
    QString ZipCd;
    QString Address;
    QString MapUrl;
    QString Email;
    QString HpUrl;
    QDate BirthDt; // invalid for none
    qint16 Sex = 0;
    QString Others;
    qint32 CustNo = -1;
    QString UserId;
    // Option[n] holds OPTION_nn for n = 1..20; Option[0] is unused.
    std::array<QString, 21> Option;
    // True for a field whose definition was deleted: an update leaves its column as stored,
    // so reviving the field brings its values back.
    std::array<bool, 21> OptionUnused{};
};
