#pragma once

#include <QString>

#include <utility>

// A phone-book entry (TELS).
struct TTels
{
    TTels() = default;
    TTels(QString telNo, QString custTelNon, QString caller, QString readName, bool caution = false,
          QString cautionNote = QString())
        : TelNo(std::move(telNo)), CustTelNon(std::move(custTelNon)), Caller(std::move(caller)),
          ReadName(std::move(readName)), Caution(caution), CautionNote(std::move(cautionNote))
    {
    }

    QString TelNo;
    QString CustTelNon;
    QString Caller;
    QString ReadName;
    // 要注意: the shop wants to be warned when this number calls; the note says why.
    bool Caution = false;
    QString CautionNote;
};
