#pragma once

#include "calls/ProgramLauncher.h"

#include <QList>

// Records what would have been started or opened; Succeed decides the outcome.
class RecordingLauncher : public ProgramLauncher
{
public:
    struct Start
    {
        QString Program;
        QStringList Arguments;
        QString Folder;
    };

    bool StartProgram(const QString& program, const QStringList& arguments, const QString& folder) override
    {
        Starts.append({program, arguments, folder});
        return Succeed;
    }
    bool OpenUrl(const QString& address) override
    {
        Urls.append(address);
        return Succeed;
    }

    bool Succeed = true;
    QList<Start> Starts;
    QStringList Urls;
};
