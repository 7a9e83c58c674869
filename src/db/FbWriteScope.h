#pragma once

class FbDatabase;

// While alive, every statement of the database's queries runs in one read-write
// transaction, committed by commit() and rolled back when the scope ends without it.
// The data module draws a generator number and inserts the row that uses it this way: the
// generator is not transactional anyway, and with forced writes a transaction of its own
// would cost one more synchronous page write. A scope opened inside another joins it.
class FbWriteScope
{
public:
    explicit FbWriteScope(FbDatabase& db);
    ~FbWriteScope();
    FbWriteScope(const FbWriteScope&) = delete;
    FbWriteScope& operator=(const FbWriteScope&) = delete;

    // Throws, rolling back, when the database is a local file and the file at its path is no
    // longer the one attached.
    void commit();

private:
    FbDatabase& FDb;
    // The transaction this scope started; 0 when it runs inside another scope, whose commit
    // then covers its statements too.
    unsigned int FOwn = 0;
};
