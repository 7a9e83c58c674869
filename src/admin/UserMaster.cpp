#include "admin/UserMaster.h"

#include "core/Helpers.h"
#include "core/LikePattern.h"
#include "db/FbQuery.h"
#include "db/MasterKey.h"
#include "db/TdmCmn.h"
#include "db/UserRules.h"

namespace UserMaster {

namespace {

const int kGeneral = 1;
const int kAdministrator = 9999;

QString DateOrNull(const QDate& d)
{
    return d.isValid() ? SqlDate(d) : QStringLiteral("null");
}

QDate DateField(FbQuery& q, const QString& column)
{
    const FbField& f = q.fieldByName(column);
    return f.isNull() ? QDate() : f.asDate();
}

} // namespace

QStringList AuthNames()
{
    return {QStringLiteral("一般"), QStringLiteral("管理者")};
}

int AuthCodeAt(int index)
{
    switch (index) {
    case 0:
        return kGeneral;
    case 1:
        return kAdministrator;
    default:
        return -1;
    }
}

int AuthIndexOf(int code)
{
    if (code == kGeneral)
        return 0;
    return code == kAdministrator ? 1 : -1;
}

QString AuthName(int code)
{
    return AuthNames().value(AuthIndexOf(code));
}

Refusal Validate(const TUserInput& user)
{
    if (user.UserId.trimmed().isEmpty())
        return {Field::UserId, QStringLiteral("ユーザIDを入力してください。")};
    if (user.UserName.trimmed().isEmpty())
        return {Field::UserName, QStringLiteral("ユーザ名を入力してください。")};
    if (AuthIndexOf(user.Auth) < 0)
        return {Field::Auth, QStringLiteral("権限を選択してください。")};
    return {};
}

QString ListSql(bool showDeleted)
{
    return QStringLiteral("select * from USER_M ") + (showDeleted ? QString() : QStringLiteral("where DEL_DT is null ")) +
           QStringLiteral("order by LISTID");
}

QString InsertSql(const TUserInput& user, const QDateTime& now, const QString& passwordLiteral)
{
    return QStringLiteral("insert into USER_M (USERID, USERNM, PASSWD, AUTH, LISTID, FROMDT, TODT, UPDT) values (") +
           QuotedSql(user.UserId) + QStringLiteral(", ") + QuotedSql(user.UserName) + QStringLiteral(", ") +
           passwordLiteral + QStringLiteral(", ") + QString::number(user.Auth) + QStringLiteral(", ") +
           QuotedSql(user.ListId) + QStringLiteral(", ") + DateOrNull(user.FromDt) + QStringLiteral(", ") +
           DateOrNull(user.ToDt) + QStringLiteral(", ") + SqlDateTime(now) + QStringLiteral(")");
}

QString UpdateSql(const TUserInput& user, const QDateTime& now, const QString& passwordLiteral)
{
    return QStringLiteral("update USER_M set USERNM = ") + QuotedSql(user.UserName) + QStringLiteral(", ") +
           QStringLiteral("PASSWD = ") + passwordLiteral + QStringLiteral(", ") + QStringLiteral("AUTH = ") +
           QString::number(user.Auth) + QStringLiteral(", ") + QStringLiteral("LISTID = ") + QuotedSql(user.ListId) +
           QStringLiteral(", ") + QStringLiteral("FROMDT = ") + DateOrNull(user.FromDt) + QStringLiteral(", ") +
           QStringLiteral("TODT = ") + DateOrNull(user.ToDt) + QStringLiteral(", ") + QStringLiteral("DEL_DT = null, ") +
           QStringLiteral("UPDT = ") + SqlDateTime(now) + QStringLiteral(" ") + QStringLiteral("where USERID = ") +
           QuotedSql(user.UserId);
}

QString DeleteSql(const QString& userId, const QDateTime& now)
{
    return QStringLiteral("update USER_M set DEL_DT = ") + SqlDateTime(now) + QStringLiteral(" ") +
           QStringLiteral("where USERID = ") + QuotedSql(userId);
}

QList<UserRow> List(TdmCmn& dm, bool showDeleted)
{
    QList<UserRow> rows;
    MasterKey::ForEachRow(dm, ListSql(showDeleted), [&](FbQuery& q) {
        UserRow row;
        row.User.UserId = q.fieldByName(QStringLiteral("USERID")).asString();
        row.User.UserName = q.fieldByName(QStringLiteral("USERNM")).asString();
        row.User.Passwd = q.fieldByName(QStringLiteral("PASSWD")).asString();
        row.User.Auth = q.fieldByName(QStringLiteral("AUTH")).asInteger();
        row.User.ListId = q.fieldByName(QStringLiteral("LISTID")).asString();
        row.User.FromDt = DateField(q, QStringLiteral("FROMDT"));
        row.User.ToDt = DateField(q, QStringLiteral("TODT"));
        if (!q.fieldByName(QStringLiteral("DEL_DT")).isNull())
            row.DelDt = q.fieldByName(QStringLiteral("DEL_DT")).asDateTime();
        rows << row;
    });
    return rows;
}

QString SearchSql(const QString& name)
{
    QString sql = QStringLiteral("select * from USER_M  where DEL_DT is null ");
    if (!name.isEmpty())
        sql += QStringLiteral("and USERNM like ") + QuotedSql(LikePattern::ForSearch(name, true)) + QStringLiteral(" ");
    return sql + QStringLiteral(" order by LISTID");
}

Found Search(TdmCmn& dm, const QString& name, const QDate& day)
{
    const QString pattern = LikePattern::ForSearch(name, true);
    Found found;
    MasterKey::ForEachRow(dm, SearchSql(name), [&](FbQuery& q) {
        const QString userName = q.fieldByName(QStringLiteral("USERNM")).asString();
        const bool valid =
            UserRules::IsValidOn(DateField(q, QStringLiteral("FROMDT")), DateField(q, QStringLiteral("TODT")), false, day);
        // Shift-JIS LIKE can hit inside a double-byte character: keep real matches only.
        if (valid && (name.isEmpty() || LikePattern::Matches(userName, pattern))) {
            found.Ids << q.fieldByName(QStringLiteral("USERID")).asString();
            found.Names << userName;
        }
    });
    return found;
}

} // namespace UserMaster
