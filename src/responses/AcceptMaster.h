#pragma once

#include "calls/TUpTable.h"
#include "db/MasterKey.h"

#include <QDateTime>
#include <QList>
#include <QString>

class TdmCmn;

// What differs between the response type and response result masters.
struct AcceptMasterDef
{
    QString Table;
    QString IdColumn;
    QString NameColumn;
    QString Caption;
    QString IdLabel;
    QString IdMessage;
    QString NameLabel;
    QString NameMessage;
    QString InsertLogLine;
    TUpTable::Flag RefreshFlag;
    QString FormName;
};

// The statements of one response master (types or results): one mechanism, two tables.
class AcceptMaster
{
public:
    static const AcceptMasterDef& Types();
    static const AcceptMasterDef& Results();

    explicit AcceptMaster(const AcceptMasterDef& def) : FDef(def) {}
    const AcceptMasterDef& Def() const { return FDef; }

    // Ordered by LIST_ID compared as text.
    QString ListSql(bool showDeleted) const;
    QString InsertSql(const QString& id, const QString& name, const QString& listId) const;
    // Renames, reorders and revives.
    QString UpdateSql(const QString& id, const QString& name, const QString& listId) const;
    QString DeleteSql(const QString& id, const QDateTime& now) const;

    QList<MasterRow> List(TdmCmn& dm, bool showDeleted) const;
    // -1 absent, 0 active, 1 deleted.
    int DelState(TdmCmn& dm, const QString& id) const;

private:
    AcceptMasterDef FDef;
};
