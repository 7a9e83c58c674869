#include "db/FbEventListener.h"

#include "core/DiagLog.h"
#include "db/FbCommon.h"
#include "db/FbDatabase.h"

#include <QTimer>

#include <mutex>

// What the client library's event thread touches. It is never freed: the library may still
// deliver a cancelled request once after cancel and detach, and a listener lives for the
// whole program anyway.
struct FbEventListener::Shared
{
    std::mutex lock;
    QObject* target = nullptr;
    QByteArray result;
};

struct FbEventListener::Impl
{
    FbDatabase db;
    ISC_UCHAR* eventBuffer = nullptr;
    ISC_UCHAR* resultBuffer = nullptr;
    short length = 0;
    ISC_LONG eventId = 0;
};

FbEventListener::FbEventListener(const QString& databasePath, const QStringList& params, const QString& eventName,
                                 QObject* parent)
    : QObject(parent), FPath(databasePath), FParams(params), FEventName(eventName.toLatin1()), FShared(new Shared),
      d(new Impl)
{
    FShared->target = this;
    d->length = short(isc_event_block(&d->eventBuffer, &d->resultBuffer, 1, FEventName.constData()));
    FTimer = new QTimer(this);
    connect(FTimer, &QTimer::timeout, this, &FbEventListener::check);
}

FbEventListener::~FbEventListener()
{
    stop();
    if (d->eventBuffer)
        isc_free(reinterpret_cast<ISC_SCHAR*>(d->eventBuffer));
    if (d->resultBuffer)
        isc_free(reinterpret_cast<ISC_SCHAR*>(d->resultBuffer));
    delete d;
}

bool FbEventListener::start(int checkIntervalMs)
{
    FTimer->start(checkIntervalMs);
    return attach();
}

void FbEventListener::stop()
{
    FTimer->stop();
    {
        std::lock_guard<std::mutex> guard(FShared->lock);
        FShared->target = nullptr;
    }
    drop();
}

bool FbEventListener::attach()
{
    try {
        d->db.setDatabaseName(FPath);
        d->db.setParams(FParams);
        d->db.open();
    } catch (const std::exception& e) {
        WriteLog(QStringLiteral("FbEventListener cannot attach: ") + QString::fromUtf8(e.what()));
        return false;
    }
    FFirst = true;
    if (!queue())
        return false;
    WriteTraceLog(QStringLiteral("FbEventListener listening for ") + QString::fromLatin1(FEventName));
    return true;
}

bool FbEventListener::queue()
{
    ISC_STATUS_ARRAY status;
    if (isc_que_events(status, d->db.handle(), &d->eventId, d->length, d->eventBuffer, &FbEventListener::Delivered, FShared)) {
        WriteLog(QStringLiteral("FbEventListener cannot listen: ") + FbCommon::statusText(status));
        drop();
        return false;
    }
    FQueued = true;
    return true;
}

void FbEventListener::drop()
{
    if (FQueued && d->db.connected()) {
        ISC_STATUS_ARRAY status;
        isc_cancel_events(status, d->db.handle(), &d->eventId);
    }
    FQueued = false;
    try {
        d->db.close();
    } catch (const std::exception&) {
        // A broken link cannot be detached cleanly; the handle is gone either way.
    }
}

void FbEventListener::check()
{
    if (!d->db.connected()) {
        if (attach()) {
            WriteLog(QStringLiteral("FbEventListener listening again"));
            emit posted(0); // calls of the outage are not announced: let the reader catch up
        }
        return;
    }
    // A cheap round trip tells whether the server is still there.
    ISC_STATUS_ARRAY status;
    const ISC_SCHAR items[] = {isc_info_ods_version, isc_info_end};
    ISC_SCHAR answer[32];
    if (isc_database_info(status, d->db.handle(), sizeof(items), items, sizeof(answer), answer)) {
        WriteLog(QStringLiteral("FbEventListener lost the database: ") + FbCommon::statusText(status));
        drop();
    }
}

void FbEventListener::onDelivered()
{
    {
        std::lock_guard<std::mutex> guard(FShared->lock);
        if (FShared->result.size() >= d->length)
            memcpy(d->resultBuffer, FShared->result.constData(), size_t(d->length));
    }
    if (!FQueued)
        return;
    ISC_ULONG counts[20] = {};
    isc_event_counts(counts, d->length, d->eventBuffer, d->resultBuffer);
    const bool first = FFirst;
    FFirst = false;
    if (!queue())
        return;
    // The first delivery only reports the count as it stood when listening began.
    if (!first && counts[0] > 0)
        emit posted(int(counts[0]));
}

// Runs on the client library's event thread.
void FbEventListener::Delivered(void* arg, unsigned short length, const unsigned char* updated)
{
    auto* shared = static_cast<FbEventListener::Shared*>(arg);
    std::lock_guard<std::mutex> guard(shared->lock);
    if (!shared->target || !updated || length == 0)
        return;
    shared->result = QByteArray(reinterpret_cast<const char*>(updated), int(length));
    QMetaObject::invokeMethod(shared->target, "onDelivered", Qt::QueuedConnection);
}
