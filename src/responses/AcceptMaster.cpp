#include "responses/AcceptMaster.h"

#include "core/Helpers.h"
#include "db/TdmCmn.h"

const AcceptMasterDef& AcceptMaster::Types()
{
    static const AcceptMasterDef def{QStringLiteral("ACCEPT_TYPE"),
                                     QStringLiteral("TYPE_ID"),
                                     QStringLiteral("TYPE_NAME"),
                                     QStringLiteral("対応区分登録"),
                                     QStringLiteral("対応区分ID"),
                                     QStringLiteral("対応区分IDを入力してください。"),
                                     QStringLiteral("対応区分名"),
                                     QStringLiteral("対応区分名を入力してください。"),
                                     QStringLiteral("TfrmAcceptType.btnInsertClick"),
                                     TUpTable::TypeTable,
                                     QStringLiteral("frmAcceptType")};
    return def;
}

const AcceptMasterDef& AcceptMaster::Results()
{
    static const AcceptMasterDef def{QStringLiteral("ACCEPT_RESULT"),
                                     QStringLiteral("RESULT_ID"),
                                     QStringLiteral("RESULT_NAME"),
                                     QStringLiteral("対応結果登録"),
                                     QStringLiteral("対応結果ID"),
                                     QStringLiteral("対応結果IDを入力してください。"),
                                     QStringLiteral("対応結果名"),
                                     QStringLiteral("対応結果名を入力してください。"),
                                     QStringLiteral("TfrmAcceptResult.btnInsertClick begin"),
                                     TUpTable::ResultTable,
                                     QStringLiteral("frmAcceptResult")};
    return def;
}

QString AcceptMaster::ListSql(bool showDeleted) const
{
    return QStringLiteral("select * from ") + FDef.Table + QStringLiteral(" ") +
           (showDeleted ? QString() : QStringLiteral("where DEL_DT is null ")) + QStringLiteral("order by LIST_ID");
}

QString AcceptMaster::InsertSql(const QString& id, const QString& name, const QString& listId) const
{
    return QStringLiteral("insert into ") + FDef.Table + QStringLiteral(" (") + FDef.IdColumn + QStringLiteral(", ") +
           FDef.NameColumn + QStringLiteral(", LIST_ID) values (") + QuotedSql(id) + QStringLiteral(", ") +
           QuotedSql(name) + QStringLiteral(", ") + QuotedSql(listId) + QStringLiteral(")");
}

QString AcceptMaster::UpdateSql(const QString& id, const QString& name, const QString& listId) const
{
    return QStringLiteral("update ") + FDef.Table + QStringLiteral(" set ") + FDef.NameColumn + QStringLiteral(" = ") +
           QuotedSql(name) + QStringLiteral(", ") + QStringLiteral("LIST_ID = ") + QuotedSql(listId) +
           QStringLiteral(", ") + QStringLiteral("DEL_DT = null ") + QStringLiteral("where ") + FDef.IdColumn +
           QStringLiteral(" = ") + QuotedSql(id);
}

QString AcceptMaster::DeleteSql(const QString& id, const QDateTime& now) const
{
    return QStringLiteral("update ") + FDef.Table + QStringLiteral(" set DEL_DT = ") + SqlDateTime(now) +
           QStringLiteral(" ") + QStringLiteral("where ") + FDef.IdColumn + QStringLiteral(" = ") + QuotedSql(id);
}

QList<MasterRow> AcceptMaster::List(TdmCmn& dm, bool showDeleted) const
{
    return MasterKey::ReadRows(dm, ListSql(showDeleted), FDef.IdColumn, FDef.NameColumn);
}

int AcceptMaster::DelState(TdmCmn& dm, const QString& id) const
{
    return dm.GetDelState(FDef.Table, FDef.IdColumn, QuotedSql(id));
}
