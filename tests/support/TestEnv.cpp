#include "support/TestEnv.h"

#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/SharedData.h"

#include <QDir>
#include <QFile>
#include <QSettings>

namespace {

// The session, settings and home folders from before the first test root: in force again
// when a root goes, so that nothing (Qt's fallback session folder in /tmp, a settings file)
// is made in or for a removed root.
struct Outside
{
    QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QByteArray config = qgetenv("XDG_CONFIG_HOME");
    QByteArray home = qgetenv("HOME");
    QString settings = config.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : QString::fromLocal8Bit(config);
};

const Outside& OutsideFolders()
{
    static const Outside outside;
    return outside;
}

void Restore(const char* name, const QByteArray& value)
{
    if (value.isEmpty())
        qunsetenv(name);
    else
        qputenv(name, value);
}

// Qt works out the per-user settings folder once per process, at the first use.
void UseSettingsFolder(const QString& folder)
{
    for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, folder);
}

} // namespace

TestEnv::TestEnv()
{
    FDir.setAutoRemove(qEnvironmentVariable("ZUVARO_KEEP_TEST_DIRS").isEmpty());
    QDir(FDir.path()).mkpath(QStringLiteral("config"));
    QDir(FDir.path()).mkpath(QStringLiteral("home"));
    QDir(FDir.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(FDir.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    OutsideFolders();
    UseSettingsFolder(FDir.filePath(QStringLiteral("config")));
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
    const Outside& outside = OutsideFolders();
    UseSettingsFolder(outside.settings);
    Restore("XDG_RUNTIME_DIR", outside.runtime);
    Restore("XDG_CONFIG_HOME", outside.config);
    Restore("HOME", outside.home);
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
