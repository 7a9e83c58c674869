#include "ui/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace FileDialogs {
namespace {
QString& lastFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString StartFolder()
{
    const QString last = lastFolder();
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

void Remember(const QString& chosen)
{
    if (chosen.isEmpty())
        return;
    const QFileInfo info(chosen);
    lastFolder() = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

QString StartPath(const QString& fileName)
{
    return QDir(StartFolder()).filePath(fileName);
}

QString OpenFile(QWidget* parent, const QString& caption, const QString& filter)
{
    const QString path = QFileDialog::getOpenFileName(parent, caption, StartFolder(), filter);
    Remember(path);
    return path;
}

QString SaveFile(QWidget* parent, const QString& caption, const QString& suggestedName, const QString& filter)
{
    const QString path = QFileDialog::getSaveFileName(parent, caption, StartPath(suggestedName), filter);
    Remember(path);
    return path;
}

QString Folder(QWidget* parent, const QString& caption, const QString& start)
{
    const QString from = !start.isEmpty() && QFileInfo(start).isDir() ? start : StartFolder();
    const QString path = QFileDialog::getExistingDirectory(parent, caption, from);
    Remember(path);
    return path;
}

} // namespace FileDialogs
