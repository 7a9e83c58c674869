#include "db/TdmCmn.h"
#include "core/StartupSettings.h"

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/Cp932.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/PhoneNumberForm.h"
#include "core/StopRequest.h"
#include "db/FbWriteScope.h"
#include "db/StorableText.h"
#include "db/UserRules.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>

TdmCmn* dmCmn = nullptr;

namespace {

// Closes a query on every way out of an operation, also when reading a field fails.
class QueryGuard
{
public:
    explicit QueryGuard(FbQuery& q) : FQuery(q) {}
    ~QueryGuard() { FQuery.release(); }

private:
    FbQuery& FQuery;
};

void logSql(const QString& sql)
{
    WriteTraceLog(QStringLiteral("strSql=") + sql);
}

QString optionColumn(int n)
{
    return QStringLiteral("OPTION_%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Numbers held as text go into SQL bare, so they must be numbers: anything else is refused.
QString numberOrNull(const QString& field, const QString& text)
{
    if (text.isEmpty())
        return NullOrText(text);
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    if (!ok)
        throw AppError(QStringLiteral("「%1」が数値ではありません（%2）。").arg(field, text));
    return QString::number(n);
}

// Waits while letting pending events run, so device and socket events still arrive.
void waitWithEvents(int msecs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < msecs && !StopRequest::Requested()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, int(msecs - timer.elapsed()));
        QThread::msleep(quint64(qBound(qint64(1), qint64(msecs) - timer.elapsed(), qint64(10))));
    }
}

void checkCust(const TCust& c)
{
    CheckStorableText(QStringLiteral("代表電話番号"), c.CustTel);
    CheckStorableText(QStringLiteral("顧客名"), c.CustName);
    CheckStorableText(QStringLiteral("顧客カナ"), c.CustKana);
    CheckStorableText(QStringLiteral("FAX番号"), c.FaxNo);
    CheckStorableText(QStringLiteral("郵便番号"), c.ZipCd);
    CheckStorableText(QStringLiteral("住所"), c.Address);
    CheckStorableText(QStringLiteral("地図URL"), c.MapUrl);
    CheckStorableText(QStringLiteral("電子メール"), c.Email);
    CheckStorableText(QStringLiteral("ホームページ"), c.HpUrl);
    CheckStorableText(QStringLiteral("社内担当"), c.UserId);
    CheckStorableText(QStringLiteral("備考"), c.Others);
    for (int n = 1; n <= 20; ++n)
        CheckStorableText(QStringLiteral("補足項目%1").arg(n), c.Option[size_t(n)]);
}

void checkTels(const TTels& t)
{
    CheckStorableText(QStringLiteral("電話番号"), t.TelNo);
    CheckStorableText(QStringLiteral("代表電話番号"), t.CustTelNon);
    CheckStorableText(QStringLiteral("名前"), t.Caller);
    CheckStorableText(QStringLiteral("音声読上名"), t.ReadName);
}

// The values of a customer in the column order of its insert, after CUST_NO.
QStringList custValues(const TCust& c)
{
    QStringList v;
    v << QuotedSql(c.CustName) << QuotedSql(c.CustKana)
      << (c.BirthDt.isValid() ? SqlDate(c.BirthDt) : QStringLiteral("null")) << QString::number(c.Sex)
      << QuotedSql(c.CustTel) << QuotedSql(PhoneNumberForm::Typed(c.CustTel)) << QuotedSql(c.FaxNo)
      << QuotedSql(RemoveHyphens(c.FaxNo)) << QuotedSql(c.ZipCd) << QuotedSql(c.Address) << QuotedSql(c.MapUrl)
      << QuotedSql(c.Email) << QuotedSql(c.HpUrl) << QuotedSql(c.UserId) << QuotedSql(c.Others);
    for (int n = 1; n <= 20; ++n)
        v << QuotedSql(c.Option[size_t(n)]);
    return v;
}

QStringList custColumns()
{
    QStringList c{QStringLiteral("CUST_NAME"), QStringLiteral("CUST_KANA"), QStringLiteral("BIRTH_DT"),
                  QStringLiteral("SEX"),       QStringLiteral("CUST_TEL"),  QStringLiteral("CUST_TEL_NON"),
                  QStringLiteral("FAX_NO"),    QStringLiteral("FAX_NO_NON"), QStringLiteral("ZIP_CD"),
                  QStringLiteral("ADDRESS"),   QStringLiteral("MAP_URL"),   QStringLiteral("EMAIL"),
                  QStringLiteral("HP_URL"),    QStringLiteral("USERID"),    QStringLiteral("OTHERS")};
    for (int n = 1; n <= 20; ++n)
        c << optionColumn(n);
    return c;
}

} // namespace

