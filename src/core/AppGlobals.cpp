#include "core/AppGlobals.h"

#include "core/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QStandardPaths>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

QString gComputerName;
QString gIpAddress;
QString gWindowsUserName;
QString gExeDir;
QString gDataDir;
QString gLogDir;
QString gCurLogFile;
QString gIniFile;
QString gBannerFile;

TVersion gVersion;
bool gRestartRequested = false;
TUser gCurrentUser;
ProfileFile* gIni = nullptr;

QString CallJournalPath()
{
    return gDataDir + QStringLiteral("/CallJournal.txt");
}

namespace AppPaths {

QString dataRoot()
{
    QString root = qEnvironmentVariable("ZUVARO_DATA_ROOT");
    if (root.isEmpty())
        root = QStringLiteral("/var/lib");
    return QDir::cleanPath(root);
}

QString defaultDatabasePath()
{
    return dataRoot() + QStringLiteral("/ordova/common/ZUVARODB.FDB");
}

QString engineLockDir()
{
    return dataRoot() + QStringLiteral("/ordova/common/fblock");
}

QString exeBaseName()
{
    QString path = QCoreApplication::applicationFilePath();
    if (path.isEmpty())
        return QStringLiteral("zuvaro3");
    return QFileInfo(path).completeBaseName();
}

QString autostartEntryPath()
{
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/autostart/") + exeBaseName() + QStringLiteral(".desktop");
}

} // namespace AppPaths

static QString firstIpv4Address()
{
    // The host's own name first; on most Linux machines it resolves only to a loopback
    // address, which is no use to a phone looking for this PC, so fall back to the
    // first IPv4 address of an interface that is up.
    const QHostInfo info = QHostInfo::fromName(QHostInfo::localHostName());
    for (const QHostAddress& a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            return a.toString();
    for (const QNetworkInterface& nif : QNetworkInterface::allInterfaces()) {
        if (!(nif.flags() & QNetworkInterface::IsUp) || (nif.flags() & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& e : nif.addressEntries())
            if (e.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return e.ip().toString();
    }
    for (const QHostAddress& a : info.addresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toString();
    return QStringLiteral("127.0.0.1");
}

static QString currentUserName()
{
    if (const passwd* pw = getpwuid(geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

TVersion ParseVersion(const QString& text)
{
    TVersion v;
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return v;
    int n[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        n[i] = parts.at(i).toInt(&ok);
        if (!ok)
            return TVersion();
    }
    v.Major = n[0];
    v.Minor = n[1];
    v.Release = n[2];
    v.Build = n[3];
    v.Text = text;
    return v;
}

void InitProcessValues()
{
    gComputerName = QSysInfo::machineHostName().toUpper();
    gIpAddress = firstIpv4Address();
    gWindowsUserName = currentUserName().toUpper();
    QString exeDir = QCoreApplication::applicationDirPath();
    gExeDir = exeDir.isEmpty() ? QString() : QDir::cleanPath(exeDir) + QLatin1Char('/');
    gDataDir = AppPaths::dataRoot() + QStringLiteral("/ordova/zuvaro3");
    gLogDir = gDataDir + QStringLiteral("/log");
    gCurLogFile = gLogDir + QStringLiteral("/log_") + gComputerName + QStringLiteral("_Cur.txt");
    gIniFile = gDataDir + QStringLiteral("/zuvaro3.ini");
    gBannerFile = gDataDir + QStringLiteral("/Banner.bmp");
#ifdef ZUVARO_VERSION
    gVersion = ParseVersion(QStringLiteral(ZUVARO_VERSION));
#endif
    gRestartRequested = false;
    gCurrentUser = TUser();
}

bool CreateDataFolders()
{
    bool ok = true;
    for (const QString& dir : {gDataDir, gLogDir, gDataDir + QStringLiteral("/rec"), gDataDir + QStringLiteral("/play"),
                               gDataDir + QStringLiteral("/work")}) {
        if (!QFileInfo::exists(dir) && !QDir().mkpath(dir))
            ok = false;
    }
    return ok;
}

void OpenSettingsFile()
{
    delete gIni;
    gIni = new ProfileFile(gIniFile);
}

void CloseSettingsFile()
{
    delete gIni;
    gIni = nullptr;
}
