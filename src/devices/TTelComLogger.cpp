#include "devices/TTelComLogger.h"

#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/FileAccess.h"

#include <QDir>
#include <QFile>

TTelComLogger::TTelComLogger(const QString& folder, const QString& ext, const QString& prefix)
    : FFolder(folder), FExt(ext), FPrefix(prefix)
{
    if (!FFolder.endsWith(QLatin1Char('/')) && !FFolder.endsWith(QDir::separator()))
        FFolder += QLatin1Char('/');
    if (!FExt.startsWith(QLatin1Char('.')))
        FExt.prepend(QLatin1Char('.'));
    FThread = std::thread([this] { Run(); });
}

TTelComLogger::~TTelComLogger()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStop = true;
        FWriting = true;
    }
    FWake.notify_all();
    FThread.join();
}

void TTelComLogger::Enqueue(const QString& message)
{
    const QString line =
        Clock::now().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss.zzz")) + QLatin1Char(' ') + message;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FQueue.append(line);
    }
    FWake.notify_one();
}

QString TTelComLogger::FileNameFor(const QDateTime& t) const
{
    return FFolder + FPrefix + QLatin1Char('_') + t.toString(QStringLiteral("yyyyMMdd")) + FExt;
}

void TTelComLogger::SetWriting(bool on)
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FWriting = on;
    }
    FWake.notify_all();
    FIdle.notify_all();
}

void TTelComLogger::Flush()
{
    std::unique_lock<std::mutex> lock(FLock);
    FIdle.wait(lock, [this] { return !FWriting || (FQueue.isEmpty() && !FBusy); });
}

void TTelComLogger::Run()
{
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FWake.wait(lock, [this] { return FStop || (FWriting && !FQueue.isEmpty()); });
        if (FQueue.isEmpty()) {
            if (FStop)
                break;
            continue;
        }
        // Take the whole queue and write it outside the lock: producers never wait for the
        // file, and a burst costs one open and close instead of one per line.
        QStringList batch;
        batch.swap(FQueue);
        FBusy = true;
        lock.unlock();
        WriteBatch(batch);
        lock.lock();
        FBusy = false;
        FIdle.notify_all();
    }
    FIdle.notify_all();
}

void TTelComLogger::WriteBatch(const QStringList& lines)
{
    // The date is that of the moment of writing, so a line queued just before midnight
    // and written after it lands in the new day's file.
    QFile f(FileNameFor(Clock::now()));
    if (!FileAccess::Open(f, QIODevice::WriteOnly | QIODevice::Append))
        return; // a missing folder loses the lines silently; logging never stops the link
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += EscapeLogText(line).toUtf8();
        bytes += "\r\n";
    }
    f.write(bytes);
    f.close();
}
