#include "platform/RuntimeFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSysInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder (not a link) of this user that nobody else may enter.
bool isPrivateFolder(const QString& path)
{
    struct stat st;
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)
        return false;
    return true;
}

} // namespace

QString PrivateRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!dir.isEmpty() && isPrivateFolder(dir))
            return dir;
    }
    const QString home = QDir::homePath();
    if (home.isEmpty() || home == QDir::rootPath())
        return QString();
    // Named after the machine: a home shared by several PCs must not share the one-copy lock.
    const QString dir = home + QStringLiteral("/.cache/ordova/runtime-") + QSysInfo::machineHostName();
    if (!QDir().mkpath(dir) || !isPrivateFolder(dir))
        return QString();
    return dir;
}

void ProvideRuntimeFolder()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString dir = PrivateRuntimeFolder();
    if (!dir.isEmpty())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
}
