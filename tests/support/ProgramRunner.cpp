#include "support/ProgramRunner.h"

#include "core/AppGlobals.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

ProgramRunner::ProgramRunner(const QString& unattended) : FEnv(QProcessEnvironment::systemEnvironment())
{
    FEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    FEnv.insert(QStringLiteral("ZUVARO_UNATTENDED"), unattended);
    // The program finds its engine's lock folder in its data root, as in a shop.
    FEnv.remove(QStringLiteral("FIREBIRD_LOCK"));
}

ProgramRunner::~ProgramRunner()
{
    for (auto& p : FProcesses) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
}

QString ProgramRunner::programPath()
{
    return TestEnv::binary(QStringLiteral("zuvaro3"));
}

QProcess* ProgramRunner::start(const QStringList& args)
{
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(FEnv);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(FProgram.isEmpty() ? programPath() : FProgram, args);
    p->waitForStarted(10000);
    FProcesses.push_back(std::move(p));
    return FProcesses.back().get();
}

int ProgramRunner::run(const QStringList& args, int timeoutMs)
{
    QProcess* p = start(args);
    if (!p->waitForFinished(timeoutMs))
        return -1;
    return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
}

int ProgramRunner::terminate(QProcess* p, int timeoutMs)
{
    p->terminate();
    if (!p->waitForFinished(timeoutMs))
        return -1;
    return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
}

QString ProgramRunner::logText()
{
    QFile f(gCurLogFile);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool ProgramRunner::waitForLog(const QString& text, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (logText().contains(text))
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return false;
}
