#pragma once

#include <QList>
#include <QString>

class TdmCmn;

// One INTERFACE row as the master dialog edits it (numbers held as typed).
struct TInterfaceRow
{
    QString IfNo;
    QString IfName;
    QString IfType;
    QString ExecPath;
    QString Command;
    QString TextPath;
    QString TextPort = QStringLiteral("0");
    QString TextDt = QStringLiteral("0");
    QString Caption;
    QString EveryClose = QStringLiteral("0");
    QString StartReq;
    QString EndReq;
};

// The external program master as a table the dialog walks: rows in IF_NO order, a current
// row, and the browse / insert / edit states. Stores with one statement per change.
class InterfaceTable
{
public:
    enum State { Browse, Insert, Edit };

    explicit InterfaceTable(TdmCmn& dm);

    void Refresh();
    const QList<TInterfaceRow>& Rows() const { return FRows; }
    int Current() const { return FCurrent; }
    // Moves to a row, kept inside the table (-1 when it is empty).
    void MoveTo(int index);
    // The index of the row with this number, -1 when none.
    int IndexOf(int ifNo) const;
    TInterfaceRow CurrentRow() const;
    State state() const { return FState; }

    void Append();
    void EditCurrent();
    // Stores the row being added or edited. A missing number or type, or a number that
    // exists already, throws AppError; the state then stays as it was.
    void Post(const TInterfaceRow& row);
    void CancelEdit();
    void DeleteCurrent();

private:
    TdmCmn& FDm;
    QList<TInterfaceRow> FRows;
    int FCurrent = -1;
    State FState = Browse;
};

// Which fields of a link apply, for its type and restart box.
struct InterfaceFieldRules
{
    bool TextPath = false;
    bool TextFlags = false;
    bool Caption = false;
    bool EveryClose = false;
    bool StartReqVisible = true;
    bool StartReq = false;
    bool EndReq = false;
    bool RequestLabel = false;
    QString StartLabel;

    static InterfaceFieldRules For(const QString& type, bool everyClose);
};
