#include "platform/AutostartEntry.h"

#include "core/AppGlobals.h"
#include "core/DiagLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Quoting of an Exec argument in a desktop entry.
QString QuotedExecArgument(const QString& arg)
{
    QString out = arg;
    for (const char* c : {"\\", "\"", "`", "$"})
        out.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

// The entry starts the program that is running now (the installed one once installed, not a
// build folder an earlier copy ran from).
bool NamesThisProgram(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString exec = QStringLiteral("Exec=") + QuotedExecArgument(QCoreApplication::applicationFilePath());
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')).contains(exec);
}

bool Create(const QString& path)
{
    const QString exe = QCoreApplication::applicationFilePath();
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Zuvaro３\n"
                                        "Exec=") +
                         QuotedExecArgument(exe) + QStringLiteral("\nPath=") + QFileInfo(exe).path() +
                         QStringLiteral("\nTerminal=false\nX-GNOME-Autostart-enabled=true\n");
    file.write(text.toUtf8());
    return file.commit();
}

} // namespace

namespace AutostartEntry {

QString Path()
{
    return AppPaths::autostartEntryPath();
}

bool Exists()
{
    return QFileInfo::exists(Path());
}

bool Apply(bool on)
{
    const QString path = Path();
    if (on) {
        if (Exists() && NamesThisProgram(path)) {
            WriteTraceLog(QStringLiteral("ショートカットは作成済み ShortCutFileName=") + path);
        } else if (Exists()) {
            if (Create(path))
                WriteTraceLog(QStringLiteral("ショートカットを更新しました ShortCutFileName=") + path);
            else
                WriteTraceLog(QStringLiteral("ショートカットの更新に失敗しました=") + path);
        } else if (Create(path)) {
            WriteTraceLog(QStringLiteral("ショートカットを作成しました ShortCutFileName=") + path);
        } else {
            WriteTraceLog(QStringLiteral("ショートカットの作成に失敗しました=") + path);
        }
    } else if (Exists()) {
        if (QFile::remove(path))
            WriteTraceLog(QStringLiteral("ショートカットを削除しました"));
        else
            WriteTraceLog(QStringLiteral("ショートカットの削除に失敗しました"));
    } else {
        WriteTraceLog(QStringLiteral("ショートカットはなし"));
    }
    return Exists();
}

} // namespace AutostartEntry
