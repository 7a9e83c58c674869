#include "db/FbCommon.h"

#include "core/Cp932.h"
#include "core/DiagLog.h"
#include "core/InputError.h"
#include "db/DatabaseError.h"
#include "db/StorableText.h"

namespace FbCommon {

const char kReadTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                         isc_tpb_nowait};
const short kReadTpbLength = sizeof(kReadTpb);
const char kWriteTpb[] = {isc_tpb_version3, isc_tpb_write,        isc_tpb_read_committed, isc_tpb_rec_version,
                          isc_tpb_wait,     isc_tpb_lock_timeout, 1,                      10};
const short kWriteTpbLength = sizeof(kWriteTpb);

QString statusText(const ISC_STATUS* status)
{
    QStringList lines;
    const ISC_STATUS* p = status;
    char buffer[1024];
    while (fb_interpret(buffer, sizeof(buffer), &p) > 0)
        lines << QString::fromLocal8Bit(buffer);
    if (lines.isEmpty())
        lines << QStringLiteral("Firebird error %1").arg(status[1]);
    return lines.join(QLatin1Char('\n'));
}

void raise(const ISC_STATUS* status, const QString& sql)
{
    const QString text = statusText(status);
    const int sqlCode = int(isc_sqlcode(status));
    WriteLog(QStringLiteral("Database error: ") + QString(text).replace(QLatin1Char('\n'), QLatin1String(" / ")));
    throw DatabaseError(text, long(status[1]), sqlCode, sql);
}

QByteArray encodeStatement(const QString& sql)
{
    bool ok = false;
    QByteArray bytes = Cp932::encode(sql, &ok);
    if (!ok) {
        CheckStorableText(QString(), sql);
        throw InputError(UnstorableTextMessage(QString(), QStringLiteral("?")), QString());
    }
    // The client takes the statement as a C string: a NUL would silently cut it short.
    if (bytes.contains('\0'))
        throw InputError(UnstorableTextMessage(QString(), QStringLiteral("NUL")), QString());
    return bytes;
}

} // namespace FbCommon