TdmCmn::TdmCmn(const QString& databasePath)
    : IBQueryFnc(IBDatabase1), sqlWork(IBDatabase1), sqlWork2(IBDatabase1), sqlNewerCalls(IBDatabase1),
      tblInterface(IBDatabase1),
      FTelsLookup(IBDatabase1), FCustInfoLookup(IBDatabase1), FLogInsert(IBDatabase1)
{
    FTelsLookup.setSql(QStringLiteral("select * from TELS where TEL_NO = ?"));
    FTelsLookup.setKeepPrepared(true);
    FCustInfoLookup.setSql(QStringLiteral("select CUST_TEL_NON, CUST_NAME, CUST_KANA from CUSTOMER where CUST_TEL_NON = ?"));
    FCustInfoLookup.setKeepPrepared(true);
    sqlNewerCalls.setKeepPrepared(true);
    FLogInsert.setSql(QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, DT_TO, TEL_TERM, TEL_MEMO, "
                                     "TEL_TIME, PORT_NO) values (gen_id(SEQ_LOG_NO,1), ?, ?, ?, null, ?, ?, ?, ?) "
                                     "returning LOG_NO"));
    FLogInsert.setKeepPrepared(true);
    WriteTraceLog(QStringLiteral("TdmCmn.DataModuleCreate"));
    IBDatabase1.close();
    IBDatabase1.setDatabaseName(databasePath);
    WriteTraceLog(QStringLiteral("GTelDbPath=") + databasePath);
    // The connection character set is NONE rather than ASCII: over ASCII the server refuses
    // the CP932 bytes of Japanese text ("Malformed string"); NONE passes them through as is.
    IBDatabase1.setParams(ConnectionParams());
    IBDatabase1.setSqlDialect(1);
    sqlWork.clearSql();
    sqlWork2.clearSql();
    IBQueryFnc.clearSql();
}

QStringList TdmCmn::ConnectionParams()
{
    return {QStringLiteral("user_name=") + GDbUser, QStringLiteral("password=") + GDbPassword,
            QStringLiteral("lc_ctype=NONE")};
}

TdmCmn::~TdmCmn()
{
    if (dmCmn == this)
        dmCmn = nullptr;
}

void TdmCmn::openFnc(const QString& sql)
{
    IBQueryFnc.setSql(sql);
    IBQueryFnc.open();
}

int TdmCmn::insertReturning(const QString& head, const QString& generator, const QString& values,
                            const QString& keyColumn)
{
    // One statement draws the number and inserts the row (one round trip, one commit); the
    // log shows the statement with the number it drew, as it always has. The scope makes it
    // run in one writing transaction from the start (see FbWriteScope).
    QueryGuard guard(IBQueryFnc);
    const QString draw = QStringLiteral("gen_id(") + generator + QStringLiteral(",1)");
    return insertLogged(
        IBQueryFnc, [&]() { openFnc(head + draw + values + QStringLiteral(" returning ") + keyColumn); }, head, draw,
        values);
}

int TdmCmn::insertLogged(FbQuery& q, const std::function<void()>& run, const QString& head, const QString& draw,
                         const QString& values)
{
    FbWriteScope scope(IBDatabase1);
    try {
        run();
    } catch (...) {
        q.release();
        logSql(head + draw + values);
        throw;
    }
    const int key = q.eof() ? -1 : q.field(0).asInteger();
    q.close();
    scope.commit();
    logSql(head + QString::number(key) + values);
    return key;
}

void TdmCmn::execFnc(const QString& sql)
{
    IBQueryFnc.setSql(sql);
    IBQueryFnc.exec();
}

bool TdmCmn::openLookup(FbQuery& q, const QString& number)
{
    // No row can hold a number wider than the key columns (40 bytes); the server would
    // refuse it as a parameter.
    if (Cp932::byteLength(number) > 40)
        return false;
    q.setTextParams({number});
    try {
        q.open();
    } catch (...) {
        q.release();
        throw;
    }
    if (!q.eof())
        return true;
    q.close();
    return false;
}

