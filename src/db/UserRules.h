#pragma once

#include <QDate>
#include <QString>

// Who may work on a given day: not deleted, FROMDT null or not after the day, TODT null or
// after the day. TODT is the first day a user is no longer valid, so a TODT of today already
// excludes them. The statements and the in-memory check both come from here, so the lists,
// the picker and the login can never disagree.
namespace UserRules {

// The date conditions for the day, appended after a "DEL_DT is null" condition:
// " and (FROMDT is null or FROMDT <= 'yyyy/mm/dd' ) and (TODT is null or TODT > 'yyyy/mm/dd' )".
QString SqlCondition(const QDate& day);
// The same rule for a row already read; a null date means no bound.
bool IsValidOn(const QDate& from, const QDate& to, bool deleted, const QDate& day);

// Passwords are stored and compared as typed, but never logged: a logged statement carries
// this literal in place of the password.
inline QString LoggedPassword()
{
    return QStringLiteral("'***'");
}

} // namespace UserRules
