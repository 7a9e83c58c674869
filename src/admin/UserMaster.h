#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class TdmCmn;

// What the user master dialog registers; a null date is an unchecked picker.
struct TUserInput
{
    QString UserId;
    QString UserName;
    QString Passwd;
    int Auth = -1; // -1: no authority chosen
    QString ListId;
    QDate FromDt;
    QDate ToDt;
};

// A USER_M row as the master dialog lists it.
struct UserRow
{
    TUserInput User;
    QDateTime DelDt; // invalid while active
};

// The rules of the user master and the user picker: authority names, validation and the
// statements. Logged statements carry the password as '***'.
namespace UserMaster {

enum class Field { None, UserId, UserName, Auth };
struct Refusal
{
    Field field = Field::None;
    QString message;
};

// "一般" (1) and "管理者" (9999), in the order of the drop-down.
QStringList AuthNames();
int AuthCodeAt(int index);
// Drop-down index of a code, -1 for any other code.
int AuthIndexOf(int code);
// "一般", "管理者" or empty for any other code.
QString AuthName(int code);

Refusal Validate(const TUserInput& user);

QString ListSql(bool showDeleted);
// passwordLiteral: the quoted password to run, or UserRules::LoggedPassword() to log.
QString InsertSql(const TUserInput& user, const QDateTime& now, const QString& passwordLiteral);
QString UpdateSql(const TUserInput& user, const QDateTime& now, const QString& passwordLiteral);
QString DeleteSql(const QString& userId, const QDateTime& now);

QList<UserRow> List(TdmCmn& dm, bool showDeleted);

// The picker: users valid on day whose name contains name (all when empty), in LISTID order.
QString SearchSql(const QString& name);
struct Found
{
    QStringList Ids;
    QStringList Names;
};
Found Search(TdmCmn& dm, const QString& name, const QDate& day);

} // namespace UserMaster
