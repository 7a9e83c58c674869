#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class FbDatabase;

// Brings numbers stored before the national form was switched on into that form: phone-book
// entries (TEL_NO and their customer link CUST_TEL_NON), customers' representative numbers
// (CUST_TEL_NON; the number as typed, CUST_TEL, stays) and the call log (LOG.TEL_NO).
//
// Survey reads and changes nothing; Apply writes a survey in one transaction, so a failure or
// a killed process leaves everything as it was. A second run finds nothing to do.
// - Phone-book entries that meet in one national form become one: an entry with a real name
//   wins over one still named as an unknown caller, then the entry already in the national
//   form, then the first by number; the others are removed. Their calls stay: the log rows
//   follow the number.
// - Customers are never merged: a customer whose number would meet another customer's keeps
//   its number and is reported, for a person to settle in the customer frame.
// - Responses are linked by call and customer number, which do not change.
class NumberUnifier
{
public:
    struct TelsChange
    {
        QString TelNo;         // as stored
        QString NewTelNo;      // national form
        QString CustTelNon;    // as stored
        QString NewCustTelNon; // the customer link after the change
        QString Caller;
        bool Removed = false; // met Winner and gives way to it
        QString Winner;       // TEL_NO (as stored) of the entry that stays
        QString WinnerCaller;
    };
    struct CustChange
    {
        int CustNo = 0;
        QString CustName;
        QString CustTelNon;
        QString NewCustTelNon;
        bool Skipped = false; // would meet another customer: left as it is
        int OtherCustNo = 0;
        QString OtherName;
    };
    struct LogChange
    {
        QString TelNo;
        QString NewTelNo;
        int Rows = 0;
    };
    struct Plan
    {
        QList<TelsChange> Tels;
        QList<CustChange> Customers;
        QList<LogChange> Log;
        // Rows the plan writes (skipped customers are only reported).
        int Changes() const;
        bool IsEmpty() const { return Changes() == 0; }
        // One line per change, then per skipped customer, in Japanese, for the list shown
        // before the user confirms and for the command's output.
        QStringList Describe() const;
    };

    // unknownName: the name of entries made for unknown callers (they are not a real name).
    NumberUnifier(FbDatabase& db, const QString& countryCode, const QString& unknownName);

    Plan Survey();
    // The statements of a plan, in the order they run.
    static QStringList Statements(const Plan& plan);
    void Apply(const Plan& plan);

private:
    QString National(const QString& number) const;

    FbDatabase& FDb;
    QString FCountryCode;
    QString FUnknownName;
};
