#include "calls/CallJournal.h"

#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <unistd.h>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
// A call's line is far shorter; a longer one is no call and is never held in memory whole.
constexpr qint64 kMaxLine = 1024;
constexpr qint64 kPiece = 64 * 1024;

using Spill = std::function<void(const QByteArray& piece, bool first, bool last)>;

// Reads the next line of f into line, without its end. False at the end of the file. A line
// longer than kMaxLine comes back cut with overlong set; the whole of it, the first part
// included, goes to spill piece by piece (when given) and the rest is skipped.
bool nextLine(QFile& f, QByteArray& line, bool& overlong, const Spill& spill)
{
    if (f.atEnd())
        return false;
    line = f.readLine(kMaxLine + 2);
    const bool ended = line.endsWith('\n');
    if (ended)
        line.chop(1);
    overlong = line.size() > kMaxLine || (!ended && !f.atEnd());
    if (!overlong)
        return true;
    bool last = ended || f.atEnd();
    if (spill)
        spill(line, true, last);
    while (!last && !f.atEnd()) {
        QByteArray piece = f.readLine(kPiece);
        if (piece.isEmpty())
            break;
        last = piece.endsWith('\n') || f.atEnd();
        if (piece.endsWith('\n'))
            piece.chop(1);
        if (spill)
            spill(piece, false, last);
    }
    return true;
}
} // namespace

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

QString CallJournal::asidePath() const
{
    const QFileInfo fi(FPath);
    return fi.dir().filePath(fi.completeBaseName() + QStringLiteral(".aside") +
                             (fi.suffix().isEmpty() ? QString() : QLatin1Char('.') + fi.suffix()));
}

QList<TJournalEntry> CallJournal::ReadFile() const
{
    QList<TJournalEntry> entries;
    QFile f(FPath);
    if (!f.open(QIODevice::ReadOnly))
        return entries;
    QByteArray raw;
    bool overlong = false;
    // Lines that are no call are left to the next replay, which puts them aside.
    while (nextLine(f, raw, overlong, nullptr)) {
        TJournalEntry e;
        if (!overlong && ParseLine(QString::fromUtf8(raw), e))
            entries << e;
    }
    return entries;
}

QList<TJournalEntry> CallJournal::Entries() const
{
    return ReadFile() + FUnwritten;
}

int CallJournal::Count() const
{
    return int(Entries().size());
}

bool CallJournal::IsEmpty() const
{
    return FUnwritten.isEmpty() && QFile(FPath).size() == 0;
}

void CallJournal::SetWritable(bool writable)
{
    if (writable == FWritable)
        return;
    FWritable = writable;
    if (!writable)
        WriteLog(QStringLiteral("CallJournal: cannot write ") + FPath + QStringLiteral("; calls kept in memory: ") +
                 QString::number(FUnwritten.size()));
    else
        WriteLog(QStringLiteral("CallJournal: written again: ") + FPath);
}

bool CallJournal::FlushUnwritten()
{
    if (FUnwritten.isEmpty())
        return true;
    if (FReplaying)
        return false;
    QFile f(FPath);
    if (!FileAccess::Open(f, QIODevice::WriteOnly | QIODevice::Append)) {
        SetWritable(false);
        return false;
    }
    QByteArray bytes;
    for (const TJournalEntry& e : FUnwritten)
        bytes += FormatLine(e).toUtf8() + '\n';
    const qint64 before = f.size();
    if (f.write(bytes) != bytes.size() || !f.flush() || ::fsync(f.handle()) != 0) {
        // Leave no partial line behind: it would read as garbage or as a call twice.
        f.resize(before);
        SetWritable(false);
        return false;
    }
    FUnwritten.clear();
    SetWritable(true);
    return true;
}

bool CallJournal::Append(const QList<TJournalEntry>& entries)
{
    for (const TJournalEntry& e : entries) {
        if (FUnwritten.size() >= kMaxInMemory) {
            if (FLost++ == 0 || FLost % 100 == 0)
                WriteLog(QStringLiteral("CallJournal: memory holds ") + QString::number(kMaxInMemory) +
                         QStringLiteral(" calls already; calls lost: ") + QString::number(FLost));
            continue;
        }
        FUnwritten << e;
    }
    if (FReplaying)
        return true;
    return FlushUnwritten();
}

namespace {
// One replay's writing side: the rewritten journal (calls still waiting), the put-aside file
// and bounded reporting.
class ReplayOutput
{
public:
    ReplayOutput(const QString& path, const QString& aside) : FKept(path), FAside(aside) {}

    bool keep(const QByteArray& line)
    {
        if (!FKept.isOpen() && !FileAccess::Open(FKept, QIODevice::WriteOnly))
            return false;
        ++FKeptLines;
        return FKept.write(line + '\n') == line.size() + 1;
    }