bool TdmCmn::GetTels(const QString& telNo, TTels& tels)
{
    WriteTraceLog(QStringLiteral("TdmCmn.GetTels TelNo=") + telNo);
    FbQuery& q = FTelsLookup;
    if (!openLookup(q, telNo))
        return false;
    try {
        tels.TelNo = q.fieldByName(QStringLiteral("TEL_NO")).asString();
        tels.CustTelNon = q.fieldByName(QStringLiteral("CUST_TEL_NON")).asString();
        tels.Caller = q.fieldByName(QStringLiteral("CALLER")).asString();
        tels.ReadName = q.fieldByName(QStringLiteral("READ_NAME")).asString();
        // Absent until the schema upgrade added them.
        const int caution = q.fieldIndex(QStringLiteral("CAUTION"));
        tels.Caution = caution >= 0 && q.field(caution).asString() == QLatin1String("1");
        const int note = q.fieldIndex(QStringLiteral("CAUTION_NOTE"));
        tels.CautionNote = note >= 0 ? q.field(note).asString() : QString();
        q.close();
    } catch (...) {
        q.release();
        throw;
    }
    return true;
}

bool TdmCmn::GetCustTelNon(const QString& telNo, QString& custTelNon)
{
    WriteTraceLog(QStringLiteral("TdmCmn.GetCustTelNon TelNo=") + telNo);
    custTelNon.clear();
    QueryGuard guard(IBQueryFnc);
    openFnc(QStringLiteral("select c.CUST_TEL_NON from CUSTOMER c, TELS t where t.TEL_NO =") + QuotedSql(telNo) +
            QStringLiteral(" and t.CUST_TEL_NON = c.CUST_TEL_NON"));
    if (!IBQueryFnc.eof())
        custTelNon = IBQueryFnc.fieldByName(QStringLiteral("CUST_TEL_NON")).asString();
    IBQueryFnc.close();
    return !custTelNon.isEmpty();
}

bool TdmCmn::GetCustData(const QString& custTelNon, TCust& cust)
{
    WriteTraceLog(QStringLiteral("TdmCmn.GetCustData CustTelNon=") + custTelNon);
    QueryGuard guard(IBQueryFnc);
    openFnc(QStringLiteral("select * from CUSTOMER where CUST_TEL_NON =") + QuotedSql(custTelNon));
    if (IBQueryFnc.eof())
        return false;
    auto s = [this](const char* name) { return IBQueryFnc.fieldByName(QLatin1String(name)).asString(); };
    cust.CustTel = s("CUST_TEL");
    cust.CustTelNon = s("CUST_TEL_NON");
    cust.CustName = s("CUST_NAME");
    cust.CustKana = s("CUST_KANA");
    cust.FaxNo = s("FAX_NO");
    cust.FaxNoNon = s("FAX_NO_NON");
    cust.ZipCd = s("ZIP_CD");
    cust.Address = s("ADDRESS");
    cust.MapUrl = s("MAP_URL");
    cust.Email = s("EMAIL");
    cust.HpUrl = s("HP_URL");
    cust.BirthDt = IBQueryFnc.fieldByName(QStringLiteral("BIRTH_DT")).asDate();
    cust.Sex = qint16(IBQueryFnc.fieldByName(QStringLiteral("SEX")).asInteger());
    cust.Others = s("OTHERS");
    cust.CustNo = IBQueryFnc.fieldByName(QStringLiteral("CUST_NO")).asInteger();
    cust.UserId = s("USERID");
    for (int n = 1; n <= 20; ++n)
        cust.Option[size_t(n)] = IBQueryFnc.fieldByName(optionColumn(n)).asString();
    IBQueryFnc.close();
    return true;
}

bool TdmCmn::GetCustInfo(const QString& telNo, QString& custName, QString& custKana)
{
    WriteTraceLog(QStringLiteral("TdmCmn.GetCustInfo"));
    WriteTraceLog(QStringLiteral("TdmCmn.GetCustInfoBase telno=") + telNo);
    // The log shows the number quoted into the statement; it runs as a parameter.
    const QString sql = QStringLiteral("select ") + QStringLiteral("CUST_TEL_NON") + QStringLiteral(", ") +
                        QStringLiteral("CUST_NAME") + QStringLiteral(", ") + QStringLiteral("CUST_KANA") +
                        QStringLiteral(" from ") + QStringLiteral("CUSTOMER") + QStringLiteral(" where ") +
                        QStringLiteral("CUST_TEL_NON") + QStringLiteral(" = ") + QuotedSql(telNo);
    logSql(sql);
    FbQuery& q = FCustInfoLookup;
    try {
        if (!openLookup(q, telNo))
            return false;
        if (q.fieldByName(QStringLiteral("CUST_TEL_NON")).isNull()) {
            q.close();
            return false;
        }
        custName = q.fieldByName(QStringLiteral("CUST_NAME")).asString();
        custKana = q.fieldByName(QStringLiteral("CUST_KANA")).asString();
        q.close();
        return true;
    } catch (const std::exception& e) {
        q.release();
        WriteLog(QStringLiteral("TdmCmn.GetCustInfo error ") + QString::fromUtf8(e.what()));
        return false;
    }
}

