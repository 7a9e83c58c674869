#include "calls/CallJournal.h"

#include "core/DiagLog.h"

#include <QFile>
#include <QSaveFile>
#include <QUrl>

#include <unistd.h>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
}

CallJournal::CallJournal(const QString& path) : FPath(path) {}

QString CallJournal::FormatLine(const TJournalEntry& e)
{
    return e.Time.toString(kTimeFormat) + QLatin1Char('\t') + QString::fromLatin1(QUrl::toPercentEncoding(e.TelNo)) +
           QLatin1Char('\t') + QString::number(e.PortNo) + QLatin1Char('\t') + e.Kind;
}

bool CallJournal::ParseLine(const QString& line, TJournalEntry& e)
{
    const QStringList parts = line.split(QLatin1Char('\t'));
    if (parts.size() != 4)
        return false;
    e.Time = QDateTime::fromString(parts.at(0), kTimeFormat);
    e.TelNo = QUrl::fromPercentEncoding(parts.at(1).toLatin1());
    bool ok = false;
    e.PortNo = parts.at(2).toInt(&ok);
    e.Kind = parts.at(3);
    return e.Time.isValid() && ok && !e.Kind.isEmpty();
}

QList<TJournalEntry> CallJournal::ReadFile() const
{
    QList<TJournalEntry> entries;
    QFile f(FPath);
    if (!f.open(QIODevice::ReadOnly))
        return entries;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        if (raw.trimmed().isEmpty())
            continue;
        TJournalEntry e;
        // A line cut short by a crash or a full disk is dropped, never half-read.
        if (ParseLine(QString::fromUtf8(raw), e))
            entries << e;
        else
            WriteLog(QStringLiteral("CallJournal: unreadable line skipped: ") + QString::fromUtf8(raw.toPercentEncoding()));
    }
    return entries;
}

QList<TJournalEntry> CallJournal::Entries() const
{
    return ReadFile() + FUnwritten;
}

bool CallJournal::IsEmpty() const
{
    return FUnwritten.isEmpty() && QFile(FPath).size() == 0;
}

bool CallJournal::FlushUnwritten()
{
    if (FUnwritten.isEmpty())
        return true;
    QFile f(FPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    QByteArray bytes;
    for (const TJournalEntry& e : FUnwritten)
        bytes += FormatLine(e).toUtf8() + '\n';
    const qint64 before = f.size();
    if (f.write(bytes) != bytes.size() || !f.flush() || ::fsync(f.handle()) != 0) {
        // Leave no partial line behind: it would read as garbage or as a call twice.
        f.resize(before);
        return false;
    }
    FUnwritten.clear();
    return true;
}

bool CallJournal::Append(const TJournalEntry& entry)
{
    FUnwritten << entry;
    const bool ok = FlushUnwritten();
    if (!ok)
        WriteLog(QStringLiteral("CallJournal: cannot write ") + FPath + QStringLiteral("; calls kept in memory: ") +
                 QString::number(FUnwritten.size()));
    return ok;
}

bool CallJournal::WriteAll(const QList<TJournalEntry>& entries)
{
    if (entries.isEmpty()) {
        // Removing needs no space, unlike writing an empty copy.
        return !QFile::exists(FPath) || QFile::remove(FPath);
    }
    QSaveFile f(FPath);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    for (const TJournalEntry& e : entries)
        f.write(FormatLine(e).toUtf8() + '\n');
    return f.commit();
}

int CallJournal::Replay(const std::function<void(const TJournalEntry&)>& store)
{
    FlushUnwritten();
    const QList<TJournalEntry> fromFile = ReadFile();
    const QList<TJournalEntry> all = fromFile + FUnwritten;
    int stored = 0;
    for (const TJournalEntry& e : all) {
        try {
            store(e);
        } catch (...) {
            break;
        }
        ++stored;
    }
    if (stored == 0)
        return 0;
    const int inFile = int(fromFile.size());
    if (!WriteAll(fromFile.mid(qMin(stored, inFile))))
        // The file keeps them; store skips the ones it already holds next time.
        WriteLog(QStringLiteral("CallJournal: cannot rewrite ") + FPath);
    FUnwritten = FUnwritten.mid(qMax(0, stored - inFile));
    return stored;
}
