#include "db/UserRules.h"

#include "core/Helpers.h"

namespace UserRules {

QString SqlCondition(const QDate& day)
{
    const QString d = SqlDate(day);
    return QStringLiteral(" and (FROMDT is null or FROMDT <= ") + d + QStringLiteral(" )") +
           QStringLiteral(" and (TODT is null or TODT > ") + d + QStringLiteral(" )");
}

bool IsValidOn(const QDate& from, const QDate& to, bool deleted, const QDate& day)
{
    if (deleted)
        return false;
    if (from.isValid() && from > day)
        return false;
    return !to.isValid() || to > day;
}

} // namespace UserRules
