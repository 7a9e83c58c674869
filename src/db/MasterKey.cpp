#include "db/MasterKey.h"

#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"

namespace MasterKey {

State FromDelState(int delState)
{
    if (delState < 0)
        return State::Absent;
    return delState == 0 ? State::Active : State::Deleted;
}

Action Decide(State state)
{
    switch (state) {
    case State::Absent:
        return Action::Insert;
    case State::Active:
        return Action::Update;
    case State::Deleted:
        break;
    }
    const MsgResult answer = MessageService::Show(
        MsgKind::Warning, QStringLiteral("既に削除されたIDですが再登録してよろしいですか？"), MsgButtons::OkCancel);
    return answer == MsgResult::Ok ? Action::Update : Action::Stop;
}

void Execute(TdmCmn& dm, const QString& sql, const QString& logged)
{
    WriteTraceLog(QStringLiteral("strSql=") + (logged.isEmpty() ? sql : logged));
    dm.sqlWork2.setSql(sql);
    dm.sqlWork2.exec();
}

void ForEachRow(TdmCmn& dm, const QString& sql, const std::function<void(FbQuery&)>& read)
{
    WriteTraceLog(QStringLiteral("strSql=") + sql);
    FbQuery& q = dm.sqlWork2;
    q.setSql(sql);
    q.open();
    while (!q.eof()) {
        read(q);
        q.next();
    }
    q.close();
}

QList<MasterRow> ReadRows(TdmCmn& dm, const QString& sql, const QString& idColumn, const QString& nameColumn)
{
    QList<MasterRow> rows;
    ForEachRow(dm, sql, [&](FbQuery& q) {
        MasterRow row;
        row.Id = q.fieldByName(idColumn).asString();
        row.Name = q.fieldByName(nameColumn).asString();
        row.ListId = q.fieldByName(QStringLiteral("LIST_ID")).asString();
        if (!q.fieldByName(QStringLiteral("DEL_DT")).isNull())
            row.DelDt = q.fieldByName(QStringLiteral("DEL_DT")).asDateTime();
        rows << row;
    });
    return rows;
}

} // namespace MasterKey
