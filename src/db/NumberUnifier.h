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
// - Phone-book entries that meet in one national form become one only when they are the same
//   caller: one real name among them (entries still named as an unknown caller have none) and
//   at most one customer (linked, or owning that number). An entry with a real name wins over
//   one still named as an unknown caller, then the entry already in the national form, then
//   the first by number; the others are removed. Their calls stay: the log rows follow the
//   number, and the entry that stays keeps the customer link.
// - Entries of different callers that would meet keep their numbers, and so do their calls;
//   they are reported, for a person to settle in the phone book.
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
    // Entries of different callers that would meet in one national form: left as they are.
    struct TelsCollision
    {
        QString NewTelNo;
        QStringList Members; // "number（name）" of each entry, "顧客 管理番号 n name" of a customer
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
        QList<TelsCollision> Collisions;
        // Rows the plan writes (skipped customers and collisions are only reported).
        int Changes() const;
        bool IsEmpty() const { return Changes() == 0; }
        // Skipped customers and collisions: what a person has to settle.
        int LeftAlone() const;
        // One line per change, then per skipped customer and collision, in Japanese, for the
        // list shown before the user confirms and for the command's output.
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
