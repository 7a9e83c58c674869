#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;

// Listens for one database event on an attachment of its own and reports each posting on
// the main thread. A lost server is noticed by a check every few seconds and listened to
// again once it is back; the first report after that says "something may have been missed".
class FbEventListener : public QObject
{
    Q_OBJECT
public:
    FbEventListener(const QString& databasePath, const QStringList& params, const QString& eventName,
                    QObject* parent = nullptr);
    ~FbEventListener() override;

    // Attaches and starts listening; false (and logged) when the database cannot be reached
    // now, in which case the periodic check keeps trying.
    bool start(int checkIntervalMs = 5000);
    void stop();
    bool listening() const { return FQueued; }

signals:
    // count: how many postings arrived together; 0 after listening again following an outage.
    void posted(int count);

private:
    Q_INVOKABLE void onDelivered();
    bool attach();
    void drop();
    bool queue();
    void check();
    static void Delivered(void* arg, unsigned short length, const unsigned char* updated);

    struct Shared;
    struct Impl;
    QString FPath;
    QStringList FParams;
    QByteArray FEventName;
    Shared* FShared = nullptr;
    Impl* d = nullptr;
    QTimer* FTimer = nullptr;
    bool FQueued = false;
    bool FFirst = true;
};
