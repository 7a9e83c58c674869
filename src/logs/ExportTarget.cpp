#include "logs/ExportTarget.h"

#include "core/AppError.h"
#include "core/DiagLog.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {
// Temporary files of exports killed before they could remove them: ".<name>.XXXXXX" beside a
// file of an extension we write. One still written by a running export is touched all the
// time, so only files left alone for a while are taken.
void RemoveStaleTemporaries(const QString& folder)
{
    static const QRegularExpression ours(QStringLiteral("^\\..+\\.(csv|txt|xls|xlsx|pdf)\\.[A-Za-z0-9]{6}$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-10 * 60);
    const QFileInfoList found = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& f : found) {
        if (!ours.match(f.fileName()).hasMatch() || f.lastModified() > before || !f.isWritable())
            continue;
        if (QFile::remove(f.absoluteFilePath()))
            WriteLog(QStringLiteral("ExportTarget: removed the temporary file of an earlier export: ") +
                     f.absoluteFilePath());
    }
}
} // namespace

ExportTarget::ExportTarget(const QString& path) : FPath(path)
{
    const QFileInfo info(path);
    RemoveStaleTemporaries(info.absolutePath());
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
