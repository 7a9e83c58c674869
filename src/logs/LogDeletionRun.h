#pragma once

#include <QString>

#include <atomic>
#include <functional>

class FbDatabase;

// Deletes the calls of a range in batches, each committed on its own, then reads the range
// once more so that the engine cleans the deleted rows now and not on the time of the next
// ranking or export. Runs on a thread of its own with an attachment of its own, so that
// the window goes on and calls go on being stored meanwhile; calls stored after the start
// are never deleted, whatever the range. A stop request ends it after the batch in hand:
// the batches before stay deleted.
class LogDeletionRun
{
public:
    struct Progress
    {
        // Calls of the range when the deletion started.
        qint64 Total = 0;
        bool Cleaning = false;
        // 0 to 1000 over the deletion and the cleanup together.
        int Permille = 0;
    };
    struct Result
    {
        qint64 Deleted = 0;
        qint64 Total = 0;
        bool Stopped = false;
        // Empty, or the database's error (the deletion stopped there).
        QString Error;
    };

    // where: the range's condition as LogDeletion::Build makes it ("where …", or empty for
    // every call).
    explicit LogDeletionRun(const QString& where, int batchRows = 5000);

    // Attaches db (not yet open, named and with its parameters) and runs to the end or a stop.
    Result Run(FbDatabase& db, const std::function<void(const Progress&)>& report);
    void RequestStop() { FStop = true; }

private:
    QString FWhere;
    int FBatch;
    std::atomic<bool> FStop{false};
};
