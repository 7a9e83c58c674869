#pragma once

#include <QDate>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

class ProfileFile;
class TdmCmn;

// The conditions of the response search. An empty type or result identifier means "any";
// the user condition applies whenever a user was chosen, whatever the identifier.
struct TActSearchCond
{
    bool UseFrom = true;
    QDate From;
    bool UseTo = true;
    QDate To;
    qint32 CustNo = -1;
    QString Text;
    bool InTitle = true;
    bool InContent = true;
    QString TypeId;
    QString ResultId;
    bool UserChosen = false;
    QString UserId;
};
Q_DECLARE_METATYPE(TActSearchCond)

// Builds and runs the response search, and keeps its history of search texts.
namespace ActSearch {
// Cells of a hit: date, customer name, subject, type, result, user, ACT_NO, CUST_TEL_NON.
enum Column { ColDate, ColCustName, ColTitle, ColType, ColResult, ColUser, ColActNo, ColCustTelNon };
constexpr int ColumnCount = 8;
constexpr int HistoryMax = 20;

bool PeriodReversed(const TActSearchCond& c);
QString Sql(const TActSearchCond& c);
// Runs the statement (logged) and returns the hits newest first. The database compares LIKE
// on Shift-JIS bytes, so rows that matched only inside a double-byte character are dropped.
QList<QStringList> Run(TdmCmn& dm, const TActSearchCond& c);

// A new text goes to the end; a known one keeps its place; the oldest go beyond the limit.
QStringList AddToHistory(QStringList history, const QString& text);
QStringList ReadHistory(const ProfileFile& ini);
void WriteHistory(ProfileFile& ini, const QStringList& history);
} // namespace ActSearch
