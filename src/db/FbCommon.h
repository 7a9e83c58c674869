#pragma once

// Internal to the Firebird layer: the client library's header and the few helpers that
// FbDatabase and FbQuery share. Nothing outside src/db includes this.

#include <ibase.h>

#include <QByteArray>
#include <QString>

namespace FbCommon {

inline bool failed(const ISC_STATUS* status)
{
    return status[0] == 1 && status[1] != 0;
}

// The client library's message lines for a status vector, joined by line breaks.
QString statusText(const ISC_STATUS* status);

// Throws a DatabaseError with the status vector's text; logs it with the statement.
[[noreturn]] void raise(const ISC_STATUS* status, const QString& sql = QString());

// The statement as the CP932 bytes the database stores. A character CP932 cannot hold is
// refused here, so that nothing ever reaches a column as '?'.
QByteArray encodeStatement(const QString& sql);

// A read-only read-committed transaction: it needs no page write at commit, which keeps
// lookups cheap with forced writes on.
extern const char kReadTpb[];
extern const short kReadTpbLength;
// A read-write read-committed transaction that waits a little for a locked row.
extern const char kWriteTpb[];
extern const short kWriteTpbLength;

} // namespace FbCommon
