#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Hands a short text from a second start of the program to the running copy. The running
// copy publishes a handle (its process id); the server name is derived from it. A message
// is the identifier word, the byte count (text length plus one) and the text with a
// terminating zero byte; the receiver acknowledges once it has the text and hands it on
// from its event loop afterwards.
class CopyDataServer : public QObject
{
    Q_OBJECT
public:
    explicit CopyDataServer(QObject* parent = nullptr);
    ~CopyDataServer() override;

    // Starts listening; returns the handle to publish, or 0 on failure.
    qint64 listen();
    // The socket's path in the user's runtime folder; empty when there is none.
    static QString serverName(qint64 handle);
    // True when path is a socket owned by this user.
    static bool IsOwnSocket(const QString& path);

signals:
    // Only messages with identifier 1 arrive here.
    void copyDataReceived(const QString& text);

private:
    void onNewConnection();
    QLocalServer* FServer;
};

// Sends text with identifier 1 to the copy that published handle and waits for its
// acknowledgement (at most timeoutMs). False when nobody answered, for handle 0 and for a
// socket that is not this user's.
bool SendCopyData(qint64 handle, const QString& text, int timeoutMs = 10000, quint32 identifier = 1);