bool TdmCmn::GetInterfaceInfo(int ifNo, TInterfaceInfo& info)
{
    WriteTraceLog(QStringLiteral("TdmCmn.GetInterfaceInfo InterfaceNo=") + QString::number(ifNo));
    info = TInterfaceInfo();
    QueryGuard guard(IBQueryFnc);
    openFnc(QStringLiteral("select * from INTERFACE where IF_NO = ") + QString::number(ifNo));
    if (IBQueryFnc.eof())
        return false;
    auto s = [this](const char* name) {
        const int i = IBQueryFnc.fieldIndex(QLatin1String(name));
        return i < 0 ? QString() : IBQueryFnc.field(i).asString();
    };
    info.IfName = s("IF_NAME");
    info.IfType = s("IF_TYPE");
    info.ExecPath = s("EXEC_PATH");
    info.TextPath = s("TEXT_PATH");
    info.Command = s("COMMAND");
    info.Caption = s("CAPTION");
    info.StartReq = IBQueryFnc.fieldByName(QStringLiteral("START_REQ")).asInteger();
    info.EndReq = IBQueryFnc.fieldByName(QStringLiteral("END_REQ")).asInteger();
    info.EveryClose = s("EVERY_CLOSE");
    info.TextPort = s("TEXT_PORT");
    info.TextDt = s("TEXT_DT");
    IBQueryFnc.close();
    return true;
}

QString TdmCmn::GetZipAddress(const QString& zipCode)
{
    QString code = zipCode;
    code.remove(QLatin1Char('-'));
    code.remove(QChar(0xFF0D));
    QueryGuard guard(IBQueryFnc);
    openFnc(QStringLiteral("select z.AREA_NAME, c.CITY_NAME, p.PREF_NAME from POST_M z, CITY_M c, PREF_M p where "
                           "z.POST_NO = ") +
            QuotedSql(code) + QStringLiteral(" and z.CITY_CD = c.CITY_CD") + QStringLiteral(" and z.PREF_CD = p.PREF_CD"));
    QString address;
    if (!IBQueryFnc.eof())
        address = IBQueryFnc.fieldByName(QStringLiteral("PREF_NAME")).asString() +
                  IBQueryFnc.fieldByName(QStringLiteral("CITY_NAME")).asString() +
                  IBQueryFnc.fieldByName(QStringLiteral("AREA_NAME")).asString();
    IBQueryFnc.close();
    return address;
}

int TdmCmn::InsertLog(const TLog& log)
{
    WriteTraceLog(QStringLiteral("TdmCmn.InsertLog"));
    CheckStorableText(QStringLiteral("電話番号"), log.TelNo);
    CheckStorableText(QStringLiteral("種別"), log.TelType);
    CheckStorableText(QStringLiteral("通話時間"), log.TelTerm);
    CheckStorableText(QStringLiteral("メモ"), log.TelMemo);
    const QString values =
        QStringLiteral(", ") + SqlDateTime(log.DtFrom) + QStringLiteral(", ") +
        QuotedSql(log.TelNo) + QStringLiteral(", ") + QuotedSql(log.TelType) + QStringLiteral(", ") +
        (log.DtTo.isValid() ? SqlDateTime(log.DtTo) : QStringLiteral("null")) + QStringLiteral(", ") +
        QuotedSql(log.TelTerm) + QStringLiteral(", ") + QuotedSql(log.TelMemo) + QStringLiteral(", ") +
        QString::number(log.TelTime) + QStringLiteral(", ") + QString::number(log.PortNo) + QStringLiteral(")");
    const QString head = QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, DT_TO, TEL_TERM, "
                                        "TEL_MEMO, TEL_TIME, PORT_NO) values (");
    if (log.DtTo.isValid())
        return insertReturning(head, QStringLiteral("SEQ_LOG_NO"), values, QStringLiteral("LOG_NO"));
    // Every call stores one: the kept statement runs with the values as parameters (the log
    // shows them in the statement, as it always has).
    return insertLogged(
        FLogInsert,
        [&]() {
            FLogInsert.setTextParams({log.DtFrom.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")), log.TelNo,
                                      log.TelType, log.TelTerm, log.TelMemo, QString::number(log.TelTime),
                                      QString::number(log.PortNo)});
            FLogInsert.open();
        },
        head, QStringLiteral("gen_id(SEQ_LOG_NO,1)"), values);
}

