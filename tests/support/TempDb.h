#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class TdmCmn;

// A database of its own for one test: a fresh initial database (base tables only) in a
// temporary folder, made with the project's initial-database code, and a data module over
// it. upgrade() brings it to the current schema as the program does at start-up.
// Needs a TestEnv (settings, log) alive for the upgrade.
class TempDb
{
public:
    enum Kind { Initial, Current };

    explicit TempDb(Kind kind = Current);
    ~TempDb();

    QString path() const { return FPath; }
    QString dir() const { return FDir.path(); }
    TdmCmn& dm();
    // Runs the schema upgrade (answering its question Yes, without a notice) and forgets
    // the messages it showed.
    void upgrade();

    // The first column of the first row of a query, as text (empty when no row).
    QString scalar(const QString& sql);
    int count(const QString& table, const QString& where = QString());

private:
    QTemporaryDir FDir;
    QString FPath;
    std::unique_ptr<TdmCmn> FDm;
};
