#include "logs/ExportTarget.h"

#include "core/AppError.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

ExportTarget::ExportTarget(const QString& path) : FPath(path)
{
    const QFileInfo info(path);
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(false);
    if (!temp.open())
        throw AppError(QStringLiteral("出力先にファイルを作成できませんでした。") + temp.errorString());
    FTempPath = temp.fileName();
    temp.close();
}

ExportTarget::~ExportTarget()
{
    if (!FCommitted)
        QFile::remove(FTempPath);
}

void ExportTarget::commit()
{
#ifdef Q_OS_UNIX
    // The temporary file is private to its owner; the export gets the permissions a newly
    // created file would have, or those of the file it replaces.
    struct stat st;
    mode_t mode;
    if (::stat(QFile::encodeName(FPath).constData(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(QFile::encodeName(FTempPath).constData(), mode);
    // rename() replaces the target in one step, so nobody ever sees half a file.
    if (std::rename(QFile::encodeName(FTempPath).constData(), QFile::encodeName(FPath).constData()) != 0)
        throw AppError(QStringLiteral("出力先のファイルを置き換えられませんでした。") +
                       QString::fromLocal8Bit(std::strerror(errno)));
#else
    QFile::remove(FPath);
    if (!QFile::rename(FTempPath, FPath))
        throw AppError(QStringLiteral("出力先のファイルを置き換えられませんでした。"));
#endif
    FCommitted = true;
}
