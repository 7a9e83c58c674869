#include "calls/ProgramLauncher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

bool ProgramLauncher::StartProgram(const QString& program, const QStringList& arguments, const QString& folder)
{
    const QFileInfo file(program);
    if (file.isFile() && !file.isExecutable())
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
    return QProcess::startDetached(program, arguments, folder);
}

bool ProgramLauncher::OpenUrl(const QString& address)
{
    return QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}
