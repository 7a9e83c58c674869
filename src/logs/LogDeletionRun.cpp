#include "logs/LogDeletionRun.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"

#include <QElapsedTimer>

namespace {
// Cleanup reads this many call numbers at a time, for its progress and its stop.
constexpr qint64 kCleanSlice = 20000;
// The deletion's share of the progress; the cleanup has the rest.
constexpr int kDeletionPermille = 850;
} // namespace

LogDeletionRun::LogDeletionRun(const QString& where, int batchRows) : FWhere(where), FBatch(qMax(1, batchRows))
{
}

LogDeletionRun::Result LogDeletionRun::Run(FbDatabase& db, const std::function<void(const Progress&)>& report)
{
    Result result;
    Progress p;
    QElapsedTimer t;
    t.start();
    try {
        db.open();
        FbQuery q(db);
        // The calls there are now; one stored meanwhile has a higher number and stays.
        q.setSql(QStringLiteral("select count(*), min(LOG_NO), max(LOG_NO) from log\r\n") + FWhere);
        q.open();
        result.Total = p.Total = q.field(0).asInt64();
        const qint64 firstNo = q.field(1).asInt64();
        const qint64 lastNo = q.field(2).asInt64();
        q.close();
        report(p);
        if (result.Total == 0)
            return result;
        // Slices of call numbers, each deleted and committed on its own. The numbers grow with
        // the time of the call, so the range's calls lie together; the upper end keeps the
        // calls stored meanwhile out.
        const QString glue = FWhere.trimmed().isEmpty() ? QStringLiteral("where ") : QStringLiteral("and ");
        const qint64 span = qMax<qint64>(1, lastNo - firstNo + 1);
        for (qint64 from = firstNo; from <= lastNo; from += FBatch) {
            if (FStop) {
                result.Stopped = true;
                break;
            }
            const qint64 to = qMin(lastNo + 1, from + FBatch);
            q.setSql(QStringLiteral("delete from log\r\n") + FWhere + glue +
                     QStringLiteral("LOG_NO >= %1 and LOG_NO < %2").arg(from).arg(to));
            q.exec();
            p.Permille = int(kDeletionPermille * (to - firstNo) / span);
            report(p);
        }
        result.Deleted = result.Total;
        if (result.Stopped) {
            q.setSql(QStringLiteral("select count(*) from log\r\n") + FWhere + glue + QStringLiteral("LOG_NO <= ") +
                     QString::number(lastNo));
            q.open();
            result.Deleted = result.Total - q.field(0).asInt64();
            q.close();
            db.close();
            return result;
        }
        WriteTraceLog(QStringLiteral("LogDeletionRun deleted %1 of %2 in %3 ms")
                          .arg(result.Deleted)
                          .arg(result.Total)
                          .arg(t.elapsed()));
        // Reading the deleted rows' place lets the engine clean them (their versions and
        // index entries) while we wait anyway.
        p.Cleaning = true;
        for (qint64 from = firstNo; from <= lastNo && !FStop; from += kCleanSlice) {
            q.setSql(QStringLiteral("select count(*) from log where LOG_NO >= %1 and LOG_NO < %2")
                         .arg(from)
                         .arg(from + kCleanSlice));
            q.open();
            q.close();
            p.Permille = kDeletionPermille + int((1000 - kDeletionPermille) * qMin(span, from + kCleanSlice - firstNo) / span);
            report(p);
        }
        WriteTraceLog(QStringLiteral("LogDeletionRun cleaned up after %1 ms").arg(t.elapsed()));
        db.close();
    } catch (const AppError& e) {
        result.Error = e.message();
        try {
            db.close();
        } catch (const std::exception&) {
        }
    }
    return result;
}
