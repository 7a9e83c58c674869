#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

class FbQuery;
class TdmCmn;

// The register rule the master dialogs share: an identifier that is absent is inserted, an
// active one is overwritten without a question, a logically deleted one is brought back only
// after the user confirms.
// One row of a small master (identifier, name, display order) as its dialog lists it.
struct MasterRow
{
    QString Id;
    QString Name;
    QString ListId;
    QDateTime DelDt; // invalid while active
    bool Deleted() const { return DelDt.isValid(); }
};

namespace MasterKey {

enum class State { Absent, Active, Deleted };
enum class Action { Insert, Update, Stop };

// From TdmCmn::GetDelState (-1 no row, 0 active, 1 deleted).
State FromDelState(int delState);
// Asks "既に削除されたIDですが再登録してよろしいですか？" for a deleted key.
Action Decide(State state);
// Logs "strSql=" + logged (the statement itself when empty) and runs sql on sqlWork2.
void Execute(TdmCmn& dm, const QString& sql, const QString& logged = QString());
// Logs "strSql=" + sql, opens it on sqlWork2 and hands every row to read.
void ForEachRow(TdmCmn& dm, const QString& sql, const std::function<void(FbQuery& row)>& read);
// Rows of identifier, name, LIST_ID and DEL_DT.
QList<MasterRow> ReadRows(TdmCmn& dm, const QString& sql, const QString& idColumn, const QString& nameColumn);

} // namespace MasterKey
