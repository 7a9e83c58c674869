#pragma once

#include <QString>

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

private:
    QString FPath;
};