bool TdmCmn::LogExists(const TLog& log)
{
    const QString sql = QStringLiteral("select LOG_NO from LOG where DT_FROM = ") + SqlDateTime(log.DtFrom) +
                        QStringLiteral(" and TEL_NO = ") + QuotedSql(log.TelNo) + QStringLiteral(" and TEL_TYPE = ") +
                        QuotedSql(log.TelType) + QStringLiteral(" and PORT_NO = ") + QString::number(log.PortNo);
    logSql(sql);
    QueryGuard guard(IBQueryFnc);
    openFnc(sql);
    const bool found = !IBQueryFnc.eof();
    IBQueryFnc.close();
    return found;
}

void TdmCmn::UpdateTelMemo(int logNo, const QString& memo)
{
    WriteTraceLog(QStringLiteral("TdmCmn.UpdateTelMemo"));
    CheckStorableText(QStringLiteral("メモ"), memo);
    const QString sql = QStringLiteral("update LOG set  TEL_MEMO = ") + QuotedSql(memo) +
                        QStringLiteral(" where LOG_NO = ") + QString::number(logNo);
    logSql(sql);
    execFnc(sql);
}

void TdmCmn::InsertTels(const TTels& tels)
{
    WriteTraceLog(QStringLiteral("TdmCmn.InsertTels"));
    checkTels(tels);
    const QString sql = QStringLiteral("insert into TELS ( TEL_NO, CUST_TEL_NON, CALLER, READ_NAME, UPDT) values (") +
                        QuotedSql(tels.TelNo) + QStringLiteral(", ") + QuotedSql(tels.CustTelNon) +
                        QStringLiteral(", ") + QuotedSql(tels.Caller) + QStringLiteral(", ") +
                        QuotedSql(tels.ReadName) + QStringLiteral(", ") + QStringLiteral(" CURRENT_TIMESTAMP") +
                        QStringLiteral(" )");
    logSql(sql);
    execFnc(sql);
}

void TdmCmn::SetTelsCaution(const QString& telNo, bool caution, const QString& note)
{
    WriteTraceLog(QStringLiteral("TdmCmn.SetTelsCaution"));
    const QString sql =
        QStringLiteral("update TELS set CAUTION = ") + (caution ? QStringLiteral("'1'") : QStringLiteral("null")) +
        QStringLiteral(", CAUTION_NOTE = ") + (caution && !note.isEmpty() ? QuotedSql(note) : QStringLiteral("null")) +
        QStringLiteral(" where TEL_NO = ") + QuotedSql(telNo);
    logSql(sql);
    execFnc(sql);
}

void TdmCmn::UpdateTels(const TTels& tels)
{
    WriteTraceLog(QStringLiteral("TdmCmn.UpdateTels"));
    checkTels(tels);
    const QString sql = QStringLiteral("update TELS set CUST_TEL_NON = ") + QuotedSql(tels.CustTelNon) +
                        QStringLiteral(", ") + QStringLiteral(" CALLER = ") + QuotedSql(tels.Caller) +
                        QStringLiteral(", ") + QStringLiteral(" READ_NAME = ") + QuotedSql(tels.ReadName) +
                        QStringLiteral(", ") + QStringLiteral(" UPDT = CURRENT_TIMESTAMP ") +
                        QStringLiteral(" where TEL_NO = ") + QuotedSql(tels.TelNo);
    logSql(sql);
    execFnc(sql);
}

int TdmCmn::InsertCustData(const TCust& cust)
{
    WriteTraceLog(QStringLiteral("TdmCmn.InsertCustData"));
    checkCust(cust);
    return insertReturning(QStringLiteral("insert into CUSTOMER ( CUST_NO, ") + custColumns().join(QStringLiteral(", ")) +
                               QStringLiteral(", UPDT) values ("),
                           QStringLiteral("SEQ_CUST_NO"),
                           QStringLiteral(", ") + custValues(cust).join(QStringLiteral(", ")) + QStringLiteral(", ") +
                               QStringLiteral(" CURRENT_TIMESTAMP") + QStringLiteral(" )"),
                           QStringLiteral("CUST_NO"));
}

