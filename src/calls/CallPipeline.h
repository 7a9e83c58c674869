#pragma once

#include <QDateTime>
#include <QObject>
#include <QQueue>
#include <QString>

#include "db/TTels.h"

#include <memory>

class CallJournal;
class TdmCmn;
struct TJournalEntry;

// One incoming call as handed to the pipeline.
struct TIncomingCall
{
    QString TelNo;          // empty when the caller withheld the number
    QString LogNo;          // filled with the new LOG_NO
    int PortNo = 0;         // the receiving phone's port
    QString CalledReadName; // reading of the receiving line
};

// What the pipeline found out about a call, for the screen steps that follow.
struct TCallResult
{
    QString TelNo;
    QString LogNo;
    int PortNo = 0;
    QString CustTelNon;
    QString Caller;
    QString ReadName;
    QString CalledReadName;
    // The phone-book entry's 要注意 flag and note.
    bool Caution = false;
    QString CautionNote;
};

// The window side of an incoming call: everything after the database work.
class CallPipelineHost
{
public:
    virtual ~CallPipelineHost() = default;
    // Day selector to today, then refresh with the LOG and TELS flags and no key.
    virtual void RefreshAfterCall() = 0;
    // Number into edtCall, caller into pnlCallName; window, tray, speech, flash,
    // external program and customer tab as configured.
    virtual void PresentCall(const TCallResult& call) = 0;
    // The number of a call about to be processed, shown before any database work so a slow
    // or unreachable database never hides it.
    virtual void ShowIncomingNumber(const QString& telNo) { Q_UNUSED(telNo); }
    // failing: a call could not be stored and waits in the journal (waiting calls) until the
    // database takes it; false again once stores succeed.
    virtual void CallStoreFailing(bool failing, int waiting)
    {
        Q_UNUSED(failing);
        Q_UNUSED(waiting);
    }
    // unwritable: the journal file cannot be written; inMemory calls wait in memory for it
    // (lost with the program) and lost calls did not fit there. False again once it is written.
    virtual void CallJournalUnwritable(bool unwritable, int inMemory, int lost)
    {
        Q_UNUSED(unwritable);
        Q_UNUSED(inMemory);
        Q_UNUSED(lost);
    }
};

// Turns a number that arrived on a line into a phone-book entry and a call-log row, one
// call at a time on the main thread, in arrival order. A refresh of the window's lists
// and call processing never overlap: a call that arrives during a refresh makes the
// refresh stop after its current step and is processed after it returned. A burst is
// stored in slices, so that a stop request and the phones' lines are seen meanwhile.
//
// While the database does not take calls, new ones go straight to the journal, behind the
// calls waiting there, without asking the engine again (each attempt can take seconds);
// the periodic check reconnects and replays. A live call is stored only once the journal
// is empty, so LOG_NO follows the order in which the calls came.
class CallPipeline : public QObject
{
    Q_OBJECT
public:
    CallPipeline(TdmCmn* dm, CallPipelineHost* host, QObject* parent = nullptr);
    ~CallPipeline() override;

    // Keeps calls the database does not take in the journal file at path, to be written to
    // the call log later. Without a journal such a call is only logged as lost.
    void SetJournal(const QString& path);
    CallJournal* Journal() const { return FJournal.get(); }
    // Writes the journaled calls to the call log with their original times; returns how
    // many were written. Runs at start, after a reconnection and after a stored call.
    int ReplayJournal();
    // The periodic check: a database file removed or replaced under the open attachment
    // counts as unreachable (detach, journal); then reconnect and replay when calls wait.
    void CheckDatabase();
    bool StoreFailing() const { return FStoreFailing; }

    // What a caller's number is stored as: its national form when that is switched on; then
    // characters the database cannot hold become "〓" and the number is cut to the column's
    // width. The number as received goes to the diagnostic log beside it.
    static QString StorableNumber(const QString& telNo);

    // Queues a call; it is processed once control is back in the event loop.
    void Enqueue(const TIncomingCall& call);
    // The program ends: the calls still queued go to the journal in one write, for the next
    // start to store. Also done when the pipeline is destroyed.
    void KeepQueuedInJournal();
    int Pending() const { return int(FQueue.size()); }

    // The two flags shared with the window's refresh.
    bool CallWaiting() const { return FCallWaiting; }
    void ClearCallWaiting() { FCallWaiting = false; }
    bool Refreshing() const { return FRefreshing; }
    void BeginRefresh();
    void EndRefresh();

    // The database part of one call (lookups, phone-book entry, call-log row). False when
    // the call's processing ended early; the reason is in the diagnostic log.
    // arrived is the call's time in the call log; now when not given.
    bool TelReceiveProc(TIncomingCall& call, TCallResult& result, const QDateTime& arrived = QDateTime());

    QDateTime CallStartTime() const { return FCallStart; }

    // An outgoing call the phone accepted: the phone-book entry as for an incoming call
    // (keyed by the number itself, no second lookup) and a "発信" row. Returns LOG_NO, or -1
    // when the database did not take it (the call is then journaled).
    int RecordOutgoingCall(const QString& telNo, int portNo);

signals:
    void callProcessed(const TCallResult& result);
    void callAbandoned(const QString& telNo);

private:
    // Finds or creates the phone-book entry of key; custTelNo is the number customers are
    // asked about. Customer lookups never fail the call.
    TTels ResolveTels(const QString& key, const QString& custTelNo, bool found, TTels tels);
    // The phone-book entry and the call-log row of one call; database errors propagate.
    int StoreCall(const QString& key, const QString& custTelNo, const QDateTime& at, int portNo,
                  const QString& kind, TTels& tels);
    // Stores a journaled call; throws JournalEntryRefused when the database answers but does
    // not take it, anything else when the database is away.
    void StoreJournaled(const TJournalEntry& entry);
    void StoreJournaledOnce(const TJournalEntry& entry);
    bool DatabaseAnswers();
    void StoreFailed(const QDateTime& at, const QString& key, int portNo, const QString& kind);
    // Logs where calls handed to the journal are now, and tells the window when that changed.
    void NoteJournalState(const QString& what, int lostBefore);
    void SetStoreFailing(bool failing);
    // A call as queued, with the time it came.
    struct Queued
    {
        TIncomingCall Call;
        QDateTime Arrived;
    };
    static TJournalEntry EntryOf(const Queued& queued);
    void ScheduleProcessing();
    void ProcessQueue();

    TdmCmn* FDm;
    CallPipelineHost* FHost;
    QQueue<Queued> FQueue;
    QDateTime FCallStart;
    std::unique_ptr<CallJournal> FJournal;
    bool FStoreFailing = false;
    // While stores fail, a call asks the database again once this time has come.
    QDateTime FNextRetry;
    bool FJournalUnwritable = false;
    int FJournalInMemoryShown = 0;
    bool FRefreshDue = false;
    bool FCallWaiting = false;
    bool FRefreshing = false;
    bool FInDatabaseWork = false;
    bool FScheduled = false;
};
