#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>

// The daily log file of one device, written by a thread of its own so that a slow or
// locked file never holds up the link. Producers only enqueue.
class TTelComLogger
{
public:
    // folder gets a trailing separator and ext a leading dot when they lack them.
    TTelComLogger(const QString& folder, const QString& ext, const QString& prefix);
    // Writes every line still queued before it returns.
    ~TTelComLogger();

    TTelComLogger(const TTelComLogger&) = delete;
    TTelComLogger& operator=(const TTelComLogger&) = delete;

    // Stamps the line with the time of the call; returns at once.
    void Enqueue(const QString& message);

    // The file a line written at t goes to.
    QString FileNameFor(const QDateTime& t) const;

    // Holds back writing while false (tests use it to queue lines around midnight).
    void SetWriting(bool on);
    // Waits until the queue is empty and nothing is being written (or writing is held).
    void Flush();

    const QString& Folder() const { return FFolder; }

private:
    void Run();
    void WriteBatch(const QStringList& lines);

    QString FFolder;
    QString FExt;
    QString FPrefix;

    std::mutex FLock;
    std::condition_variable FWake;
    std::condition_variable FIdle;
    QStringList FQueue;
    bool FStop = false;
    bool FWriting = true;
    bool FBusy = false;
    std::thread FThread;
};
