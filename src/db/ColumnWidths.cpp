#include "db/ColumnWidths.h"

#include "core/DiagLog.h"
#include "db/FbQuery.h"
#include "db/TdmCmn.h"

namespace {
QString Key(const QString& table, const QString& column)
{
    return table.trimmed().toUpper() + QLatin1Char('.') + column.trimmed().toUpper();
}
} // namespace

QHash<QString, int>& ColumnWidths::cache()
{
    static QHash<QString, int> widths;
    return widths;
}

bool& ColumnWidths::loaded()
{
    static bool done = false;
    return done;
}

void ColumnWidths::Reset()
{
    cache().clear();
    loaded() = false;
}

void ColumnWidths::Load(FbDatabase& db)
{
    // Field types 14 (CHAR) and 37 (VARCHAR) are the text columns.
    FbQuery q(db);
    q.setSql(QStringLiteral("SELECT r.RDB$RELATION_NAME AS TBL, r.RDB$FIELD_NAME AS COL, f.RDB$FIELD_LENGTH AS LEN "
                            "FROM RDB$RELATION_FIELDS r JOIN RDB$FIELDS f ON r.RDB$FIELD_SOURCE = f.RDB$FIELD_NAME "
                            "WHERE f.RDB$FIELD_TYPE IN (14, 37) AND COALESCE(r.RDB$SYSTEM_FLAG, 0) = 0"));
    q.open();
    QHash<QString, int> widths;
    while (!q.eof()) {
        widths.insert(Key(q.fieldByName(QStringLiteral("TBL")).asString(), q.fieldByName(QStringLiteral("COL")).asString()),
                      q.fieldByName(QStringLiteral("LEN")).asInteger());
        q.next();
    }
    q.close();
    cache() = widths;
    loaded() = true;
}

int ColumnWidths::Width(const QString& table, const QString& column)
{
    if (!loaded() && dmCmn) {
        try {
            Load(dmCmn->IBDatabase1);
        } catch (const std::exception&) {
            // Without the catalogue the inputs go unlimited; the engine still refuses on save.
            WriteLog(QStringLiteral("ColumnWidths: the column widths could not be read"));
            loaded() = true;
        }
    }
    return cache().value(Key(table, column), -1);
}
