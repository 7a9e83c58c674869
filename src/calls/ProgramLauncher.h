#pragma once

#include <QString>
#include <QStringList>

// Starts other programs and opens addresses for the external links. The program's own
// launcher starts detached processes and hands addresses to the desktop; tests record.
class ProgramLauncher
{
public:
    virtual ~ProgramLauncher() = default;
    // Starts program with exactly these arguments in folder, without waiting. A file that is
    // not a program is opened with its desktop application (arguments do not apply then).
    virtual bool StartProgram(const QString& program, const QStringList& arguments, const QString& folder);
    // Opens an address in the default browser.
    virtual bool OpenUrl(const QString& address);
};
