#include "calls/CallPipeline.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"

namespace {
const QString kIncoming = QStringLiteral("着信");
}

CallPipeline::CallPipeline(TdmCmn* dm, CallPipelineHost* host, QObject* parent)
    : QObject(parent), FDm(dm), FHost(host)
{
}

void CallPipeline::Enqueue(const TIncomingCall& call)
{
    FQueue.enqueue(call);
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
    FCallWaiting = false;
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
    // Never inside a refresh, nor inside another call's database work (a reconnection
    // lets messages run); EndRefresh and the end of that work pick the queue up again.
    while (!FQueue.isEmpty() && !FRefreshing && !FInDatabaseWork) {
        TIncomingCall call = FQueue.dequeue();
        if (FQueue.isEmpty())
            FCallWaiting = false;
        TCallResult result;
        bool ok = false;
        FInDatabaseWork = true;
        try {
            ok = TelReceiveProc(call, result);
        } catch (...) {
            ok = false;
        }
        FInDatabaseWork = false;
        if (!ok) {
            emit callAbandoned(call.TelNo);
            continue;
        }
        if (FHost) {
            FHost->RefreshAfterCall();
            FHost->PresentCall(result);
        }
        emit callProcessed(result);
    }
}

TTels CallPipeline::ResolveTels(const QString& key, const QString& custTelNo, bool found, TTels tels)
{
    if (found) {
        if (tels.Caller == GUnknownName) {
            // A customer may have been registered for this number since it was first seen.
            try {
                QString name, kana;
                if (FDm->GetCustInfo(custTelNo, name, kana)) {
                    TTels updated{custTelNo, custTelNo, name, kana};
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
        name = GUnknownName;
        kana = GUnknownKana;
    }
    tels = TTels{key, key, name, kana};
    FDm->InsertTels(tels);
    return tels;
}

int CallPipeline::RecordOutgoingCall(const QString& telNo, int portNo)
{
    WriteTraceLog(QStringLiteral("TfrmMain.CallDataInsert TelNo=") + telNo + QStringLiteral(" PortNo=") +
                  QString::number(portNo));
    const QDateTime accepted = Clock::now();
    TTels tels;
    const bool found = FDm->GetTels(telNo, tels);
    tels = ResolveTels(telNo, telNo, found, tels);
    WriteTraceLog(QStringLiteral("CustTelNon=") + tels.CustTelNon + QStringLiteral(", Caller=") + tels.Caller +
                  QStringLiteral(", ReadName=") + tels.ReadName);
    TLog log;
    log.DtFrom = accepted;
    log.TelNo = telNo;
    log.TelType = QStringLiteral("発信");
    log.TelTerm = QStringLiteral("0:00:00");
    log.PortNo = portNo;
    return FDm->InsertLog(log);
}

bool CallPipeline::TelReceiveProc(TIncomingCall& call, TCallResult& result)
{
    WriteTraceLog(QStringLiteral("★TelReceiveProc TelNo=") + call.TelNo + QStringLiteral(" LogNo=") + call.LogNo +
                  QStringLiteral(" PortNo=") + QString::number(call.PortNo) + QStringLiteral(" CalledReadName=") +
                  call.CalledReadName);
    const QString key = call.TelNo.isEmpty() ? QStringLiteral(" ") : call.TelNo;
    WriteTraceLog(QStringLiteral("TelNo=") + call.TelNo);
    FCallStart = Clock::now();

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
    return true;
}
