#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class FbQuery;

// One attachment to a Firebird database, opened on first use. A local file path uses the
// embedded engine; "host:/path" goes to a server. Knows nothing of the tables it serves.
// Every statement runs in a transaction of its own that is committed as soon as it has run.
class FbDatabase
{
public:
    using StatementHook = std::function<void(const QString& sql)>;

    FbDatabase();
    ~FbDatabase();
    FbDatabase(const FbDatabase&) = delete;
    FbDatabase& operator=(const FbDatabase&) = delete;

    void setDatabaseName(const QString& path) { FPath = path; }
    const QString& databaseName() const { return FPath; }
    // Parameter lines "user_name=…", "password=…", "lc_ctype=…", as a connection keeps them
    // ("force_write=0|1" changes the file's forced-writes setting for good).
    void setParams(const QStringList& lines) { FParams = lines; }
    const QStringList& params() const { return FParams; }
    void setSqlDialect(int dialect) { FDialect = dialect; }
    int sqlDialect() const { return FDialect; }

    bool connected() const { return FHandle != 0; }
    // Attaches; throws DatabaseError with the client library's text when it cannot.
    void open();
    // Drops every open query's statement and transaction, then detaches. While the engine's
    // lock folder is away (moved with the database's folder) the engine cannot detach: it
    // fails inside and ends the process. The attachment is then set aside instead, taken up
    // again by open() when the same file is back, detached once the folder is.
    void close();
    // Attachments set aside by close(), not yet detached.
    int setAside() const { return int(FSetAside.size()); }
    // While a reason is set, open() refuses with it: the file is being replaced (a restore),
    // and nothing may attach to it meanwhile. Empty: open as usual.
    void setHeldAway(const QString& reason) { FHeldAway = reason; }
    bool heldAway() const { return !FHeldAway.isEmpty(); }
    void ensureOpen()
    {
        if (!connected())
            open();
    }

    // Runs one statement that returns no rows and commits it.
    void execute(const QString& sql);
    // Runs the statements in one transaction; for bulk loads by the tools, not the program.
    void executeInOneTransaction(const QStringList& statements);

    // Called with every statement just before it goes to the database (tests inject failures).
    void setStatementHook(StatementHook hook) { FHook = std::move(hook); }
    void runStatementHook(const QString& sql) const
    {
        if (FHook)
            FHook(sql);
    }

    // "host:/path" or "host/port:/path": a database on a Firebird server, not a local file.
    static bool IsServerPath(const QString& path);

    // True when the database is a local file and the file now at its path is not the one
    // that was opened (removed, renamed away or replaced): the open attachment would go on
    // writing into a file nobody sees again.
    bool fileReplaced() const;

    // Creates an empty dialect-1 database whose default character set is NONE.
    static void createDatabase(const QString& path, const QString& user, const QString& password);

    // The client library's attachment handle (isc_db_handle).
    unsigned int* handle() { return &FHandle; }

private:
    friend class FbQuery;
    friend class FbWriteScope;
    struct Attachment
    {
        unsigned int Handle;
        unsigned long long FileDevice, FileInode;
    };
    // Detaches or takes up again the attachments set aside, once that is safe; true when one
    // of them is the attachment again.
    bool settleSetAside();
    bool engineFolderAway() const;

    void registerQuery(FbQuery* q) { FQueries.append(q); }
    void unregisterQuery(FbQuery* q) { FQueries.removeAll(q); }

    QString FPath;
    QString FHeldAway;
    QStringList FParams;
    int FDialect = 1;
    unsigned int FHandle = 0;
    // Device and inode of the local file at the time it was attached; 0/0 for a server.
    unsigned long long FFileDevice = 0;
    unsigned long long FFileInode = 0;
    // The engine's lock folder at the time of the first local attachment.
    unsigned long long FLockDevice = 0;
    unsigned long long FLockInode = 0;
    QList<Attachment> FSetAside;
    unsigned int FScopeTrans = 0; // the transaction of an FbWriteScope, when one is alive
    StatementHook FHook;
    QList<FbQuery*> FQueries;
};
