#include "support/TempDb.h"

#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/FbDatabase.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/TestEnv.h"

TempDb::TempDb(Kind kind)
{
    TestEnv::PrepareTestProcess();
    FDir.setAutoRemove(qEnvironmentVariable("ZUVARO_KEEP_TEST_DIRS").isEmpty());
    FPath = FDir.filePath(QStringLiteral("ZUVARODB.FDB"));
    InitialDatabase::Create(FPath);
    {
        // Synchronous page writes protect against an OS crash, which tests do not need; on a
        // busy machine they make every DDL statement take tens of milliseconds.
        FbDatabase db;
        db.setDatabaseName(FPath);
        db.setParams({QStringLiteral("user_name=") + DefaultDbUser(), QStringLiteral("password=") + DefaultDbPassword(),
                      QStringLiteral("force_write=0")});
        db.open();
        db.close();
    }
    if (kind == Current)
        upgrade();
}

TempDb::~TempDb() = default;

TdmCmn& TempDb::dm()
{
    if (!FDm)
        FDm = std::make_unique<TdmCmn>(FPath);
    return *FDm;
}

void TempDb::upgrade()
{
    // A fresh database: the upgrade asks nothing. Responses start on, as they always did here.
    InitTables(dm(), nullptr);
    GUseAccept = true;
    MessageService::clearAnswers();
    MessageService::clearShown();
}

QString TempDb::scalar(const QString& sql)
{
    FbQuery& q = dm().sqlWork;
    q.setSql(sql);
    q.open();
    const QString value = q.eof() ? QString() : q.field(0).asString();
    q.close();
    return value;
}

int TempDb::count(const QString& table, const QString& where)
{
    return scalar(QStringLiteral("select count(*) from ") + table +
                  (where.isEmpty() ? QString() : QStringLiteral(" where ") + where))
        .toInt();
}
