#include "platform/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString& name)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    FPath = dir + QLatin1Char('/') + name + QStringLiteral(".lock");
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryAcquire()
{
    FLock = std::make_unique<QLockFile>(FPath);
    // A lock left by a crashed copy is stale at once (its process is gone).
    FLock->setStaleLockTime(0);
    if (FLock->tryLock(0))
        return true;
    FLock.reset();
    return false;
}

void SingleInstance::release()
{
    if (FLock)
        FLock->unlock();
    FLock.reset();
}
