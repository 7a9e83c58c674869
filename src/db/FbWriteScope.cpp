#include "db/FbWriteScope.h"

#include "db/DatabaseError.h"
#include "db/FbCommon.h"
#include "db/FbDatabase.h"

FbWriteScope::FbWriteScope(FbDatabase& db) : FDb(db)
{
    if (FDb.FScopeTrans)
        return;
    FDb.ensureOpen();
    ISC_STATUS_ARRAY status;
    isc_tr_handle trans = 0;
    if (isc_start_transaction(status, &trans, 1, FDb.handle(), FbCommon::kWriteTpbLength, FbCommon::kWriteTpb))
        FbCommon::raise(status);
    FDb.FScopeTrans = trans;
    FOwn = trans;
}

FbWriteScope::~FbWriteScope()
{
    // Gone already when the connection was closed (and its transaction with it) meanwhile.
    if (!FOwn || FDb.FScopeTrans != FOwn)
        return;
    ISC_STATUS_ARRAY status;
    isc_rollback_transaction(status, &FDb.FScopeTrans);
    FDb.FScopeTrans = 0;
}

void FbWriteScope::commit()
{
    if (!FOwn || FDb.FScopeTrans != FOwn)
        return;
    // A local file removed or renamed away stays open for us: rows committed into it vanish
    // with the last handle. Better to fail, so the caller keeps the data elsewhere.
    if (FDb.FScopeTrans && FDb.fileReplaced()) {
        ISC_STATUS_ARRAY ignored;
        isc_rollback_transaction(ignored, &FDb.FScopeTrans);
        FDb.FScopeTrans = 0;
        throw DatabaseError(QStringLiteral("The database file is no longer the one opened (removed or replaced): ") +
                            FDb.databaseName());
    }
    ISC_STATUS_ARRAY status;
    if (FDb.FScopeTrans && isc_commit_transaction(status, &FDb.FScopeTrans)) {
        ISC_STATUS_ARRAY ignored;
        isc_rollback_transaction(ignored, &FDb.FScopeTrans);
        FDb.FScopeTrans = 0;
        FbCommon::raise(status);
    }
    FDb.FScopeTrans = 0;
}