void TdmCmn::UpdateCustData(const TCust& cust)
{
    WriteTraceLog(QStringLiteral("TdmCmn.UpdateCustData"));
    checkCust(cust);
    const QStringList columns = custColumns();
    const QStringList values = custValues(cust);
    const int firstOption = int(columns.size()) - 20;
    QString sql = QStringLiteral("update CUSTOMER set ");
    for (int i = 0; i < columns.size(); ++i) {
        if (i >= firstOption && cust.OptionUnused[size_t(i - firstOption + 1)])
            continue;
        if (i > 0)
            sql += QStringLiteral(", ") + QLatin1Char(' ');
        sql += columns.at(i) + QStringLiteral(" = ") + values.at(i);
    }
    sql += QStringLiteral(", ") + QStringLiteral(" UPDT = ") + QStringLiteral(" CURRENT_TIMESTAMP") +
           QStringLiteral(" where CUST_NO = ") + QString::number(cust.CustNo);
    logSql(sql);
    execFnc(sql);
}

void TdmCmn::InsertPrint(const TPrint& print)
{
    WriteTraceLog(QStringLiteral("TdmCmn.InsertPrint"));
    CheckStorableText(QStringLiteral("電話番号"), print.TelNo);
    CheckStorableText(QStringLiteral("名前"), print.Caller);
    const QString sql = QStringLiteral("insert into PRINT1 (TEL_NO, CALLER, TOTAL) values (") +
                        QuotedSql(print.TelNo) + QStringLiteral(", ") + QuotedSql(print.Caller) +
                        QStringLiteral(", ") + QString::number(print.Total) + QStringLiteral(")");
    logSql(sql);
    execFnc(sql);
}

void TdmCmn::InsertPort(int portNo)
{
    WriteTraceLog(QStringLiteral("TdmCmn.InsertPort"));
    const QString sql = QStringLiteral("insert into PORT_T (PORT_NO) values (") + QString::number(portNo) +
                        QStringLiteral(")");
    logSql(sql);
    execFnc(sql);
}

int TdmCmn::InsertAccept(const TAccept& a)
{
    WriteTraceLog(QStringLiteral("TdmCmn.InsertAccept"));
    CheckStorableText(QStringLiteral("件名"), a.Title);
    CheckStorableText(QStringLiteral("内容"), a.Content);
    CheckStorableText(QStringLiteral("対応"), a.UserId);
    const QString logNo = numberOrNull(QStringLiteral("LOG_NO"), a.LogNo);
    const QString custNo = numberOrNull(QStringLiteral("CUST_NO"), a.CustNo);
    const QString values =
        QStringLiteral(", ") +
        QStringList{SqlDateTime(a.ActDt), QuotedSql(a.UserId), QuotedSql(a.TypeId), QuotedSql(a.ResultId),
                    QuotedSql(a.Title), QuotedSql(a.Content), logNo, custNo, QuotedSql(gCurrentUser.UserId),
                    QStringLiteral(" CURRENT_TIMESTAMP")}
            .join(QStringLiteral(", ")) +
        QStringLiteral(")");
    return insertReturning(QStringLiteral("insert into ACCEPT_T (ACT_NO, ACT_DT, USERID, TYPE_ID, RESULT_ID, TITLE, "
                                          "CONTENT, LOG_NO, CUST_NO, UPUSERID, UPDT) values ("),
                           QStringLiteral("SEQ_ACCEPT_NO"), values, QStringLiteral("ACT_NO"));
}

void TdmCmn::UpdateAccept(const TAccept& a)
{
    WriteTraceLog(QStringLiteral("TdmCmn.UpdateAccept"));
    CheckStorableText(QStringLiteral("件名"), a.Title);
    CheckStorableText(QStringLiteral("内容"), a.Content);
    CheckStorableText(QStringLiteral("対応"), a.UserId);
    const QString custNo = numberOrNull(QStringLiteral("CUST_NO"), a.CustNo);
    const QString sep = QStringLiteral(", ") + QLatin1Char(' ');
    const QString sql = QStringLiteral("update ACCEPT_T set ACT_DT = ") + SqlDateTime(a.ActDt) + sep +
                        QStringLiteral("USERID = ") + QuotedSql(a.UserId) + sep + QStringLiteral("TYPE_ID = ") +
                        QuotedSql(a.TypeId) + sep + QStringLiteral("RESULT_ID = ") + QuotedSql(a.ResultId) + sep +
                        QStringLiteral("TITLE = ") + QuotedSql(a.Title) + sep + QStringLiteral("CONTENT = ") +
                        QuotedSql(a.Content) + sep + QStringLiteral("CUST_NO = ") + custNo + sep +
                        QStringLiteral("UPUSERID = ") + QuotedSql(gCurrentUser.UserId) + QStringLiteral(", ") +
                        QStringLiteral(" UPDT = CURRENT_TIMESTAMP") + QStringLiteral(" where ACT_NO = ") +
                        QString::number(a.ActNo);
    logSql(sql);
    execFnc(sql);
}

