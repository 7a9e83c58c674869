#include "platform/CopyDataChannel.h"

#include "platform/RuntimeFolder.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr quint32 kMaxBytes = 64 * 1024;
}

CopyDataServer::CopyDataServer(QObject* parent) : QObject(parent), FServer(new QLocalServer(this))
{
    connect(FServer, &QLocalServer::newConnection, this, &CopyDataServer::onNewConnection);
}

CopyDataServer::~CopyDataServer() = default;

QString CopyDataServer::serverName(qint64 handle)
{
    // In the user's own runtime folder (0700): in a shared folder another local user could
    // take the name first and receive what second starts hand over.
    const QString dir = PrivateRuntimeFolder();
    if (dir.isEmpty())
        return QString();
    return dir + QStringLiteral("/zuvaro3-%1").arg(handle);
}

bool CopyDataServer::IsOwnSocket(const QString& path)
{
    struct stat st;
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid();
}

qint64 CopyDataServer::listen()
{
    const qint64 handle = QCoreApplication::applicationPid();
    const QString name = serverName(handle);
    if (name.isEmpty())
        return 0;
    // The single-instance lock is ours, so a socket of this name is left over from a
    // crashed copy that had our process id; nobody is behind it.
    QLocalServer::removeServer(name);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    return FServer->listen(name) ? handle : 0;
}

void CopyDataServer::onNewConnection()
{
    while (QLocalSocket* socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket]() {
            if (socket->bytesAvailable() < 8)
                return;
            QByteArray head = socket->peek(8);
            QDataStream in(head);
            quint32 id = 0, count = 0;
            in >> id >> count;
            if (count == 0 || count > kMaxBytes) {
                socket->abort();
                return;
            }
            if (socket->bytesAvailable() < 8 + qint64(count))
                return;
            socket->read(8);
            QByteArray bytes = socket->read(count);
            if (bytes.endsWith('\0'))
                bytes.chop(1);
            const QString text = QString::fromUtf8(bytes);
            // Answer at once and act later, from the event loop: what the text starts (a
            // dial) waits in nested event loops, and the sender may leave meanwhile, which
            // would delete this socket under its own handler.
            socket->write(id == 1 ? "\x01" : "\x00", 1);
            socket->flush();
            if (id == 1)
                QMetaObject::invokeMethod(
                    this, [this, text] { emit copyDataReceived(text); }, Qt::QueuedConnection);
        });
    }
}

bool SendCopyData(qint64 handle, const QString& text, int timeoutMs, quint32 identifier)
{
    if (handle <= 0)
        return false;
    const QString name = CopyDataServer::serverName(handle);
    if (!CopyDataServer::IsOwnSocket(name))
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    const QByteArray payload = text.toUtf8() + '\0';
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << identifier << quint32(payload.size());
    message += payload;
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (socket.bytesAvailable() < 1) {
        const int left = timeoutMs - int(timer.elapsed());
        if (left <= 0 || !socket.waitForReadyRead(left))
            return false;
    }
    return true;
}
