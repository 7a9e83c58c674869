#include "db/FbQuery.h"

#include "core/AppError.h"
#include "core/Cp932.h"
#include "db/FbCommon.h"
#include "db/FbDatabase.h"

#include <QTime>

#include <cstring>
#include <ctime>

namespace {

// XSQLDA storage with room for n columns, aligned for the structure.
struct Sqlda
{
    std::vector<std::max_align_t> storage;
    XSQLDA* da = nullptr;

    void reset(int n)
    {
        // At least one column, so that the size can never wrap around (an optimised build
        // refuses the memset otherwise).
        n = qMax(n, 1);
        const size_t bytes = sizeof(XSQLDA) + size_t(n - 1) * sizeof(XSQLVAR);
        storage.assign((bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t), std::max_align_t());
        da = reinterpret_cast<XSQLDA*>(storage.data());
        std::memset(storage.data(), 0, storage.size() * sizeof(std::max_align_t));
        da->version = SQLDA_VERSION1;
        da->sqln = short(n);
    }
};

struct Buffer
{
    std::vector<char> data;
    short ind = 0;
};

template <typename T> T readAs(const char* p)
{
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}

QVariant scaled(qint64 raw, short scale)
{
    if (scale >= 0)
        return QVariant(raw);
    double v = double(raw);
    for (short s = scale; s < 0; ++s)
        v /= 10.0;
    return QVariant(v);
}

QTime decodeTime(ISC_TIME t)
{
    const int msecs = int(t / 10);
    return QTime::fromMSecsSinceStartOfDay(msecs);
}

QDate decodeDate(ISC_DATE d)
{
    tm parts{};
    isc_decode_sql_date(&d, &parts);
    return QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
}

// Names of ":name" placeholders, replaced by "?" outside quoted text.
QString rewriteNamedParams(const QString& sql, QStringList* names)
{
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (int i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            out += c;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < sql.size() &&
            (sql.at(i + 1).isLetter() || sql.at(i + 1) == QLatin1Char('_'))) {
            int j = i + 1;
            while (j < sql.size() && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_') ||
                                      sql.at(j) == QLatin1Char('$')))
                ++j;
            names->append(sql.mid(i + 1, j - i - 1).toUpper());
            out += QLatin1Char('?');
            i = j - 1;
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

struct FbQuery::Impl
{
    isc_stmt_handle stmt = 0;
    isc_tr_handle trans = 0;
    bool borrowed = false; // trans belongs to an FbWriteScope: neither committed nor rolled back here
    bool cursorOpen = false;
    int stmtType = isc_info_sql_stmt_select;
    Sqlda out;
    std::vector<Buffer> buffers;

    // Joins the write scope's transaction when there is one, else starts one of our own.
    bool start(ISC_STATUS* status, isc_db_handle* db, unsigned int scope, bool write)
    {
        if (scope) {
            trans = scope;
            borrowed = true;
            return true;
        }
        borrowed = false;
        return !isc_start_transaction(status, &trans, 1, db, write ? FbCommon::kWriteTpbLength : FbCommon::kReadTpbLength,
                                      write ? FbCommon::kWriteTpb : FbCommon::kReadTpb);
    }
    bool commit(ISC_STATUS* status)
    {
        if (borrowed || !trans) {
            trans = 0;
            borrowed = false;
            return true;
        }
        return !isc_commit_transaction(status, &trans);
    }

    void freeStatement()
    {
        ISC_STATUS_ARRAY status;
        if (stmt)
            isc_dsql_free_statement(status, &stmt, DSQL_drop);
        stmt = 0;
        cursorOpen = false;
    }
    // Ends a run of a kept statement; the statement stays prepared.
    void closeCursor()
    {
        ISC_STATUS_ARRAY status;
        if (stmt && cursorOpen)
            isc_dsql_free_statement(status, &stmt, DSQL_close);
        cursorOpen = false;
    }
    void rollback()
    {
        ISC_STATUS_ARRAY status;
        if (trans && !borrowed)
            isc_rollback_transaction(status, &trans);
        trans = 0;
        borrowed = false;
    }
};

FbQuery::FbQuery(FbDatabase& db) : FDb(db), d(std::make_unique<Impl>())
{
    FDb.registerQuery(this);
}

FbQuery::~FbQuery()
{
    release();
    FDb.unregisterQuery(this);
}

void FbQuery::setSql(const QString& sql)
{
    release();
    FSql = sql;
    FTextParams.clear();
    FParamNames.clear();
    FParamValues.clear();
}

void FbQuery::setBlobParam(const QString& name, const QByteArray& data)
{
    const QString key = name.toUpper();
    const int i = int(FParamNames.indexOf(key));
    if (i >= 0) {
        FParamValues[i] = data;
    } else {
        FParamNames << key;
        FParamValues << data;
    }
}

void FbQuery::release() noexcept
{
    d->freeStatement();
    FPreparedSql.clear();
    d->rollback();
    FOpen = false;
    FEof = true;
    FNames.clear();
    FRow.clear();
}

int FbQuery::fieldIndex(const QString& name) const
{
    for (int i = 0; i < FNames.size(); ++i)
        if (FNames.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

FbField FbQuery::field(int i) const
{
    return FbField(FRow.value(i));
}

FbField FbQuery::fieldByName(const QString& name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw AppError(QStringLiteral("Field '%1' not found").arg(name));
    return field(i);
}

void FbQuery::open()
{
    const bool reuse = FKeepPrepared && d->stmt && FPreparedSql == FSql;
    if (reuse) {
        d->closeCursor();
        d->rollback();
        FOpen = false;
        FEof = true;
        FRow.clear();
    } else {
        release();
    }
    FDb.ensureOpen();
    FDb.runStatementHook(FSql);

    ISC_STATUS_ARRAY status;
    auto fail = [&]() {
        const QString text = FSql;
        release();
        FbCommon::raise(status, text);
    };
    if (!d->start(status, FDb.handle(), FDb.FScopeTrans, false))
        fail();
    const unsigned short dialect = (unsigned short)FDb.sqlDialect();
    if (!reuse) {
        const QByteArray bytes = FbCommon::encodeStatement(FSql);
        if (isc_dsql_allocate_statement(status, FDb.handle(), &d->stmt))
            fail();
        d->out.reset(20);
        if (isc_dsql_prepare(status, &d->trans, &d->stmt, 0, bytes.constData(), dialect, d->out.da))
            fail();
        if (d->out.da->sqld > d->out.da->sqln) {
            d->out.reset(d->out.da->sqld);
            if (isc_dsql_describe(status, &d->stmt, dialect, d->out.da))
                fail();
        }
        const int n = d->out.da->sqld;
        d->buffers.assign(size_t(n), Buffer());
        for (int i = 0; i < n; ++i) {
            XSQLVAR& v = d->out.da->sqlvar[i];
            FNames << QString::fromUtf8(v.aliasname, v.aliasname_length);
            const int type = v.sqltype & ~1;
            size_t size = size_t(v.sqllen) + (type == SQL_VARYING ? 2 : 0);
            d->buffers[size_t(i)].data.assign(size + 8, '\0');
            v.sqldata = d->buffers[size_t(i)].data.data();
            v.sqlind = &d->buffers[size_t(i)].ind;
            v.sqltype = short(type | 1);
        }

        char item = isc_info_sql_stmt_type;
        char info[16] = {};
        d->stmtType = isc_info_sql_stmt_select;
        if (isc_dsql_sql_info(status, &d->stmt, 1, &item, sizeof(info), info))
            fail();
        if (info[0] == isc_info_sql_stmt_type) {
            const short len = short(isc_vax_integer(info + 1, 2));
            d->stmtType = int(isc_vax_integer(info + 3, len));
        }
        FPreparedSql = FSql;
    }
    const int n = d->out.da->sqld;
    const int stmtType = d->stmtType;

    // Text parameters go in as the database's bytes; the server converts them to the
    // parameter's type.
    Sqlda in;
    std::vector<QByteArray> values;
    XSQLDA* inDa = nullptr;
    if (!FTextParams.isEmpty()) {
        const int count = int(FTextParams.size());
        in.reset(count);
        in.da->sqld = short(count);
        values.reserve(size_t(count));
        for (int i = 0; i < count; ++i) {
            values.push_back(Cp932::encode(FTextParams.at(i)));
            XSQLVAR& v = in.da->sqlvar[i];
            v.sqltype = SQL_TEXT;
            v.sqllen = short(values.back().size());
            v.sqldata = values.back().data();
            v.sqlind = nullptr;
        }
        inDa = in.da;
    }

    if (stmtType == isc_info_sql_stmt_select || stmtType == isc_info_sql_stmt_select_for_upd) {
        if (isc_dsql_execute(status, &d->trans, &d->stmt, dialect, inDa))
            fail();
        d->cursorOpen = true;
        FOpen = true;
        FEof = false;
        fetchRow();
        return;
    }

    // Opened with a statement that changes data: run it in a writing transaction instead.
    if (!d->borrowed) {
        ISC_STATUS_ARRAY ignored;
        isc_commit_transaction(ignored, &d->trans);
        d->trans = 0;
        if (!d->start(status, FDb.handle(), 0, true))
            fail();
    }
    // An executable procedure (or a write with RETURNING) hands back one row at once.
    const bool singleton = stmtType == isc_info_sql_stmt_exec_procedure && n > 0;
    if (isc_dsql_execute2(status, &d->trans, &d->stmt, dialect, inDa, singleton ? d->out.da : nullptr))
        fail();
    FOpen = true;
    FEof = !singleton;
    if (singleton)
        readRow();
    if (!FKeepPrepared)
        d->freeStatement();
    if (!d->commit(status))
        fail();
    d->trans = 0;
}

void FbQuery::fetchRow()
{
    ISC_STATUS_ARRAY status;
    const ISC_STATUS rc = isc_dsql_fetch(status, &d->stmt, (unsigned short)FDb.sqlDialect(), d->out.da);
    if (rc == 100) {
        FEof = true;
        FRow.clear();
        return;
    }
    if (rc) {
        const QString text = FSql;
        release();
        FbCommon::raise(status, text);
    }
    if (FRawRows)
        FRow.clear();
    else
        readRow();
}

void FbQuery::readRow()
{
    FRow.clear();
    const int n = d->out.da->sqld;
    for (int i = 0; i < n; ++i)
        FRow << columnValue(i);
}

FbQuery::RawColumn FbQuery::rawColumn(int i) const
{
    RawColumn c;
    if (!FOpen || FEof || i < 0 || i >= d->out.da->sqld)
        return c;
    const XSQLVAR& v = d->out.da->sqlvar[i];
    c.type = v.sqltype & ~1;
    c.scale = v.sqlscale;
    c.subType = v.sqlsubtype;
    c.null = *v.sqlind < 0;
    if (c.null)
        return c;
    c.data = v.sqldata;
    c.length = v.sqllen;
    if (c.type == SQL_VARYING) {
        c.length = readAs<unsigned short>(v.sqldata);
        c.data = v.sqldata + 2;
    } else if (c.type == SQL_TEXT) {
        // CHAR pads with blanks; the padding is not part of the value.
        while (c.length > 0 && c.data[c.length - 1] == ' ')
            --c.length;
    }
    return c;
}

QVariant FbQuery::value(int i)
{
    if (!FOpen || FEof || i < 0 || i >= d->out.da->sqld)
        return QVariant();
    return FRawRows && i >= FRow.size() ? columnValue(i) : FRow.value(i);
}

QVariant FbQuery::columnValue(int i)
{
    const XSQLVAR& v = d->out.da->sqlvar[i];
    if (*v.sqlind < 0)
        return QVariant();
    const char* p = v.sqldata;
    switch (v.sqltype & ~1) {
    case SQL_TEXT: {
        QByteArray b(p, v.sqllen);
        // CHAR pads with blanks; the padding is not part of the value.
        while (b.endsWith(' '))
            b.chop(1);
        return QVariant(Cp932::decode(b));
    }
    case SQL_VARYING: {
        const unsigned short len = readAs<unsigned short>(p);
        return QVariant(Cp932::decode(QByteArray(p + 2, len)));
    }
    case SQL_SHORT:
        return scaled(readAs<short>(p), v.sqlscale);
    case SQL_LONG:
        return v.sqlscale < 0 ? scaled(readAs<ISC_LONG>(p), v.sqlscale) : QVariant(int(readAs<ISC_LONG>(p)));
    case SQL_INT64:
        return scaled(readAs<ISC_INT64>(p), v.sqlscale);
    case SQL_FLOAT:
        return QVariant(double(readAs<float>(p)));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return QVariant(readAs<double>(p));
    case SQL_TIMESTAMP: {
        const ISC_TIMESTAMP ts = readAs<ISC_TIMESTAMP>(p);
        return QVariant(QDateTime(decodeDate(ts.timestamp_date), decodeTime(ts.timestamp_time)));
    }
    case SQL_TYPE_DATE:
        return QVariant(decodeDate(readAs<ISC_DATE>(p)));
    case SQL_TYPE_TIME:
        return QVariant(decodeTime(readAs<ISC_TIME>(p)));
    case SQL_BOOLEAN:
        return QVariant(readAs<unsigned char>(p) != 0);
    case SQL_BLOB: {
        ISC_QUAD id = readAs<ISC_QUAD>(p);
        isc_blob_handle blob = 0;
        ISC_STATUS_ARRAY bs;
        if (isc_open_blob2(bs, FDb.handle(), &d->trans, &blob, &id, 0, nullptr)) {
            const QString text = FSql;
            release();
            FbCommon::raise(bs, text);
        }
        QByteArray bytes;
        char chunk[32768];
        for (;;) {
            unsigned short got = 0;
            const ISC_STATUS r = isc_get_segment(bs, &blob, &got, sizeof(chunk), chunk);
            if (r == 0 || r == isc_segment) {
                bytes.append(chunk, got);
                continue;
            }
            if (r == isc_segstr_eof)
                break;
            ISC_STATUS_ARRAY ignored;
            isc_close_blob(ignored, &blob);
            const QString text = FSql;
            release();
            FbCommon::raise(bs, text);
        }
        isc_close_blob(bs, &blob);
        if (v.sqlsubtype == 1)
            return QVariant(Cp932::decode(bytes));
        return QVariant(bytes);
    }
    default:
        return QVariant();
    }
}

void FbQuery::next()
{
    if (!FOpen || FEof)
        return;
    if (!d->stmt) {
        FEof = true;
        FRow.clear();
        return;
    }
    fetchRow();
}

void FbQuery::close()
{
    if (FKeepPrepared && d->stmt && FPreparedSql == FSql) {
        d->closeCursor();
        ISC_STATUS_ARRAY status;
        if (!d->commit(status)) {
            release();
            FbCommon::raise(status, FSql);
        }
        d->trans = 0;
        FOpen = false;
        FEof = true;
        FRow.clear();
        return;
    }
    if (!FOpen && !d->stmt && !d->trans)
        return;
    d->freeStatement();
    ISC_STATUS_ARRAY status;
    if (!d->commit(status)) {
        release();
        FbCommon::raise(status, FSql);
    }
    d->trans = 0;
    release();
}

void FbQuery::exec()
{
    release();
    const QByteArray bytes = FbCommon::encodeStatement(FSql);
    FDb.ensureOpen();
    FDb.runStatementHook(FSql);
    if (!FParamNames.isEmpty()) {
        execWithParams();
        return;
    }
    ISC_STATUS_ARRAY status;
    if (!d->start(status, FDb.handle(), FDb.FScopeTrans, true))
        FbCommon::raise(status, FSql);
    if (isc_dsql_execute_immediate(status, FDb.handle(), &d->trans, 0, bytes.constData(),
                                   (unsigned short)FDb.sqlDialect(), nullptr) ||
        !d->commit(status)) {
        release();
        FbCommon::raise(status, FSql);
    }
    d->trans = 0;
}

void FbQuery::execWithParams()
{
    QStringList order;
    const QByteArray bytes = FbCommon::encodeStatement(rewriteNamedParams(FSql, &order));
    for (const QString& name : order)
        if (!FParamNames.contains(name))
            throw AppError(QStringLiteral("Parameter '%1' has no value").arg(name));

    ISC_STATUS_ARRAY status;
    auto fail = [&]() {
        const QString text = FSql;
        release();
        FbCommon::raise(status, text);
    };
    const unsigned short dialect = (unsigned short)FDb.sqlDialect();
    if (!d->start(status, FDb.handle(), FDb.FScopeTrans, true))
        fail();
    if (isc_dsql_allocate_statement(status, FDb.handle(), &d->stmt))
        fail();
    if (isc_dsql_prepare(status, &d->trans, &d->stmt, 0, bytes.constData(), dialect, nullptr))
        fail();
    Sqlda in;
    in.reset(int(order.size()));
    if (isc_dsql_describe_bind(status, &d->stmt, dialect, in.da))
        fail();
    if (in.da->sqld != order.size()) {
        release();
        throw AppError(QStringLiteral("Parameter count mismatch in: ") + FSql);
    }
    std::vector<ISC_QUAD> ids(order.size());
    std::vector<short> inds(order.size(), 0);
    for (int i = 0; i < order.size(); ++i) {
        const QByteArray& data = FParamValues.at(FParamNames.indexOf(order.at(i)));
        XSQLVAR& v = in.da->sqlvar[i];
        v.sqltype = SQL_BLOB + 1;
        v.sqlsubtype = 0;
        v.sqllen = sizeof(ISC_QUAD);
        v.sqldata = reinterpret_cast<char*>(&ids[size_t(i)]);
        v.sqlind = &inds[size_t(i)];
        if (data.isNull()) {
            inds[size_t(i)] = -1;
            continue;
        }
        isc_blob_handle blob = 0;
        if (isc_create_blob2(status, FDb.handle(), &d->trans, &blob, &ids[size_t(i)], 0, nullptr))
            fail();
        for (qsizetype pos = 0; pos < data.size(); pos += 32768) {
            const unsigned short len = (unsigned short)qMin<qsizetype>(32768, data.size() - pos);
            if (isc_put_segment(status, &blob, len, data.constData() + pos)) {
                ISC_STATUS_ARRAY ignored;
                isc_cancel_blob(ignored, &blob);
                fail();
            }
        }
        if (isc_close_blob(status, &blob))
            fail();
    }
    if (isc_dsql_execute(status, &d->trans, &d->stmt, dialect, in.da))
        fail();
    d->freeStatement();
    if (!d->commit(status))
        fail();
    d->trans = 0;
}
