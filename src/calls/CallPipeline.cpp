#include "calls/CallPipeline.h"

#include "calls/CallJournal.h"
#include "core/AppError.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/PhoneNumberForm.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/FbQuery.h"
#include "db/FbWriteScope.h"
#include "db/StorableText.h"
#include "db/TdmCmn.h"
#include "db/UnknownCaller.h"

#include <QElapsedTimer>

#include <optional>

namespace {
const QString kIncoming = QStringLiteral("着信");
const QString kOutgoing = QStringLiteral("発信");
// Width of TEL_NO in TELS and LOG, in CP932 bytes.
constexpr int kTelNoWidth = 40;
// A burst is stored in slices of about this length, with the event loop in between.
constexpr qint64 kSliceMs = 100;
// While the database does not take calls, a call asks it again at most this often.
constexpr int kRetrySecs = 3;
} // namespace

CallPipeline::CallPipeline(TdmCmn* dm, CallPipelineHost* host, QObject* parent)
    : QObject(parent), FDm(dm), FHost(host)
{
}

CallPipeline::~CallPipeline()
{
    // The window may be half gone already.
    FHost = nullptr;
    KeepQueuedInJournal();
    if (FJournal && FJournal->InMemory() > 0)
        WriteLog(QStringLiteral("Calls lost at the end: the journal cannot be written: ") +
                 QString::number(FJournal->InMemory()));
}

TJournalEntry CallPipeline::EntryOf(const Queued& queued)
{
    const QString telNo = StorableNumber(queued.Call.TelNo);
    return TJournalEntry{queued.Arrived, telNo.isEmpty() ? QStringLiteral(" ") : telNo, queued.Call.PortNo, kIncoming};
}

void CallPipeline::KeepQueuedInJournal()
{
    if (FQueue.isEmpty())
        return;
    const int n = int(FQueue.size());
    if (!FJournal) {
        WriteLog(QStringLiteral("Calls not stored at the end: ") + QString::number(n));
        FQueue.clear();
        return;
    }
    QList<TJournalEntry> entries;
    entries.reserve(n);
    for (const Queued& queued : std::as_const(FQueue))
        entries << EntryOf(queued);
    FQueue.clear();
    FCallWaiting = false;
    const int lostBefore = FJournal->Lost();
    FJournal->Append(entries);
    NoteJournalState(QString::number(n) + QStringLiteral(" queued calls at the end"), lostBefore);
}

void CallPipeline::SetJournal(const QString& path)
{
    FJournal = std::make_unique<CallJournal>(path);
}

QString CallPipeline::StorableNumber(const QString& telNo)
{
    const QString national = PhoneNumberForm::Apply(telNo);
    if (national != telNo)
        WriteTraceLog(QStringLiteral("TelNo national form=") + national + QStringLiteral(" as received=") + telNo);
    const QString stored = StorableFallback(national, kTelNoWidth);
    if (stored != national)
        WriteLog(QStringLiteral("Caller number stored as \"") + stored + QStringLiteral("\"; as received: \"") +
                 telNo + QStringLiteral("\""));
    return stored;
}

void CallPipeline::Enqueue(const TIncomingCall& call)
{
    FQueue.enqueue(Queued{call, Clock::now()});
    FCallWaiting = true;
    ScheduleProcessing();
}

void CallPipeline::ScheduleProcessing()
{
    if (FScheduled)
        return;
    FScheduled = true;
    QMetaObject::invokeMethod(this, &CallPipeline::ProcessQueue, Qt::QueuedConnection);
}

void CallPipeline::BeginRefresh()
{
    // Calls still queued keep the flag: the refresh gives way to them.
    FCallWaiting = !FQueue.isEmpty();
    FRefreshing = true;
}

void CallPipeline::EndRefresh()
{
    FRefreshing = false;
    // A call that came during the refresh is taken up once it has returned.
    if (!FQueue.isEmpty())
        ScheduleProcessing();
}