bool TdmCmn::GetAcceptData(int actNo, TAccept& a)
{
    WriteTraceLog(QStringLiteral("TdmCmn.GetAcceptData ActNo=") + QString::number(actNo));
    QueryGuard guard(IBQueryFnc);
    openFnc(QStringLiteral("select * from ACCEPT_T where ACT_NO =") + QString::number(actNo));
    if (IBQueryFnc.eof())
        return false;
    a.ActNo = IBQueryFnc.fieldByName(QStringLiteral("ACT_NO")).asInteger();
    a.ActDt = IBQueryFnc.fieldByName(QStringLiteral("ACT_DT")).asDateTime();
    a.UserId = IBQueryFnc.fieldByName(QStringLiteral("USERID")).asString();
    a.TypeId = IBQueryFnc.fieldByName(QStringLiteral("TYPE_ID")).asString();
    a.ResultId = IBQueryFnc.fieldByName(QStringLiteral("RESULT_ID")).asString();
    a.Title = IBQueryFnc.fieldByName(QStringLiteral("TITLE")).asString();
    a.Content = IBQueryFnc.fieldByName(QStringLiteral("CONTENT")).asString();
    a.LogNo = IBQueryFnc.fieldByName(QStringLiteral("LOG_NO")).asString();
    IBQueryFnc.close();
    return true;
}

void TdmCmn::ExecSql(const QString& sql)
{
    // Schema changes and backups go this way: the kept lookups would hold their tables
    // ("object in use") or keep a table's old shape.
    FTelsLookup.release();
    FCustInfoLookup.release();
    sqlNewerCalls.release();
    FLogInsert.release();
    execFnc(sql);
}

int TdmCmn::GetGenId(const QString& generator)
{
    QueryGuard guard(IBQueryFnc);
    openFnc(QStringLiteral("select gen_id(") + generator + QStringLiteral(",1) as GENID FROM RDB$DATABASE"));
    const int id = IBQueryFnc.eof() ? -1 : IBQueryFnc.fieldByName(QStringLiteral("GENID")).asInteger();
    IBQueryFnc.close();
    return id;
}

bool TdmCmn::ExistsKey(const QString& table, const QString& column, const QString& key)
{
    QueryGuard guard(IBQueryFnc);
    openFnc(QStringLiteral("select 1 from ") + table + QStringLiteral(" where ") + column + QStringLiteral(" = ") + key);
    const bool found = !IBQueryFnc.eof();
    IBQueryFnc.close();
    return found;
}

void TdmCmn::DeleteByKey(const QString& table, const QString& column, const QString& key)
{
    execFnc(QStringLiteral("delete from ") + table + QStringLiteral(" where ") + column + QStringLiteral(" = ") + key);
}

int TdmCmn::GetDelState(const QString& table, const QString& column, const QString& key)
{
    if (key.isEmpty() || key == QLatin1String("'"))
        return -1;
    QueryGuard guard(IBQueryFnc);
    openFnc(QStringLiteral("select DEL_DT from ") + table + QStringLiteral(" where ") + column + QStringLiteral(" = ") +
            key);
    int state = -1;
    if (!IBQueryFnc.eof())
        state = IBQueryFnc.fieldByName(QStringLiteral("DEL_DT")).isNull() ? 0 : 1;
    IBQueryFnc.close();
    return state;
}

int TdmCmn::GetFieldLength(const QString& table, const QString& column)
{
    const QString sql = QStringLiteral("SELECT f.RDB$FIELD_LENGTH AS field_length FROM RDB$RELATION_FIELDS r LEFT JOIN "
                                       "RDB$FIELDS f ON r.RDB$FIELD_SOURCE = f.RDB$FIELD_NAME WHERE "
                                       "r.RDB$RELATION_NAME='") +
                        table + QStringLiteral("'") + QStringLiteral(" and r.RDB$FIELD_NAME = ") + QuotedSql(column);
    logSql(sql);
    QueryGuard guard(IBQueryFnc);
    openFnc(sql);
    const int length = IBQueryFnc.eof() ? -1 : IBQueryFnc.fieldByName(QStringLiteral("FIELD_LENGTH")).asInteger();
    IBQueryFnc.close();
    return length;
}

