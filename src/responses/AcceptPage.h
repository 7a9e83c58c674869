#pragma once

#include "calls/TUpTable.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class TdmCmn;

// The main window's list of one day's responses: what it reads and how a row is deleted.
namespace AcceptPage {
// Cells of a row: date, customer name, subject, type, result, user (shown), then ACT_NO,
// CUST_NO, CUST_TEL_NON and the content (hidden).
enum Column { ColDate, ColCustName, ColTitle, ColType, ColResult, ColUser, ColActNo, ColCustNo, ColCustTelNon, ColContent };
constexpr int ColumnCount = 10;

QString DaySql(const QDate& day);
// The responses of day, newest first; customers that are deleted are left out.
QList<QStringList> Load(TdmCmn& dm, const QDate& day);

// Runs a statement over ACCEPT_T joined with its customer and masters (logged) and returns
// its rows in the cells above, leaving out those keep refuses.
QList<QStringList> Rows(TdmCmn& dm, const QString& sql, const std::function<bool(const QStringList&)>& keep = {});

QString NoSelectionMessage();

struct TDeleteTarget
{
    QString ActNo;
    QString CustNo;
    QString CustTelNon;
};
enum class DeleteOutcome { Cancelled, Deleted, Unreadable };
// Asks, then deletes the response; a row whose numbers cannot be read is reported, not
// deleted. Messages go through the message service.
DeleteOutcome Delete(TdmCmn& dm, const TDeleteTarget& target);
// What the main window reloads after a deletion: the call log and that customer's tab.
TUpTable RefreshAfterDelete(const TDeleteTarget& target);
} // namespace AcceptPage