void CallPipeline::ProcessQueue()
{
    FScheduled = false;
    // What is still queued at a stop goes to the journal in the teardown.
    if (StopRequest::Requested())
        return;
    QElapsedTimer slice;
    slice.start();
    // Never inside a refresh, nor inside another call's database work (a reconnection
    // lets messages run); EndRefresh and the end of that work pick the queue up again.
    while (!FQueue.isEmpty() && !FRefreshing && !FInDatabaseWork) {
        if (slice.elapsed() >= kSliceMs) {
            ScheduleProcessing();
            return;
        }
        const Queued queued = FQueue.dequeue();
        TIncomingCall call = queued.Call;
        if (FQueue.isEmpty())
            FCallWaiting = false;
        call.TelNo = StorableNumber(call.TelNo);
        if (FHost)
            FHost->ShowIncomingNumber(call.TelNo);
        // Calls the database missed go in before this one; while it does not take them,
        // this one joins them at once.
        if (FStoreFailing && Clock::now() >= FNextRetry) {
            FNextRetry = Clock::now().addSecs(kRetrySecs);
            CheckDatabase();
        } else if (!FStoreFailing && FJournal && !FJournal->IsEmpty()) {
            ReplayJournal();
        }
        const bool behindJournal = FStoreFailing || (FJournal && !FJournal->IsEmpty());
        TCallResult result;
        bool ok = false;
        if (!behindJournal) {
            FInDatabaseWork = true;
            try {
                ok = TelReceiveProc(call, result, queued.Arrived);
            } catch (...) {
                ok = false;
            }
            FInDatabaseWork = false;
        }
        if (!ok) {
            StoreFailed(queued.Arrived, call.TelNo.isEmpty() ? QStringLiteral(" ") : call.TelNo, call.PortNo,
                        kIncoming);
            emit callAbandoned(call.TelNo);
            continue;
        }
        if (FHost) {
            if (FQueue.isEmpty())
                FHost->RefreshAfterCall();
            FRefreshDue = !FQueue.isEmpty();
            FHost->PresentCall(result);
        }
        emit callProcessed(result);
    }
    // The grid is refreshed once a burst of calls has been stored, not once per call.
    if (FRefreshDue && FQueue.isEmpty() && FHost && !FRefreshing) {
        FRefreshDue = false;
        FHost->RefreshAfterCall();
    }
}

void CallPipeline::SetStoreFailing(bool failing)
{
    const int waiting = FJournal ? FJournal->Count() : 0;
    if (failing == FStoreFailing && !failing)
        return;
    if (failing && !FStoreFailing)
        FNextRetry = Clock::now().addSecs(kRetrySecs);
    FStoreFailing = failing;
    if (FHost)
        FHost->CallStoreFailing(failing, waiting);
}

void CallPipeline::StoreFailed(const QDateTime& at, const QString& key, int portNo, const QString& kind)
{
    if (!FJournal) {
        WriteLog(QStringLiteral("Call not stored: ") + kind + QLatin1Char(' ') + key);
        return;
    }
    const int lostBefore = FJournal->Lost();
    FJournal->Append(TJournalEntry{at, key, portNo, kind});
    NoteJournalState(kind + QLatin1Char(' ') + key + QStringLiteral(" port ") + QString::number(portNo), lostBefore);
    SetStoreFailing(true);
}

void CallPipeline::NoteJournalState(const QString& what, int lostBefore)
{
    if (!what.isEmpty()) {
        if (FJournal->Lost() > lostBefore)
            WriteLog(QStringLiteral("Call lost: the journal cannot be written and memory is full: ") + what);
        else if (!FJournal->Writable())
            WriteLog(QStringLiteral("Call kept in memory until the journal can be written: ") + what);
        else
            WriteLog(QStringLiteral("Call kept in the journal until the database takes it: ") + what);
    }
    const bool unwritable = !FJournal->Writable();
    if (unwritable == FJournalUnwritable && (!unwritable || FJournalInMemoryShown == FJournal->InMemory()))
        return;
    FJournalUnwritable = unwritable;
    FJournalInMemoryShown = FJournal->InMemory();
    if (FHost)
        FHost->CallJournalUnwritable(unwritable, FJournal->InMemory(), FJournal->Lost());
}

void CallPipeline::StoreJournaledOnce(const TJournalEntry& e)
{
    TLog log;
    log.DtFrom = e.Time;
    log.TelNo = e.TelNo;
    log.TelType = e.Kind;
    log.PortNo = e.PortNo;
    // Stored already when the program ended between the store and the journal's rewrite.
    if (FDm->LogExists(log))
        return;
    TTels tels;
    StoreCall(e.TelNo, e.TelNo == QLatin1String(" ") ? QString() : e.TelNo, e.Time, e.PortNo, e.Kind, tels);
}

