#pragma once

#include "core/TUser.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/TAccept.h"
#include "db/TCust.h"
#include "db/TInterfaceInfo.h"
#include "db/TLog.h"
#include "db/TPrint.h"
#include "db/TTels.h"

#include <QString>

#include <functional>

class QImage;

// The data module: owner of the one database connection and home of every small database
// operation that more than one window needs. Each operation runs one statement, built as text
// with the quoting helpers, and that statement commits on its own.
//
// The shared queries IBQueryFnc, sqlWork and sqlWork2 hold one statement at a time: finish
// with one before calling anything that fills the same query again.
class TdmCmn
{
public:
    // Sets the connection up for the database at path; it attaches with the first statement.
    explicit TdmCmn(const QString& databasePath);
    ~TdmCmn();
    // The connection's parameter lines: the login of the settings, character set NONE.
    static QStringList ConnectionParams();
    TdmCmn(const TdmCmn&) = delete;
    TdmCmn& operator=(const TdmCmn&) = delete;

    FbDatabase IBDatabase1;
    FbQuery IBQueryFnc;
    FbQuery sqlWork;
    FbQuery sqlWork2;
    // The call log's calls added since the last load: kept prepared, as it runs for every call.
    FbQuery sqlNewerCalls;
    // The external program master browses this; ordered by IF_NO after the schema upgrade.
    FbQuery tblInterface;

    // Set by the schema upgrade: the postal code masters exist, so GetZipAddress can be offered.
    bool PostalLookupAvailable = false;

    // Lookups by number: the number is used exactly as given, never normalised.
    bool GetTels(const QString& telNo, TTels& tels);
    bool GetCustTelNon(const QString& telNo, QString& custTelNon);
    bool GetCustData(const QString& custTelNon, TCust& cust);
    // Swallows database errors (false), as the caller only wants a name if there is one.
    bool GetCustInfo(const QString& telNo, QString& custName, QString& custKana);
    bool GetInterfaceInfo(int ifNo, TInterfaceInfo& info);
    QString GetZipAddress(const QString& zipCode);

    // A call-log row with this time, number, kind and port exists already.
    bool LogExists(const TLog& log);

    // Writes. None checks for an existing row; callers do.
    int InsertLog(const TLog& log);
    void UpdateTelMemo(int logNo, const QString& memo);
    void InsertTels(const TTels& tels);
    void UpdateTels(const TTels& tels);
    // The 要注意 flag and its note; InsertTels and UpdateTels leave them as they are.
    void SetTelsCaution(const QString& telNo, bool caution, const QString& note);
    int InsertCustData(const TCust& cust);
    void UpdateCustData(const TCust& cust);
    void InsertPrint(const TPrint& print);
    void InsertPort(int portNo);
    int InsertAccept(const TAccept& accept);
    void UpdateAccept(const TAccept& accept);
    bool GetAcceptData(int actNo, TAccept& accept);
    void ExecSql(const QString& sql);

    // Generic operations: table, column and key literal go into the SQL as given (the caller
    // quotes a text key).
    int GetGenId(const QString& generator);
    bool ExistsKey(const QString& table, const QString& column, const QString& key);
    void DeleteByKey(const QString& table, const QString& column, const QString& key);
    // -1 no row, 0 active (DEL_DT null), 1 deleted.
    int GetDelState(const QString& table, const QString& column, const QString& key);
    // Declared length of a column, -1 when there is no such column.
    int GetFieldLength(const QString& table, const QString& column);

    // Pictures in blob columns. SaveImage stores the picture in the given file format ("BMP" or
    // "JPG"); LoadImage reads "BM…" data as a bitmap and anything else as JPEG.
    void SaveImage(const QString& table, const QString& column, const QString& keyColumn, const QString& key,
                   const QImage& picture, const char* format = "BMP");
    bool LoadImage(const QString& table, const QString& column, const QString& keyColumn, const QString& key,
                   QImage& image);

    bool CheckLogin(const QString& userId, const QString& passwd, TUser& user);
    QString GetUserName(const QString& userId);

    // After an unexpected error: when the message says the connection broke ("Error" and
    // "connection"), close and reopen the connection. Never reports and never retries.
    void ReDBConnect(const QString& errorMessage);

private:
    // The lookups of every call, prepared once and run with the number as a parameter.
    FbQuery FTelsLookup;
    FbQuery FCustInfoLookup;
    // The call-log row of every call, prepared once as well.
    FbQuery FLogInsert;
    // Runs a kept lookup for one number; false when there is no row (the query is closed).
    bool openLookup(FbQuery& q, const QString& number);

    void openFnc(const QString& sql);
    void execFnc(const QString& sql);
    // Runs head + "gen_id(generator,1)" + values with "returning keyColumn"; logs the
    // statement with the drawn number in place of the gen_id call. Returns the number.
    int insertReturning(const QString& head, const QString& generator, const QString& values, const QString& keyColumn);
    // Runs an insert that draws its number (run opens it on q) in one writing transaction,
    // commits it and logs the statement (head, values) with the number it drew.
    int insertLogged(FbQuery& q, const std::function<void()>& run, const QString& head, const QString& draw,
                     const QString& values);
};

// The data module of the process, created by the start-up code before the main window.
extern TdmCmn* dmCmn;
