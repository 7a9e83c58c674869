#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One running copy per executable name: a lock file named after the executable in the
// user's runtime folder, tried without waiting. Copies started from different folders
// under the same file name exclude each other too.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& name);
    ~SingleInstance();

    bool tryAcquire();
    void release();
    QString lockPath() const { return FPath; }

private:
    QString FPath;
    std::unique_ptr<QLockFile> FLock;
};
