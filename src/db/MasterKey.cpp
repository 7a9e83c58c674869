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

} // namespace MasterKey
