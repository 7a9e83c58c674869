#include "platform/CopyDataChannel.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

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
    return QStringLiteral("zuvaro3-%1").arg(handle);
}

qint64 CopyDataServer::listen()
{
    const qint64 handle = QCoreApplication::applicationPid();
    const QString name = serverName(handle);
    QLocalServer::removeServer(name); // a socket file left by a crashed copy with our pid
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
            // Copy the text out before acting on it; the sender waits for our answer.
            const QString text = QString::fromUtf8(bytes);
            QPointer<QLocalSocket> guard(socket);
            if (id == 1)
                emit copyDataReceived(text);
            if (guard) {
                guard->write(id == 1 ? "\x01" : "\x00", 1);
                guard->flush();
            }
        });
    }
}

bool SendCopyData(qint64 handle, const QString& text, int timeoutMs, quint32 identifier)
{
    QLocalSocket socket;
    socket.connectToServer(CopyDataServer::serverName(handle));
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
