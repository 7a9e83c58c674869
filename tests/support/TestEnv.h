#pragma once

#include <QString>
#include <QTemporaryDir>

// An isolated world for one test: a data root, a configuration folder and a home of
// its own in a temporary folder, the process-wide values computed for it, the data
// folders created and the settings file opened. When it goes, the session, settings and
// home folders from before are in force again; nothing else global is restored:
// each test executable makes one and keeps it for its life, or one per test case.
class TestEnv
{
public:
    TestEnv();
    ~TestEnv();

    QString root() const { return FDir.path(); }
    QString path(const QString& relative) const { return FDir.filePath(relative); }
    // Writes a settings file with the given text (replacing any present one).
    void writeIni(const QString& text) const;

    // Built programs, for tests that start the real program or a tool.
    static QString binary(const QString& relative);
    // What every program of ours does first (see SharedData::PrepareProcess), for the test
    // process itself; TestEnv and TempDb call it.
    static void PrepareTestProcess();

private:
    QTemporaryDir FDir;
};
