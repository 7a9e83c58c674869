#pragma once

#include <QDate>
#include <QString>

#include <functional>

// What the totals dialog asks for, in the terms of its controls.
struct TTotalRequest
{
    int Summary = 1; // 0 "なし" (a list of the calls), 1 "通話回数" (a ranking)
    int Item = 0;    // 0 by phone-book number, 1 by the customer's representative number
    QDate DateFrom;
    QDate DateTo;
    int Kubun = 0; // 0 "着信", 1 "発信", 2 "全て"

    // Number group (used for Item 0): one number, or all with an optional top-N limit.
    bool TelSingle = false;
    QString TelNo;
    bool TelTop = false;
    int TelNum = 10;

    // Customer group (used for Item 1).
    bool CustSingle = false;
    QString CustNo;
    bool CustTop = false;
    int CustNum = 10;

    // Own phone filter: offered only while the call log shows its port column.
    bool PortOffered = false;
    bool PortChecked = false;
    QString PortText;

    bool Ranking() const { return Summary == 1; }
    // The top-N limit of the visible group for a ranking, -1 for none.
    int Limit() const;
};

// The input a warning is about; the dialog puts the focus there.
enum class TTotalInput { None, TelNo, TelNum, CustNo, CustNum, PortNo };

struct TTotalSql
{
    QString Sql; // empty when a warning stopped the building
    // The statement run for it: the same rows, for a ranking counted per number before the
    // phone book is joined, which reads each call once and avoids walking the number index.
    QString RunSql;
    QString Warning;
    TTotalInput Focus = TTotalInput::None;
    bool Ok() const { return !Sql.isEmpty(); }
};

// Builds the totals statement from a request. The two lookups answer whether a number is in
// the phone book and whether a customer has the representative number.
class TotalsSql
{
public:
    using Exists = std::function<bool(const QString& number)>;

    TotalsSql(Exists telExists, Exists custExists);

    TTotalSql GetSqlStr(const TTotalRequest& request) const;

    // The day as the database reads a month/day/two-digit-year literal, e.g. "04/01/24".
    static QString ShortUsDate(const QDate& day);
    // The statement that lists the ranking stored in the work table.
    static QString RankingSql() { return QStringLiteral("select * from PRINT1 order by TOTAL desc"); }

private:
    Exists FTelExists;
    Exists FCustExists;
};
