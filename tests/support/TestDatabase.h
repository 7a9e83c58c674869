#pragma once

#include <QString>
#include <QStringList>

class TdmCmn;

// The process-wide data module on a fresh initial database inside the test's data root,
// brought up to date unless told otherwise. Removes the data module again on destruction.
class TestDatabase
{
public:
    explicit TestDatabase(const QString& path, bool upgrade = true);
    ~TestDatabase();
    TdmCmn* dm() const;
    QString path() const { return FPath; }
    // The first column of the first row of a query on the process's data module, as text
    // (empty when no row).
    static QString Scalar(const QString& sql);
    // The first column of every row of a query on a database file of its own attachment
    // (a backup, a restored or a set-aside file), as text.
    static QStringList ColumnIn(const QString& path, const QString& sql);

private:
    QString FPath;
};
