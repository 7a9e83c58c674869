#include "db/IndexStatistics.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/StopRequest.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"

#include <QMap>

namespace IndexStatistics {
namespace {
const char* const kGenerators[] = {"SEQ_LOG_NO", "SEQ_CUST_NO", "SEQ_ACCEPT_NO"};

void logRefusal(const char* what, const AppError& e)
{
    if (StopRequest::Requested())
        throw;
    WriteLog(QLatin1String(what) + EscapeLogText(e.message()));
}
} // namespace

bool Stale(TdmCmn& dm)
{
    try {
        QMap<QString, qint64> marks;
        dm.sqlWork.setSql(QStringLiteral("select GEN_NAME, GEN_VALUE from INDEX_STATS_MARK"));
        dm.sqlWork.open();
        for (; !dm.sqlWork.eof(); dm.sqlWork.next())
            marks.insert(dm.sqlWork.field(0).asString().trimmed(), dm.sqlWork.field(1).asInt64());
        dm.sqlWork.close();
        QString sql = QStringLiteral("select ");
        for (const char* g : kGenerators)
            sql += QStringLiteral("gen_id(%1, 0), ").arg(QLatin1String(g));
        sql.chop(2);
        dm.sqlWork.setSql(sql + QStringLiteral(" from RDB$DATABASE"));
        dm.sqlWork.open();
        bool stale = false;
        int i = 0;
        for (const char* g : kGenerators) {
            const qint64 now = dm.sqlWork.field(i++).asInt64();
            const auto mark = marks.constFind(QLatin1String(g));
            if (mark == marks.cend() || now - *mark > *mark / 10)
                stale = true;
        }
        dm.sqlWork.close();
        return stale;
    } catch (const AppError& e) {
        dm.sqlWork.release();
        logRefusal("Index statistics marks not read: ", e);
        return true;
    }
}

bool RefreshWhenStale(TdmCmn& dm)
{
    if (!Stale(dm)) {
        WriteTraceLog(QStringLiteral("Index statistics are current"));
        return false;
    }
    RefreshIndexStatistics(dm);
    return true;
}

void RecordRefresh(TdmCmn& dm)
{
    QString block = QStringLiteral("EXECUTE BLOCK AS BEGIN ");
    for (const char* g : kGenerators)
        block += QStringLiteral("UPDATE OR INSERT INTO INDEX_STATS_MARK (GEN_NAME, GEN_VALUE) VALUES ('%1', "
                                "gen_id(%1, 0)) MATCHING (GEN_NAME); ")
                     .arg(QLatin1String(g));
    try {
        dm.ExecSql(block + QStringLiteral("END"));
    } catch (const AppError& e) {
        logRefusal("Index statistics marks not written: ", e);
    }
}

void MarkStale(TdmCmn& dm)
{
    try {
        dm.ExecSql(QStringLiteral("delete from INDEX_STATS_MARK"));
    } catch (const AppError& e) {
        logRefusal("Index statistics not marked stale: ", e);
    }
}

} // namespace IndexStatistics
