#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// A Firebird server of the test's own: the packaged server binary run as a child process on
// a free loopback port, with its own configuration, security database and lock folder, so
// it never meets the machine's server or the embedded engine of other tests.
class FbServer
{
public:
    FbServer();
    ~FbServer();

    // The packaged server and its security database template are installed.
    static bool Installed();
    // Sets up the folder and the administrator (SYSDBA / pinewoodx) and starts the server.
    bool start(QString* error);
    // Stops the server (SIGTERM) and waits for its end; start() again brings it back on the same port.
    void stop();
    bool running() const;

    // Adds a user to the server's security database; before start().
    bool addUser(const QString& name, const QString& password, QString* error);
    int port() const { return FPort; }
    QString dir() const { return FDir.path(); }
    // The address of a database file through this server: "127.0.0.1/<port>:<file>".
    QString remotePath(const QString& file) const;

private:
    bool prepare(QString* error);
    bool runIsql(const QString& database, const QString& script, QString* error, bool embedded);
    QProcessEnvironment serverEnvironment() const;

    QTemporaryDir FDir;
    int FPort = 0;
    bool FPrepared = false;
    std::unique_ptr<QProcess> FProcess;
};
