#pragma once

#include <QDateTime>
#include <QObject>
#include <QQueue>
#include <QString>

#include "db/TTels.h"

class TdmCmn;

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
};

// Turns a number that arrived on a line into a phone-book entry and a call-log row, one
// call at a time on the main thread, in arrival order. A refresh of the window's lists
// and call processing never overlap: a call that arrives during a refresh makes the
// refresh stop after its current step and is processed after it returned.
class CallPipeline : public QObject
{
    Q_OBJECT
public:
    CallPipeline(TdmCmn* dm, CallPipelineHost* host, QObject* parent = nullptr);

    // Queues a call; it is processed once control is back in the event loop.
    void Enqueue(const TIncomingCall& call);
    int Pending() const { return int(FQueue.size()); }

    // The two flags shared with the window's refresh.
    bool CallWaiting() const { return FCallWaiting; }
    void ClearCallWaiting() { FCallWaiting = false; }
    bool Refreshing() const { return FRefreshing; }
    void BeginRefresh();
    void EndRefresh();

    // The database part of one call (lookups, phone-book entry, call-log row). False when
    // the call's processing ended early; the reason is in the diagnostic log.
    bool TelReceiveProc(TIncomingCall& call, TCallResult& result);

    QDateTime CallStartTime() const { return FCallStart; }

    // An outgoing call the phone accepted: the phone-book entry as for an incoming call
    // (keyed by the number itself, no second lookup) and a "発信" row. Returns LOG_NO;
    // database errors propagate.
    int RecordOutgoingCall(const QString& telNo, int portNo);

signals:
    void callProcessed(const TCallResult& result);
    void callAbandoned(const QString& telNo);

private:
    // Finds or creates the phone-book entry of key; custTelNo is the number customers are
    // asked about. Customer lookups never fail the call.
    TTels ResolveTels(const QString& key, const QString& custTelNo, bool found, TTels tels);
    void ScheduleProcessing();
    void ProcessQueue();

    TdmCmn* FDm;
    CallPipelineHost* FHost;
    QQueue<TIncomingCall> FQueue;
    QDateTime FCallStart;
    bool FCallWaiting = false;
    bool FRefreshing = false;
    bool FInDatabaseWork = false;
    bool FScheduled = false;
};
