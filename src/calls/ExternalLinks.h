#pragma once

#include "db/TInterfaceInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ProgramLauncher;
class TdmCmn;
class WindowLayer;

// Carries out the external links (INTERFACE rows): hands a caller's number to another program
// by starting it, writing a text file or opening an address, or, when the program is already
// running, by restarting it or sending it the number; and asks every program it started to end
// when the system shuts down.
class ExternalLinks
{
public:
    struct TLaunched
    {
        QString Caption;
        QString EndMessage; // decimal text
        QString Access;     // "1" or "0"
    };

    ExternalLinks(TdmCmn& dm, WindowLayer& windows, ProgramLauncher& launcher);
    void SetWindows(WindowLayer& windows) { FWindows = &windows; }
    void SetLauncher(ProgramLauncher& launcher) { FLauncher = &launcher; }

    // Runs when the link number is unknown (after the warning): the window opens the settings.
    void SetOnNoLink(std::function<void()> handler) { FOnNoLink = std::move(handler); }

    // Link ifNo for telNo received on portNo (0 by hand). A text file that cannot be written
    // throws AppError.
    void ExecCustProg(int ifNo, const QString& telNo, int portNo);
    // Posts every started program its end message.
    void SendEndReq();
    const QList<TLaunched>& Launched() const { return FLaunched; }

    // The arguments of COMMAND as the user wrote them with suffix appended, never split: part
    // of the last argument, or an argument of its own after a trailing blank or alone.
    static QStringList ArgumentsWith(const QString& command, const QString& suffix);
    // Every character outside 0-9 A-Z a-z + * # - percent-encoded (as UTF-8).
    static QString EncodeNumber(const QString& number);
    // The text file's path: full form, with the port and time parts when asked for.
    static QString TextFilePath(const TInterfaceInfo& info, int portNo);
    // Replaces the file at path with the number and a line break, all at once.
    static void WriteNumberFile(const QString& path, const QString& number);

private:
    // 0 when the link's window is not there (or no caption).
    quint32 TargetWindow(const QString& caption, bool access, bool logAccess);
    bool Start(const QString& program, const QStringList& arguments, const QString& folder);

    TdmCmn& FDm;
    WindowLayer* FWindows;
    ProgramLauncher* FLauncher;
    std::function<void()> FOnNoLink;
    QList<TLaunched> FLaunched;
};
