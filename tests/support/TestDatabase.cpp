#include "support/TestDatabase.h"

#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"

TestDatabase::TestDatabase(const QString& path, bool upgrade) : FPath(path)
{
    InitialDatabase::Create(path);
    delete dmCmn;
    dmCmn = new TdmCmn(path);
    if (upgrade) {
        // A fresh database: the upgrade asks nothing. Responses start off, as they always did here.
        InitTables(*dmCmn, nullptr);
        GUseAccept = false;
        MessageService::clearShown();
    }
}

TestDatabase::~TestDatabase()
{
    delete dmCmn;
    dmCmn = nullptr;
}

TdmCmn* TestDatabase::dm() const
{
    return dmCmn;
}

QString TestDatabase::Scalar(const QString& sql)
{
    FbQuery& q = dmCmn->sqlWork;
    q.setSql(sql);
    q.open();
    const QString value = q.eof() ? QString() : q.field(0).asString();
    q.close();
    return value;
}

QStringList TestDatabase::ColumnIn(const QString& path, const QString& sql)
{
    FbDatabase db;
    db.setDatabaseName(path);
    db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                  QStringLiteral("lc_ctype=ASCII")});
    db.setSqlDialect(1);
    db.open();
    QStringList values;
    {
        FbQuery q(db);
        q.setSql(sql);
        for (q.open(); !q.eof(); q.next())
            values << q.field(0).asString();
        q.close();
    }
    db.close();
    return values;
}