bool CallPipeline::DatabaseAnswers()
{
    FbDatabase& db = FDm->IBDatabase1;
    if (!db.connected() || db.fileReplaced())
        return false;
    try {
        FbQuery probe(db);
        probe.setSql(QStringLiteral("select 1 from RDB$DATABASE"));
        probe.open();
        probe.close();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void CallPipeline::StoreJournaled(const TJournalEntry& e)
{
    try {
        StoreJournaledOnce(e);
        return;
    } catch (const std::exception&) {
        if (!DatabaseAnswers())
            throw;
    }
    // The database answers: try once more (a passing conflict with another PC), then the call
    // is one it will never take and must not hold back the ones behind it.
    try {
        StoreJournaledOnce(e);
    } catch (const std::exception& err) {
        if (!DatabaseAnswers())
            throw;
        throw JournalEntryRefused(QString::fromUtf8(err.what()));
    }
}

int CallPipeline::ReplayJournal()
{
    if (!FJournal || FInDatabaseWork)
        return 0;
    if (FJournal->IsEmpty()) {
        SetStoreFailing(false);
        return 0;
    }
    FInDatabaseWork = true;
    int stored = 0;
    try {
        stored = FJournal->Replay([this](const TJournalEntry& e) { StoreJournaled(e); });
    } catch (...) {
    }
    FInDatabaseWork = false;
    if (stored > 0)
        WriteLog(QStringLiteral("Journaled calls written to the call log: ") + QString::number(stored));
    SetStoreFailing(!FJournal->IsEmpty());
    // Calls that came during the replay.
    if (!FQueue.isEmpty())
        ScheduleProcessing();
    return stored;
}

void CallPipeline::CheckDatabase()
{
    if (FInDatabaseWork || FRefreshing)
        return;
    // Calls kept in memory while the disk was full go to the file as soon as there is room.
    if (FJournal) {
        FJournal->Flush();
        NoteJournalState(QString(), FJournal->Lost());
    }
    if (FDm->IBDatabase1.fileReplaced()) {
        WriteLog(QStringLiteral("The database file is no longer the one opened (removed or replaced): ") +
                 FDm->IBDatabase1.databaseName());
        try {
            FDm->IBDatabase1.close();
        } catch (const std::exception&) {
        }
        SetStoreFailing(true);
    }
    if (!FStoreFailing && (!FJournal || FJournal->IsEmpty()))
        return;
    try {
        FDm->IBDatabase1.ensureOpen();
    } catch (const std::exception& e) {
        WriteTraceLog(QStringLiteral("CheckDatabase: still unreachable: ") + QString::fromUtf8(e.what()));
        return;
    }
    ReplayJournal();
    if (FHost && !FStoreFailing)
        FHost->RefreshAfterCall();
}

TTels CallPipeline::ResolveTels(const QString& key, const QString& custTelNo, bool found, TTels tels)
{
    if (found) {
        if (tels.Caller == GUnknownName || tels.Caller == StoredUnknownName()) {
            // A customer may have been registered for this number since it was first seen.
            try {
                QString name, kana;
                if (FDm->GetCustInfo(custTelNo, name, kana)) {
                    TTels updated{custTelNo, custTelNo, name, kana, tels.Caution, tels.CautionNote};
                    FDm->UpdateTels(updated);
                    tels = updated;
                }
            } catch (const AppError& e) {
                WriteTraceLog(QStringLiteral("UpdateTels E.Message=") + e.message());
            }
        }
        return tels;
    }
    WriteTraceLog(QStringLiteral("not found tel"));
    QString name, kana;
    bool customer = false;
    try {
        customer = FDm->GetCustInfo(key, name, kana);
    } catch (const AppError&) {
        customer = false;
    }
    if (!customer) {
        name = StoredUnknownName();
        kana = StoredUnknownKana();
    }
    tels = TTels{key, key, name, kana};
    try {
        FDm->InsertTels(tels);
    } catch (const AppError& e) {
        // Another PC sharing the database entered the same new caller between our lookup
        // and our insert: its entry serves this call as well.
        TTels existing;
        if (!FDm->GetTels(key, existing))
            throw;
        WriteLog(QStringLiteral("InsertTels: entry made meanwhile elsewhere, read back: ") + key + QStringLiteral(" (") +
                 e.message() + QLatin1Char(')'));
        return existing;
    }
    return tels;
}

int CallPipeline::StoreCall(const QString& key, const QString& custTelNo, const QDateTime& at, int portNo,
                            const QString& kind, TTels& tels)
{
    bool found = FDm->GetTels(key, tels);
    tels = ResolveTels(key, custTelNo, found, tels);
    WriteTraceLog(QStringLiteral("CustTelNon=") + tels.CustTelNon + QStringLiteral(", Caller=") + tels.Caller +
                  QStringLiteral(", ReadName=") + tels.ReadName);
    TLog log;
    log.DtFrom = at;
    log.TelNo = key;
    log.TelType = kind;
    log.TelTerm = QStringLiteral("0:00:00");
    log.TelTime = 0;
    log.PortNo = portNo;
    return FDm->InsertLog(log);
}

int CallPipeline::RecordOutgoingCall(const QString& number, int portNo)
{
    WriteTraceLog(QStringLiteral("TfrmMain.CallDataInsert TelNo=") + number + QStringLiteral(" PortNo=") +
                  QString::number(portNo));
    const QDateTime accepted = Clock::now();
    const QString telNo = StorableNumber(number);
    if (!FInDatabaseWork && !FStoreFailing && FJournal && !FJournal->IsEmpty())
        ReplayJournal();
    // A call's database work is under way (its reconnection lets messages run), or the
    // database does not take calls: behind those waiting in the journal.
    if (FInDatabaseWork || FStoreFailing || (FJournal && !FJournal->IsEmpty())) {
        StoreFailed(accepted, telNo, portNo, kOutgoing);
        return -1;
    }
    FInDatabaseWork = true;
    int logNo = -1;
    try {
        TTels tels;
        logNo = StoreCall(telNo, telNo, accepted, portNo, kOutgoing, tels);
    } catch (const std::exception& e) {
        WriteTraceLog(QStringLiteral("RecordOutgoingCall E.Message=") + QString::fromUtf8(e.what()));
    }
    FInDatabaseWork = false;
    if (logNo < 0)
        StoreFailed(accepted, telNo, portNo, kOutgoing);
    if (!FQueue.isEmpty())
        ScheduleProcessing();
    return logNo;
}

bool CallPipeline::TelReceiveProc(TIncomingCall& call, TCallResult& result, const QDateTime& arrived)
{
    WriteTraceLog(QStringLiteral("★TelReceiveProc TelNo=") + call.TelNo + QStringLiteral(" LogNo=") + call.LogNo +
                  QStringLiteral(" PortNo=") + QString::number(call.PortNo) + QStringLiteral(" CalledReadName=") +
                  call.CalledReadName);
    call.TelNo = StorableNumber(call.TelNo);
    const QString key = call.TelNo.isEmpty() ? QStringLiteral(" ") : call.TelNo;
    WriteTraceLog(QStringLiteral("TelNo=") + call.TelNo);
    FCallStart = arrived.isValid() ? arrived : Clock::now();

    // The lookups, a new phone-book entry and the call-log row in one transaction: with
    // forced writes each transaction of its own costs synchronous page writes. Without a
    // transaction (the database not answering) the steps below reconnect as before.
    std::optional<FbWriteScope> scope;
    try {
        scope.emplace(FDm->IBDatabase1);
    } catch (const std::exception& e) {
        WriteTraceLog(QStringLiteral("TelReceiveProc transaction E.Message=") + QString::fromUtf8(e.what()));
    }

    TTels tels;
    bool found = false;
    try {
        found = FDm->GetTels(key, tels);
    } catch (const AppError& e) {
        FDm->ReDBConnect(e.message());
        try {
            found = FDm->GetTels(key, tels);
        } catch (const AppError& e2) {
            WriteTraceLog(QStringLiteral("TelReceiveProc GetTels E.Message=") + e2.message());
            return false;
        }
    }

    try {
        tels = ResolveTels(key, call.TelNo, found, tels);
    } catch (const AppError& e) {
        WriteTraceLog(QStringLiteral("TelReceiveProc InsertTels E.Message=") + e.message());
        return false;
    }
    WriteTraceLog(QStringLiteral("CustTelNon=") + tels.CustTelNon + QStringLiteral(", Caller=") + tels.Caller +
                  QStringLiteral(", ReadName=") + tels.ReadName);

    TLog log;
    log.DtFrom = FCallStart;
    log.TelNo = key;
    log.TelType = kIncoming;
    log.TelTerm = QStringLiteral("0:00:00");
    log.TelTime = 0;
    log.PortNo = call.PortNo;
    try {
        call.LogNo = QString::number(FDm->InsertLog(log));
        if (scope)
            scope->commit();
    } catch (const AppError& e) {
        WriteTraceLog(QStringLiteral("TelReceiveProc InsertLog E.Message=") + e.message());
        return false;
    }
    WriteTraceLog(QStringLiteral("LogNo1=") + call.LogNo);

    result.TelNo = call.TelNo;
    result.LogNo = call.LogNo;
    result.PortNo = call.PortNo;
    result.CustTelNon = tels.CustTelNon;
    result.Caller = tels.Caller;
    result.ReadName = tels.ReadName;
    result.CalledReadName = call.CalledReadName;
    result.Caution = tels.Caution;
    result.CautionNote = tels.CautionNote;
    return true;
}
