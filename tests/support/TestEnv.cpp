#include "support/TestEnv.h"

#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/SharedData.h"

#include <QDir>
#include <QFile>

TestEnv::TestEnv()
{
    FDir.setAutoRemove(qEnvironmentVariable("ZUVARO_KEEP_TEST_DIRS").isEmpty());
    QDir(FDir.path()).mkpath(QStringLiteral("config"));
    QDir(FDir.path()).mkpath(QStringLiteral("home"));
    QDir(FDir.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(FDir.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("ZUVARO_DATA_ROOT", FDir.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", FDir.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", FDir.filePath(QStringLiteral("runtime")).toUtf8());
    qputenv("HOME", FDir.filePath(QStringLiteral("home")).toUtf8());
    qunsetenv("ZUVARO_UNATTENDED");
    PrepareTestProcess();
    Clock::reset();
    MessageService::clearAnswers();
    MessageService::clearShown();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    gTraceOn = true;
}

TestEnv::~TestEnv()
{
    CloseSettingsFile();
    Clock::reset();
}

void TestEnv::writeIni(const QString& text) const
{
    QFile f(gIniFile);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text.toUtf8());
    f.close();
    OpenSettingsFile();
}

void TestEnv::PrepareTestProcess()
{
    // The data roots of a test come and go while its engine runs on: the engine of a test
    // process keeps its lock files in one folder of the build tree (unless ctest named one).
    SharedData::PrepareProcess(binary(QStringLiteral("fblock")));
}

QString TestEnv::binary(const QString& relative)
{
    return QStringLiteral(ZUVARO_BIN_DIR "/") + relative;
}