void TdmCmn::SaveImage(const QString& table, const QString& column, const QString& keyColumn, const QString& key,
                       const QImage& picture, const char* format)
{
    QByteArray bytes;
    if (!picture.isNull()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!picture.save(&buffer, format))
            throw AppError(QStringLiteral("画像を保存できませんでした。"));
    }
    const QString sql = QStringLiteral("update ") + table + QStringLiteral(" set ") + column + QStringLiteral(" = :") +
                        column + QStringLiteral(" where ") + keyColumn + QStringLiteral(" = ") + key;
    logSql(sql);
    IBQueryFnc.setSql(sql);
    IBQueryFnc.setBlobParam(column, bytes.isEmpty() ? QByteArray() : bytes);
    IBQueryFnc.exec();
}

bool TdmCmn::LoadImage(const QString& table, const QString& column, const QString& keyColumn, const QString& key,
                       QImage& image)
{
    const QString sql = QStringLiteral("select ") + column + QStringLiteral(" from ") + table +
                        QStringLiteral(" where ") + keyColumn + QStringLiteral(" = ") + key;
    logSql(sql);
    QueryGuard guard(IBQueryFnc);
    openFnc(sql);
    const QByteArray bytes = IBQueryFnc.eof() ? QByteArray() : IBQueryFnc.field(0).asBytes();
    IBQueryFnc.close();
    image = QImage();
    if (bytes.isEmpty())
        return false;
    const char* format = bytes.startsWith("BM") ? "BMP" : "JPEG";
    if (!image.loadFromData(bytes, format)) {
        WriteLog(QStringLiteral("LoadImage: the picture in %1.%2 could not be read as %3")
                     .arg(table, column, QLatin1String(format)));
        image = QImage();
        return false;
    }
    return true;
}

bool TdmCmn::CheckLogin(const QString& userId, const QString& passwd, TUser& user)
{
    const auto statement = [&](const QString& passwordLiteral) {
        return QStringLiteral("select * from USER_M where USERID = ") + QuotedSql(userId) +
               QStringLiteral(" and PASSWD = ") + passwordLiteral + QStringLiteral(" and DEL_DT  is null") +
               UserRules::SqlCondition(Clock::today());
    };
    logSql(statement(UserRules::LoggedPassword()));
    QueryGuard guard(IBQueryFnc);
    openFnc(statement(QuotedSql(passwd)));
    user = TUser();
    if (IBQueryFnc.eof())
        return false;
    user.UserId = IBQueryFnc.fieldByName(QStringLiteral("USERID")).asString();
    user.UserName = IBQueryFnc.fieldByName(QStringLiteral("USERNM")).asString();
    user.Passwd = IBQueryFnc.fieldByName(QStringLiteral("PASSWD")).asString();
    user.Auth = IBQueryFnc.fieldByName(QStringLiteral("AUTH")).asInteger();
    IBQueryFnc.close();
    return true;
}

QString TdmCmn::GetUserName(const QString& userId)
{
    WriteLog(QStringLiteral("TdmCmn.GetUserName UserId=") + userId);
    QString name = QStringLiteral("該当者なし");
    if (!userId.trimmed().isEmpty()) {
        QueryGuard guard(IBQueryFnc);
        openFnc(QStringLiteral("select USERNM from USER_M where USERID = ") + QuotedSql(userId));
        if (!IBQueryFnc.eof())
            name = IBQueryFnc.fieldByName(QStringLiteral("USERNM")).asString();
        IBQueryFnc.close();
    }
    WriteLog(QStringLiteral("USERNM=") + name);
    WriteLog(QStringLiteral("TdmCmn.GetUserName end"));
    return name;
}

void TdmCmn::ReDBConnect(const QString& errorMessage)
{
    WriteTraceLog(QStringLiteral("TfrmMain.ReDBConnect ErrorMsg=") + errorMessage);
    if (errorMessage.contains(QLatin1String("Error")) && errorMessage.contains(QLatin1String("connection"))) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                IBDatabase1.close();
            } catch (const std::exception&) {
                WriteLog(QStringLiteral("dmCmn.IBDatabase1.Close error"));
            }
            waitWithEvents(200);
            try {
                IBDatabase1.open();
                for (int i = 0; i < 5; ++i)
                    waitWithEvents(100);
            } catch (const std::exception&) {
                WriteLog(QStringLiteral("dmCmn.IBDatabase1.Connected error"));
            }
        }
    }
    WriteTraceLog(QStringLiteral("TfrmMain.ReDBConnect end"));
}
