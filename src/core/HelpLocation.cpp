#include "core/HelpLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#ifndef ZUVARO_HELP_FROM_BIN
#define ZUVARO_HELP_FROM_BIN "../share/zuvaro3/help"
#endif

namespace HelpLocation {

QStringList Folders(const QString& exeDir)
{
    const QDir dir(exeDir);
    return {QDir::cleanPath(dir.filePath(QStringLiteral("help"))),
            QDir::cleanPath(dir.filePath(QStringLiteral(ZUVARO_HELP_FROM_BIN)))};
}

QString IndexPage(const QString& exeDir)
{
    if (exeDir.isEmpty())
        return QString();
    for (const QString& folder : Folders(exeDir)) {
        const QFileInfo page(folder + QStringLiteral("/index.html"));
        if (page.isFile())
            return page.absoluteFilePath();
    }
    return QString();
}

} // namespace HelpLocation
