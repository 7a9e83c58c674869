#pragma once

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

// A small text file in the data folder holding the calls the database did not take, one
// line per call (time, number, port, kind, separated by tabs; the number percent-encoded so
// no character of it can break a line). Calls are appended the moment a store fails and
// written to the call log later, in order, with their original times.
class CallJournal
{
public:
    explicit CallJournal(const QString& path);

    QString path() const { return FPath; }
    // Adds a call. False when it could not be written (a full disk): the call is then kept
    // in memory and written with the next append or replay.
    bool Append(const TJournalEntry& entry);
    // Writes calls kept in memory to the file, when there is room now.
    bool Flush() { return FlushUnwritten(); }
    // Calls waiting to be stored, in the file and in memory.
    QList<TJournalEntry> Entries() const;
    int Count() const { return int(Entries().size()); }
    bool IsEmpty() const;

    // Hands each waiting call to store in order, stopping at the first that throws; the
    // stored ones are then removed from the file. Returns how many were stored. store must
    // itself skip a call it already holds: a crash between a store and the file's rewrite
    // hands the same call over again.
    int Replay(const std::function<void(const TJournalEntry&)>& store);

    static QString FormatLine(const TJournalEntry& entry);
    static bool ParseLine(const QString& line, TJournalEntry& entry);

private:
    QList<TJournalEntry> ReadFile() const;
    bool WriteAll(const QList<TJournalEntry>& entries);
    bool FlushUnwritten();

    QString FPath;
    QList<TJournalEntry> FUnwritten;
};
