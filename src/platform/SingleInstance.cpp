#include "platform/SingleInstance.h"

#include "platform/RuntimeFolder.h"

#include <QDir>
#include <QLockFile>

SingleInstance::SingleInstance(const QString& name)
{
    QString dir = PrivateRuntimeFolder();
    if (dir.isEmpty())
        dir = QDir::tempPath(); // no home and no session folder: the last resort
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
