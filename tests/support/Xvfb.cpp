#include "support/Xvfb.h"

#include <QFile>
#include <QThread>

Xvfb::Xvfb(const QString& screen)
{
    for (int n = 91; n < 200 && FDisplay.isEmpty(); ++n) {
        if (QFile::exists(QString("/tmp/.X%1-lock").arg(n)) || QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n)))
            continue;
        FProcess.start("Xvfb", {QString(":%1").arg(n), "-nolisten", "tcp", "-screen", "0", screen});
        if (!FProcess.waitForStarted(5000))
            return;
        for (int i = 0; i < 100 && FProcess.state() == QProcess::Running; ++i) {
            if (QFile::exists(QString("/tmp/.X11-unix/X%1").arg(n))) {
                FDisplay = QString(":%1").arg(n).toLatin1();
                break;
            }
            QThread::msleep(50);
        }
        if (FDisplay.isEmpty()) {
            FProcess.kill();
            FProcess.waitForFinished();
        }
    }
}

Xvfb::~Xvfb()
{
    FProcess.terminate();
    if (!FProcess.waitForFinished(5000))
        FProcess.kill();
}
