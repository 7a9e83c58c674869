#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

// Starts the real program (or a tool) headless, in the test's data root, answering
// every question with ZUVARO_UNATTENDED.
class ProgramRunner
{
public:
    explicit ProgramRunner(const QString& unattended = QStringLiteral("no"));
    ~ProgramRunner();

    QProcessEnvironment environment() const { return FEnv; }
    void setEnv(const QString& name, const QString& value) { FEnv.insert(name, value); }
    void unsetEnv(const QString& name) { FEnv.remove(name); }

    // Another build of the program to start (an earlier version's, say); the built one by default.
    void setProgram(const QString& path) { FProgram = path; }
    // Starts zuvaro3 in the background.
    QProcess* start(const QStringList& args = {});
    // Runs zuvaro3 to its end; returns its exit code (-1 when it did not end in time).
    int run(const QStringList& args, int timeoutMs = 30000);
    // Sends SIGTERM and waits for the end; returns the exit code.
    int terminate(QProcess* p, int timeoutMs = 30000);

    static QString programPath();
    // The current diagnostic log's text.
    static QString logText();
    // Waits until the diagnostic log contains text.
    static bool waitForLog(const QString& text, int timeoutMs = 30000);

private:
    QProcessEnvironment FEnv;
    QString FProgram;
    std::vector<std::unique_ptr<QProcess>> FProcesses;
};
