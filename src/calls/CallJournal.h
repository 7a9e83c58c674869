#pragma once

#include "core/AppError.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

// One call that could not be stored in the database yet.
struct TJournalEntry
{
    QDateTime Time; // when the call came (or was placed)
    QString TelNo;
    int PortNo = 0;
    QString Kind; // "着信" or "発信"

    bool operator==(const TJournalEntry& o) const
    {
        return Time == o.Time && TelNo == o.TelNo && PortNo == o.PortNo && Kind == o.Kind;
    }
};

// Thrown by a replay's store for a call the database answered but will never take (a value it
// refuses): the line is put aside instead of holding back the calls behind it.
class JournalEntryRefused : public AppError
{
public:
    using AppError::AppError;
};

// A small text file in the data folder holding the calls the database did not take, one
// line per call (time, number, port, kind, separated by tabs; the number percent-encoded so
// no character of it can break a line). Calls are appended the moment a store fails and
// written to the call log later, in order, with their original times.
class CallJournal
{
public:
    explicit CallJournal(const QString& path);

    QString path() const { return FPath; }
    // At most this many calls wait in memory for a journal that cannot be written; calls
    // beyond them are lost and counted.
    static constexpr int kMaxInMemory = 5000;

    // Adds calls, in one write. False when they could not be written (a full disk, no rights):
    // they are then kept in memory, up to kMaxInMemory, and written with the next append,
    // flush or replay.
    bool Append(const TJournalEntry& entry) { return Append(QList<TJournalEntry>{entry}); }
    bool Append(const QList<TJournalEntry>& entries);
    // Writes calls kept in memory to the file, when it can be written now.
    bool Flush() { return FlushUnwritten(); }
    // Whether the last write to the file succeeded; the log says so each time it changes.
    bool Writable() const { return FWritable; }
    // Calls kept in memory because the file cannot be written, and calls lost beyond them
    // since the program started.
    int InMemory() const { return int(FUnwritten.size()); }
    int Lost() const { return FLost; }
    // Calls waiting to be stored, in the file and in memory.
    QList<TJournalEntry> Entries() const;
    int Count() const;
    bool IsEmpty() const;

    // Hands each waiting call to store in order; the stored ones are removed from the file.
    // A call store refuses with JournalEntryRefused, a line that is no call and a call dated
    // more than a minute after now are moved to the put-aside file, with a log line. Any other
    // exception means the database is away: that call and the rest stay. Returns how many were
    // stored. store must itself skip a call it already holds: a crash between a store and the
    // file's rewrite hands the same call over again. The file is read in bounded pieces,
    // whatever its size.
    int Replay(const std::function<void(const TJournalEntry&)>& store);

    // Lines that can never be stored, each as "reason<TAB>line as read".
    QString asidePath() const;

    static QString FormatLine(const TJournalEntry& entry);
    static bool ParseLine(const QString& line, TJournalEntry& entry);

private:
    QList<TJournalEntry> ReadFile() const;
    bool FlushUnwritten();
    void SetWritable(bool writable);

    QString FPath;
    QList<TJournalEntry> FUnwritten;
    bool FWritable = true;
    int FLost = 0;
    // A store may reconnect, which lets events run and calls arrive: those wait in memory
    // until the file has been rewritten.
    bool FReplaying = false;
};
