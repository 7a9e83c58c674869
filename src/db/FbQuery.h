#pragma once

#include "db/FbField.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class FbDatabase;

// A statement on a connection, used the way the program's shared queries are used: set the
// SQL, open and walk the rows (reading columns by name), close; or exec a statement that
// returns no rows. Reads run in a read-only transaction, writes in a read-write one, and
// either is committed when the statement has run (a read: when the query is closed).
class FbQuery
{
public:
    explicit FbQuery(FbDatabase& db);
    ~FbQuery();
    FbQuery(const FbQuery&) = delete;
    FbQuery& operator=(const FbQuery&) = delete;

    FbDatabase& database() { return FDb; }

    // Changing the SQL closes the query and forgets the parameters.
    void setSql(const QString& sql);
    const QString& sql() const { return FSql; }
    void clearSql() { setSql(QString()); }
    // Binds a binary blob to ":name" in the SQL (for exec). A null array stores null.
    void setBlobParam(const QString& name, const QByteArray& data);

    // Values of the positional "?" parameters of a select, bound as text.
    void setTextParams(const QStringList& values) { FTextParams = values; }
    // Keeps a statement prepared after it ran (a select after close()): the next open() of the
    // same SQL only binds and runs it. Errors, release() and a closing connection drop it as
    // always.
    void setKeepPrepared(bool keep) { FKeepPrepared = keep; }

    // Runs the statement and stands on the first row (eof when there is none).
    void open();
    bool isOpen() const { return FOpen; }
    bool eof() const { return FEof; }
    void next();
    void close();
    // Runs a statement that returns no rows (insert, update, delete, DDL) and commits it.
    void exec();

    int fieldCount() const { return int(FNames.size()); }
    QString fieldName(int i) const { return FNames.value(i); }
    // Column names are matched without regard to case; the first of equal names wins.
    int fieldIndex(const QString& name) const;
    FbField field(int i) const;
    // Throws AppError when the row has no such column.
    FbField fieldByName(const QString& name) const;

    // Drops the statement and rolls the transaction back without raising (cleanup paths,
    // and the connection closing under the query).
    void release() noexcept;

    // Bulk readers (the exports) take the columns straight from the fetch buffers: with raw
    // rows on, a fetch converts nothing, field() is not available, and each column is read
    // through rawColumn() or, converted, through value(). Set before open().
    void setRawRows(bool raw) { FRawRows = raw; }
    struct RawColumn
    {
        int type = 0; // the SQL_ type code, without the null flag
        short scale = 0;
        short subType = 0;
        bool null = true;
        // Text (CHAR without its padding, VARCHAR without its length) or the value's bytes.
        const char* data = nullptr;
        int length = 0;
    };
    // Column i of the current row as fetched (only while the query stands on a row).
    RawColumn rawColumn(int i) const;
    // Column i of the current row converted as field() would give it.
    QVariant value(int i);

private:
    struct Impl;
    void fetchRow();
    void readRow();
    QVariant columnValue(int i);
    void execWithParams();

    FbDatabase& FDb;
    QString FSql;
    QStringList FTextParams;
    bool FKeepPrepared = false;
    QString FPreparedSql;
    QStringList FParamNames;
    QList<QByteArray> FParamValues;
    std::unique_ptr<Impl> d;
    QStringList FNames;
    QList<QVariant> FRow;
    bool FOpen = false;
    bool FEof = true;
    bool FRawRows = false;
};