    // False when the line could not be written there (it is then kept in the journal).
    bool aside(const QString& reason, const QByteArray& line, bool complete = true)
    {
        if (!FAside.isOpen()) {
            if (!FileAccess::Open(FAside, QIODevice::WriteOnly | QIODevice::Append))
                return false;
        }
        const QByteArray bytes = reason.toUtf8() + '\t' + line + (complete ? "\n" : "");
        return FAside.write(bytes) == bytes.size();
    }
    bool asideMore(const QByteArray& piece, bool last)
    {
        const QByteArray bytes = last ? piece + '\n' : piece;
        return FAside.isOpen() && FAside.write(bytes) == bytes.size();
    }
    bool asideDone() { return !FAside.isOpen() || (FAside.flush() && ::fsync(FAside.handle()) == 0); }

    // Replaces the journal with the kept lines, or removes it when none are left.
    bool commit(const QString& path)
    {
        if (FKeptLines == 0) {
            FKept.cancelWriting();
            // Removing needs no space, unlike writing an empty copy.
            return !QFile::exists(path) || QFile::remove(path);
        }
        return FKept.commit();
    }

private:
    QSaveFile FKept;
    QFile FAside;
    int FKeptLines = 0;
};

// At most this many put-aside lines are logged one by one per replay; the rest are counted.
constexpr int kLoggedLines = 10;

QString shown(const QByteArray& raw)
{
    return EscapeLogText(QString::fromUtf8(raw.left(200)));
}
} // namespace

int CallJournal::Replay(const std::function<void(const TJournalEntry&)>& store)
{
    FlushUnwritten();
    // Calls a full disk kept out of the file come after it, as they came after it.
    const QList<TJournalEntry> inMemory = FUnwritten;
    FUnwritten.clear();
    FReplaying = true;
    const QDateTime latest = Clock::now().addSecs(60);
    const QString asideFile = asidePath();
    ReplayOutput out(FPath, asideFile);
    bool away = false;
    int stored = 0, unreadable = 0, future = 0, refused = 0, logged = 0;
    QByteArray firstUnreadable;

    // Stores e unless the database went away before; false when e must stay.
    const auto offer = [&](const TJournalEntry& e, const QByteArray& raw) -> bool {
        if (e.Time > latest) {
            ++future;
            if (logged++ < kLoggedLines)
                WriteLog(QStringLiteral("CallJournal: a call dated after now is not stored; put aside in ") +
                         asideFile + QStringLiteral(": ") + shown(raw));
            return !out.aside(QStringLiteral("future"), raw);
        }
        if (away)
            return true;
        try {
            store(e);
            ++stored;
            return false;
        } catch (const JournalEntryRefused& err) {
            ++refused;
            if (logged++ < kLoggedLines)
                WriteLog(QStringLiteral("CallJournal: a call the database does not take is put aside in ") + asideFile +
                         QStringLiteral(": ") + shown(raw) + QStringLiteral(" (") + err.message() + QLatin1Char(')'));
            return !out.aside(QStringLiteral("refused"), raw);
        } catch (...) {
            away = true;
            return true;
        }
    };

    QFile in(FPath);
    bool writeOk = true;
    if (in.open(QIODevice::ReadOnly)) {
        QByteArray raw;
        bool overlong = false;
        bool asideOk = true;
        const auto spill = [&](const QByteArray& piece, bool first, bool last) {
            if (first)
                asideOk = out.aside(QStringLiteral("unreadable"), piece, last);
            else if (asideOk)
                asideOk = out.asideMore(piece, last);
        };
        while (nextLine(in, raw, overlong, spill)) {
            if (overlong) {
                // Far longer than any call's line: no call, and not worth keeping in memory.
                if (unreadable++ == 0)
                    firstUnreadable = raw;
                continue;
            }
            if (raw.trimmed().isEmpty())
                continue;
            TJournalEntry e;
            // A line cut short by a crash, or written by hand.
            if (!ParseLine(QString::fromUtf8(raw), e)) {
                if (unreadable++ == 0)
                    firstUnreadable = raw;
                if (!out.aside(QStringLiteral("unreadable"), raw))
                    writeOk = out.keep(raw) && writeOk;
                continue;
            }
            if (offer(e, raw))
                writeOk = out.keep(raw) && writeOk;
        }
        in.close();
    }
    QList<TJournalEntry> stillInMemory;
    for (const TJournalEntry& e : inMemory) {
        if (offer(e, FormatLine(e).toUtf8()))
            stillInMemory << e;
    }
    FReplaying = false;
    // Calls that came during the replay follow.
    FUnwritten = stillInMemory + FUnwritten;
    if (unreadable > 0)
        WriteLog(QStringLiteral("CallJournal: ") + QString::number(unreadable) +
                 QStringLiteral(" unreadable lines put aside in ") + asideFile + QStringLiteral("; the first: ") +
                 shown(firstUnreadable));
    if (logged > kLoggedLines)
        WriteLog(QStringLiteral("CallJournal: put aside in all: ") + QString::number(future) +
                 QStringLiteral(" dated after now, ") + QString::number(refused) +
                 QStringLiteral(" refused by the database"));
    if (!out.asideDone())
        WriteLog(QStringLiteral("CallJournal: cannot write ") + asideFile);
    if (!writeOk || !out.commit(FPath))
        // The file keeps them; store skips the ones it already holds next time.
        WriteLog(QStringLiteral("CallJournal: cannot rewrite ") + FPath);
    FlushUnwritten();
    return stored;
}
