#include "support/FbServer.h"

#include "db/FbEngine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {
// The packaged server of the series our client library belongs to. Debian 13 runs its
// programs through a wrapper that sets FIREBIRD to the system's folder, so the binaries
// are started directly there.
struct TServerLayout
{
    const char* Server;
    const char* Isql;
    const char* EngineDir;
    const char* Security;
};

void CopyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    const QDir source(from);
    for (const QFileInfo& entry : source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = QDir(to).filePath(entry.fileName());
        if (entry.isDir())
            CopyFolder(entry.filePath(), target);
        else
            QFile::copy(entry.canonicalFilePath(), target);
    }
}

const TServerLayout& Layout()
{
    static const TServerLayout fb3{"/usr/sbin/firebird", "/usr/bin/isql-fb", "/usr/lib/x86_64-linux-gnu/firebird/3.0",
                                   "security3.fdb"};
    static const TServerLayout fb4{"/usr/lib/firebird/4.0/bin/firebird", "/usr/lib/firebird/4.0/bin/isql-fb",
                                   "/usr/lib/x86_64-linux-gnu/firebird/4.0", "security4.fdb"};
    return EngineMajorVersion() >= 4 ? fb4 : fb3;
}

int FreeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
} // namespace

FbServer::FbServer() = default;

FbServer::~FbServer()
{
    stop();
}

bool FbServer::Installed()
{
    return QFileInfo::exists(QLatin1String(Layout().Server)) && QFileInfo(QLatin1String(Layout().EngineDir)).isDir();
}

QProcessEnvironment FbServer::serverEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), FDir.path());
    env.insert(QStringLiteral("FIREBIRD_LOCK"), FDir.filePath(QStringLiteral("lock")));
    env.insert(QStringLiteral("FIREBIRD_TMP"), FDir.filePath(QStringLiteral("tmp")));
    return env;
}

QString FbServer::remotePath(const QString& file) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(FPort).arg(file);
}

bool FbServer::runIsql(const QString& database, const QString& script, QString* error, bool embedded)
{
    QProcess isql;
    if (embedded)
        isql.setProcessEnvironment(serverEnvironment());
    isql.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args{QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA")};
    if (!embedded)
        args << QStringLiteral("-password") << QStringLiteral("pinewoodx");
    if (!database.isEmpty())
        args << database;
    isql.start(QLatin1String(Layout().Isql), args);
    if (!isql.waitForStarted(10000)) {
        *error = QStringLiteral("isql-fb did not start");
        return false;
    }
    isql.write(script.toUtf8());
    isql.closeWriteChannel();
    isql.waitForFinished(60000);
    const QString out = QString::fromUtf8(isql.readAll());
    if (isql.exitCode() != 0 || out.contains(QLatin1String("Statement failed"))) {
        *error = out;
        return false;
    }
    return true;
}

bool FbServer::prepare(QString* error)
{
    if (!FPrepared) {
        const QDir engine{QString::fromLatin1(Layout().EngineDir)};
        for (const char* name : {"firebird.msg", "intl", "lib", "UDF", "plugins.conf"})
            QFile::link(engine.filePath(QLatin1String(name)), FDir.filePath(QLatin1String(name)));
        // Firebird 4 refuses a plugin reached through a linked folder ("Actual module name does
        // not match requested"), so the plugins are copied.
        CopyFolder(engine.filePath(QStringLiteral("plugins")), FDir.filePath(QStringLiteral("plugins")));
        for (const char* sub : {"lock", "tmp", "data"})
            QDir(FDir.path()).mkpath(QLatin1String(sub));
        const QString security = FDir.filePath(QLatin1String(Layout().Security));
        FPort = FreeLoopbackPort();
        QFile conf(FDir.filePath(QStringLiteral("firebird.conf")));
        conf.open(QIODevice::WriteOnly);
        conf.write(QStringLiteral("RemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\nSecurityDatabase = %2\n"
                                  "UdfAccess = None\nGuardianOption = 0\n")
                       .arg(FPort)
                       .arg(security)
                       .toUtf8());
        conf.close();
        QFile aliases(FDir.filePath(QStringLiteral("databases.conf")));
        aliases.open(QIODevice::WriteOnly);
        aliases.write(QStringLiteral("security.db = %1\n").arg(security).toUtf8());
        aliases.close();
        // A security database of our own, made empty: the system's template is readable by
        // the server's account only, and the user manager adds its tables on first use.
        if (!runIsql(QString(), QStringLiteral("create database '%1' user SYSDBA;\n").arg(security), error, true))
            return false;
        QFile::setPermissions(security, QFile::ReadOwner | QFile::WriteOwner);
        if (!runIsql(security,
                     QStringLiteral("create or alter user SYSDBA password 'pinewoodx' using plugin Srp;\ncommit;\n"),
                     error, true))
            return false;
        FPrepared = true;
    }
    return true;
}

bool FbServer::start(QString* error)
{
    if (!prepare(error))
        return false;
    FProcess = std::make_unique<QProcess>();
    FProcess->setProcessEnvironment(serverEnvironment());
    FProcess->setProcessChannelMode(QProcess::ForwardedChannels);
    FProcess->start(QLatin1String(Layout().Server), {});
    if (!FProcess->waitForStarted(10000)) {
        *error = QStringLiteral("the server did not start");
        return false;
    }
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(FPort));
        if (probe.waitForConnected(200))
            return true;
        if (FProcess->state() == QProcess::NotRunning)
            break;
        QThread::msleep(100);
    }
    *error = QStringLiteral("the server does not listen on port %1").arg(FPort);
    return false;
}

void FbServer::stop()
{
    if (!FProcess || FProcess->state() == QProcess::NotRunning)
        return;
    FProcess->terminate();
    if (!FProcess->waitForFinished(15000)) {
        FProcess->kill();
        FProcess->waitForFinished(5000);
    }
}

bool FbServer::running() const
{
    return FProcess && FProcess->state() == QProcess::Running;
}

bool FbServer::addUser(const QString& name, const QString& password, QString* error)
{
    const QString script =
        QStringLiteral("create or alter user %1 password '%2' using plugin Srp;\ncommit;\n").arg(name, password);
    if (running()) {
        *error = QStringLiteral("add users before the server starts");
        return false;
    }
    if (!prepare(error))
        return false;
    return runIsql(FDir.filePath(QLatin1String(Layout().Security)), script, error, true);
}
