#include "db/SchemaUpgrade.h"

#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/DatabaseCopy.h"
#include "db/DatabaseError.h"
#include "db/IndexNotice.h"
#include "db/IndexStatistics.h"
#include "db/TdmCmn.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include <unistd.h>

namespace {

class Upgrade
{
public:
    explicit Upgrade(TdmCmn& dm) : FDm(dm) {}

    // A catalogue probe: true when the query returns a row.
    bool found(const QString& sql)
    {
        WriteTraceLog(QStringLiteral("strSql=") + sql);
        FbQuery& q = FDm.IBQueryFnc;
        q.setSql(sql);
        try {
            q.open();
            const bool any = !q.eof();
            q.close();
            return any;
        } catch (...) {
            q.release();
            throw;
        }
    }

    // Runs one change. done tells whether the change is in place: another program starting on
    // the same database may have made it just before us, which makes our statement fail; that
    // is no error. Its transaction may still be committing, so the check is made a few times.
    void run(const QString& sql, const std::function<bool()>& done)
    {
        if (!FCopyTried)
            takeSafetyCopy();
        FChanged = true;
        WriteTraceLog(QStringLiteral("strSql=") + sql);
        try {
            FDm.ExecSql(sql);
        } catch (const AppError& e) {
            for (int check = 0; check < 5; ++check) {
                if (check > 0)
                    QThread::msleep(200);
                bool there = false;
                try {
                    there = done();
                } catch (const AppError&) {
                }
                if (there) {
                    WriteLog(QStringLiteral("InitTables: made meanwhile by another program: ") + sql);
                    return;
                }
            }
            if (const auto* db = dynamic_cast<const DatabaseError*>(&e))
                throw DatabaseError(e.message() + restoreNote(), db->gdsCode(), db->sqlCode(), db->sql());
            throw AppError(e.message() + restoreNote());
        }
    }

    const QString& copy() const { return FCopy; }
    void useEarlierCopy()
    {
        const QString source = LocalDatabaseFile(FDm.IBDatabase1.databaseName());
        if (!source.isEmpty() && QFileInfo::exists(source + QStringLiteral(".before-upgrade")))
            FCopy = source + QStringLiteral(".before-upgrade");
    }
    // Puts the safety copy in the database's place; the copy stays until an upgrade completes.
    bool restoreCopy(QString* failure);

    // A kill inside a metadata change can leave the embedded engine's catalogue so damaged
    // that every later start fails at the same statement. Before the first change a start
    // makes, a consistent copy goes beside the database; a copy left by an earlier start
    // that failed is older and kept.
    void takeSafetyCopy()
    {
        FCopyTried = true;
        const QString source = LocalDatabaseFile(FDm.IBDatabase1.databaseName());
        const QString copy = source + QStringLiteral(".before-upgrade");
        if (QFileInfo::exists(copy)) {
            WriteLog(QStringLiteral("InitTables keeps the earlier copy ") + copy);
            FCopy = copy;
            return;
        }
        QString failure;
        if (DatabaseCopy::MakeConsistentCopy(FDm, source, copy, &failure)) {
            WriteLog(QStringLiteral("InitTables copy before the upgrade: ") + copy);
            FCopy = copy;
        } else {
            WriteLog(QStringLiteral("InitTables cannot copy the database before the upgrade: ") + failure);
        }
    }

    QString restoreNote() const
    {
        if (FCopy.isEmpty())
            return QString();
        const QString database = LocalDatabaseFile(FDm.IBDatabase1.databaseName());
        return QStringLiteral("\r\n更新前のデータベースの複製が %1 にあります。元に戻すには、プログラムを終了し、"
                              "%2 をこの複製で置き換えてから起動し直してください。")
            .arg(FCopy, database);
    }

    // The upgrade completed: the copy is not needed any more. Changed indices or columns
    // want fresh statistics.
    void finish()
    {
        if (FChanged)
            IndexStatistics::MarkStale(FDm);
        if (!FCopy.isEmpty() && QFile::remove(FCopy))
            WriteLog(QStringLiteral("InitTables removed ") + FCopy);
        FCopy.clear();
    }

    static QString spellings(const QString& name)
    {
        return QStringLiteral("'%1', '%2'").arg(name.toLower(), name.toUpper());
    }

    bool tableExists(const QString& table)
    {
        return found(QStringLiteral("SELECT RDB$RELATION_NAME AS TABLE_NAME FROM RDB$RELATIONS WHERE "
                                    "RDB$RELATION_NAME IN (") +
                     spellings(table) + QStringLiteral(")"));
    }

    bool columnExists(const QString& table, const QString& column)
    {
        return found(QStringLiteral("SELECT RDB$RELATION_NAME AS TABLE_NAME, RDB$FIELD_NAME AS COLUMN_NAME FROM "
                                    "RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME IN (") +
                     spellings(table) + QStringLiteral(") and RDB$FIELD_NAME IN (") + spellings(column) +
                     QStringLiteral(")"));
    }

    bool indexExists(const QString& table, const QString& index)
    {
        return found(QStringLiteral("SELECT 1 FROM RDB$INDICES WHERE RDB$RElATION_NAME in ('%1', '%2') and "
                                    "RDB$INDEX_NAME in ('%3', '%4')")
                         .arg(table.toUpper(), table.toLower(), index.toUpper(), index.toLower()));
    }

    bool generatorExists(const QString& generator)
    {
        return found(QStringLiteral("SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME IN (") +
                     spellings(generator) + QStringLiteral(")"));
    }

    bool rowExists(const QString& table, const QString& where)
    {
        return found(QStringLiteral("select 1 from ") + table + QStringLiteral(" where ") + where);
    }

    bool smallPortColumn()
    {
        return found(
            QStringLiteral("SELECT 1 FROM RDB$RELATION_FIELDS r, RDB$FIELDS f where r.RDB$FIELD_SOURCE = "
                           "f.RDB$FIELD_NAME and r.RDB$RELATION_NAME IN ('log', 'LOG') and r.RDB$FIELD_NAME IN "
                           "('port_no', 'PORT_NO') and f.RDB$FIELD_TYPE = 7"));
    }

    bool descendingDayIndex()
    {
        return found(QStringLiteral(
            "SELECT 1 FROM RDB$INDICES WHERE RDB$INDEX_NAME = 'IDX_LOG_DT_FROM' and RDB$INDEX_TYPE = 1"));
    }

    bool logInsertTrigger()
    {
        return found(QStringLiteral("SELECT 1 FROM RDB$TRIGGERS WHERE RDB$TRIGGER_NAME = ") +
                     QuotedSql(QLatin1String(kLogInsertedTrigger)));
    }

    // PRINT1 holds each attachment's rows only (a global temporary table kept until the
    // attachment ends); -1 when the table is missing.
    int privateTotals()
    {
        FbQuery& q = FDm.IBQueryFnc;
        q.setSql(QStringLiteral("SELECT RDB$RELATION_TYPE AS T FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'PRINT1'"));
        WriteTraceLog(QStringLiteral("strSql=") + q.sql());
        try {
            q.open();
            const int type = q.eof() ? -1 : (q.field(0).asInteger() == 4 ? 1 : 0);
            q.close();
            return type;
        } catch (...) {
            q.release();
            throw;
        }
    }

    // Index builds take a while on a large database: the notice is up while build runs and
    // never stays up after it, also when it fails.
    template <typename Build> static void buildIndexes(IndexNotice* notice, Build build)
    {
        if (notice)
            notice->begin();
        try {
            build();
        } catch (...) {
            if (notice)
                notice->end();
            throw;
        }
        if (notice)
            notice->end();
    }

    void step1ResponseTables();
    void step2Account();
    void step3AccountProxy();
    void step4Control();
    void step5OutgoingPlans();
    void step6Postal();
    void step7PortWidth();
    void step8Indexes(IndexNotice* notice);
    void step9TextPort();
    void step10TextDt();
    void step11MemoWidth();
    void step12DescendingDayIndex(IndexNotice* notice);
    void stepLogInsertEvent();
    void stepPrivateTotals();
    void stepTelsCaution();
    void stepIndexStatisticsMarks();
    void runSteps(IndexNotice* notice);

private:
    TdmCmn& FDm;
    QString FCopy;
    bool FCopyTried = false;
    bool FChanged = false;

public:
    int FUseAccept = -1; // the answer to the response-recording question, once asked
};

QString setting(const char* section, const char* key, const char* def)
{
    if (!gIni)
        return QLatin1String(def);
    return gIni->ReadString(QLatin1String(section), QLatin1String(key), QLatin1String(def));
}

// Each object of the step is probed on its own, so that a start after a failure part-way
// through completes what is missing instead of leaving it missing for good.
void Upgrade::step1ResponseTables()
{
    // OPTION_D_M is created last: the port rows that follow PORT_T have no sign of their own,
    // so the step counts as done only once the table after them exists.
    const bool acceptType = tableExists(QStringLiteral("ACCEPT_TYPE"));
    const bool acceptResult = acceptType && tableExists(QStringLiteral("ACCEPT_RESULT"));
    const bool sequence = acceptResult && generatorExists(QStringLiteral("SEQ_ACCEPT_NO"));
    const bool acceptT = sequence && tableExists(QStringLiteral("ACCEPT_T"));
    const bool logIndex = acceptT && indexExists(QStringLiteral("ACCEPT_T"), QStringLiteral("IDX_ACCEPT_T_LOG_NO"));
    const bool portT = logIndex && tableExists(QStringLiteral("PORT_T"));
    const bool optionD = portT && tableExists(QStringLiteral("OPTION_D_M"));
    if (optionD)
        return;
    // The question is news only to a shop that has been working with the database; one made
    // just now (by the package, zuvaro3-initdb or this start) keeps the setting as it is.
    const bool inUse = found(QStringLiteral("select 1 from RDB$DATABASE where exists (select 1 from LOG) or exists "
                                            "(select 1 from TELS) or exists (select 1 from CUSTOMER)"));

    // A wider map column (made by hand) must not be narrowed, which the server refuses anyway.
    const int mapUrl = FDm.GetFieldLength(QStringLiteral("CUSTOMER"), QStringLiteral("MAP_URL"));
    if (mapUrl >= 0 && mapUrl < 600)
        run(QStringLiteral("ALTER TABLE CUSTOMER ALTER COLUMN MAP_URL TYPE VARCHAR(600)"),
            [this] { return FDm.GetFieldLength(QStringLiteral("CUSTOMER"), QStringLiteral("MAP_URL")) >= 600; });
    const auto admin = [this] { return rowExists(QStringLiteral("USER_M"), QStringLiteral("USERID = 'admin'")); };
    if (!admin())
        run(QStringLiteral("insert into USER_M (USERID, USERNM, PASSWD, AUTH, UPDT) values ('admin', '管理者', '', "
                           "9999, CURRENT_TIMESTAMP)"),
            admin);

    if (!tableExists(QStringLiteral("ACCEPT_TYPE")))
        run(QStringLiteral("CREATE TABLE ACCEPT_TYPE (TYPE_ID VARCHAR(4) NOT NULL, TYPE_NAME VARCHAR(20), LIST_ID "
                           "VARCHAR(4), DEL_DT TIMESTAMP, UPUSERID VARCHAR(8), UPDT TIMESTAMP, PRIMARY KEY "
                           "(TYPE_ID))"),
            [this] { return tableExists(QStringLiteral("ACCEPT_TYPE")); });
    const QStringList typeRows{QStringLiteral("0001"), QStringLiteral("区分１(ﾀﾞﾐｰ)"), QStringLiteral("0002"),
                               QStringLiteral("区分２(ﾀﾞﾐｰ)")};
    for (int i = 0; i < typeRows.size(); i += 2)
        if (!rowExists(QStringLiteral("ACCEPT_TYPE"), QStringLiteral("TYPE_ID = ") + QuotedSql(typeRows.at(i))))
            run(QStringLiteral("insert into ACCEPT_TYPE (TYPE_ID, TYPE_NAME, LIST_ID, UPDT) values (%1, %2, %1, "
                               "CURRENT_TIMESTAMP)")
                    .arg(QuotedSql(typeRows.at(i)), QuotedSql(typeRows.at(i + 1))),
                [&] {
                    return rowExists(QStringLiteral("ACCEPT_TYPE"),
                                     QStringLiteral("TYPE_ID = ") + QuotedSql(typeRows.at(i)));
                });

    if (!tableExists(QStringLiteral("ACCEPT_RESULT")))
        run(QStringLiteral("CREATE TABLE ACCEPT_RESULT (RESULT_ID VARCHAR(4) NOT NULL, RESULT_NAME VARCHAR(20), "
                           "LIST_ID VARCHAR(4), DEL_DT TIMESTAMP, UPUSERID VARCHAR(8), UPDT TIMESTAMP, PRIMARY KEY "
                           "(RESULT_ID))"),
            [this] { return tableExists(QStringLiteral("ACCEPT_RESULT")); });
    const QStringList resultRows{QStringLiteral("0001"), QStringLiteral("結果１(ﾀﾞﾐｰ)"), QStringLiteral("0002"),
                                 QStringLiteral("結果２(ﾀﾞﾐｰ)")};
    for (int i = 0; i < resultRows.size(); i += 2)
        if (!rowExists(QStringLiteral("ACCEPT_RESULT"), QStringLiteral("RESULT_ID = ") + QuotedSql(resultRows.at(i))))
            run(QStringLiteral("insert into ACCEPT_RESULT (RESULT_ID, RESULT_NAME, LIST_ID, UPDT) values (%1, %2, %1, "
                               "CURRENT_TIMESTAMP)")
                    .arg(QuotedSql(resultRows.at(i)), QuotedSql(resultRows.at(i + 1))),
                [&] {
                    return rowExists(QStringLiteral("ACCEPT_RESULT"),
                                     QStringLiteral("RESULT_ID = ") + QuotedSql(resultRows.at(i)));
                });

    if (!generatorExists(QStringLiteral("SEQ_ACCEPT_NO")))
        run(QStringLiteral("create generator SEQ_ACCEPT_NO"),
            [this] { return generatorExists(QStringLiteral("SEQ_ACCEPT_NO")); });
    if (!tableExists(QStringLiteral("ACCEPT_T")))
        run(QStringLiteral("CREATE TABLE ACCEPT_T (ACT_NO INTEGER NOT NULL, ACT_DT TIMESTAMP, USERID VARCHAR(8), "
                           "TYPE_ID VARCHAR(4), RESULT_ID VARCHAR(4), TITLE VARCHAR(100), CONTENT VARCHAR(400), "
                           "LOG_NO INTEGER, CUST_NO INTEGER, UPUSERID VARCHAR(8), UPDT TIMESTAMP, PRIMARY KEY "
                           "(ACT_NO))"),
            [this] { return tableExists(QStringLiteral("ACCEPT_T")); });
    if (!indexExists(QStringLiteral("ACCEPT_T"), QStringLiteral("IDX_ACCEPT_T_LOG_NO")))
        run(QStringLiteral("CREATE INDEX IDX_ACCEPT_T_LOG_NO ON ACCEPT_T (LOG_NO)"),
            [this] { return indexExists(QStringLiteral("ACCEPT_T"), QStringLiteral("IDX_ACCEPT_T_LOG_NO")); });
    if (!tableExists(QStringLiteral("PORT_T")))
        run(QStringLiteral("CREATE TABLE PORT_T (PORT_NO INTEGER NOT NULL, UPUSERID VARCHAR(8), UPDT TIMESTAMP, "
                           "PRIMARY KEY (PORT_NO))"),
            [this] { return tableExists(QStringLiteral("PORT_T")); });

    // One row per configured serial port; the same number twice would break the key.
    const char* keys[] = {"PORT_NO_1", "PORT_NO_2", "PORT_NO_3"};
    const char* defaults[] = {"1", "", ""};
    for (int i = 0; i < 3; ++i) {
        int port = 0;
        if (!ProfileFile::ParseInteger(setting("RS232C", keys[i], defaults[i]), &port))
            continue;
        const QString where = QStringLiteral("PORT_NO = ") + QString::number(port);
        if (rowExists(QStringLiteral("PORT_T"), where))
            continue;
        try {
            FDm.InsertPort(port);
        } catch (const AppError&) {
            if (!rowExists(QStringLiteral("PORT_T"), where))
                throw;
        }
    }

    if (!tableExists(QStringLiteral("OPTION_D_M")))
        run(QStringLiteral("CREATE TABLE OPTION_D_M (OPTION_ID SMALLINT NOT NULL, DID VARCHAR(4) NOT NULL, DNAME "
                           "VARCHAR(20), LIST_ID VARCHAR(4), DEL_DT TIMESTAMP, UPUSERID VARCHAR(8), UPDT TIMESTAMP, "
                           "PRIMARY KEY (OPTION_ID, DID))"),
            [this] { return tableExists(QStringLiteral("OPTION_D_M")); });

    if (!IsFlagOn(setting("LINK", "ENABLED", "0")) && FUseAccept >= 0) {
        // Asked already by this start, before the database was put back.
        GUseAccept = FUseAccept == 1;
    } else if (!IsFlagOn(setting("LINK", "ENABLED", "0")) && inUse) {
        const MsgResult answer = MessageService::Show(
            MsgKind::Information,
            QStringLiteral("対応内容登録が機能追加されました。従来より画面が増えますがこの機能を利用しますか？\r\n"
                           "後で環境設定画面で設定を元に戻すこともできます。"),
            MsgButtons::YesNo);
        GUseAccept = answer == MsgResult::Yes;
        FUseAccept = GUseAccept ? 1 : 0;
    }
}

void Upgrade::step2Account()
{
    if (tableExists(QStringLiteral("ACCOUNT")))
        return;
    run(QStringLiteral(
            "CREATE TABLE ACCOUNT (USERID VARCHAR(60) NOT NULL, DISPNM VARCHAR(60), LOGINID VARCHAR(60), PASSWD "
            "VARCHAR(60), SIPPLOXY VARCHAR(100) NOT NULL, REGIST_PROXY CHAR(1) DEFAULT '1' NOT NULL, DOMAINNM "
            "VARCHAR(100), AUDIO_OUT_NAME VARCHAR(60), AUDIO_IN_NAME VARCHAR(60), AUDIO_OUT_VOL SMALLINT, AUDIO_IN_VOL "
            "SMALLINT, CHNUM SMALLINT DEFAULT 1 NOT NULL, COUNTRY_CD VARCHAR(10), CODECS VARCHAR(60), ECHO_CANCEL_FLG "
            "CHAR(1), AGC_FLG CHAR(1), MICBOOST_FLG CHAR(1), NODISTURB_FLG CHAR(1), FORCE_INDTMF_FLG CHAR(1), UPDT "
            "TIMESTAMP, PRIMARY KEY (USERID))"),
        [this] { return tableExists(QStringLiteral("ACCOUNT")); });
}

void Upgrade::step3AccountProxy()
{
    if (columnExists(QStringLiteral("ACCOUNT"), QStringLiteral("OUTPLOXY")))
        return;
    run(QStringLiteral("ALTER TABLE ACCOUNT ADD OUTPLOXY VARCHAR(100)"),
        [this] { return columnExists(QStringLiteral("ACCOUNT"), QStringLiteral("OUTPLOXY")); });
}

void Upgrade::step4Control()
{
    const QStringList portColumns{QStringLiteral("REC_FLG"), QStringLiteral("ABSENCE_FLG"), QStringLiteral("TRANS_FLG"),
                                  QStringLiteral("SPEEK_FLG"), QStringLiteral("ABSENCE_FILE")};
    const bool control = tableExists(QStringLiteral("CTRL_T"));
    bool complete = control;
    for (int i = 0; complete && i < portColumns.size(); ++i)
        complete = columnExists(QStringLiteral("PORT_T"), portColumns.at(i));
    if (complete)
        return;
    if (!control)
        run(QStringLiteral(
                "CREATE TABLE CTRL_T (CH_NUM SMALLINT, SERVER_NAME_FLG CHAR(1), SERVER_NAME VARCHAR(255), TCP_PORT "
                "INTEGER, UDP_PORT INTEGER, BROADCAST_ADDRESS_FLG CHAR(1), BROADCAST_ADDRESS VARCHAR(20), "
                "APPLET_USE_FLG "
                "CHAR(1), APPLET_PORT INTEGER, APPLET_URL VARCHAR(255), UPLOAD_SERVER VARCHAR(100), WARP_USE_FLG "
                "CHAR(1), "
                "WARP_START_TEL VARCHAR(16), WARP_STOP_TEL VARCHAR(16), WARP_START_NO VARCHAR(16), WARP_STOP_NO "
                "VARCHAR(16), UPDT TIMESTAMP)"),
            [this] { return tableExists(QStringLiteral("CTRL_T")); });
    if (!found(QStringLiteral("select 1 from CTRL_T")))
        // The table has no key: a row another program added meanwhile must not be doubled.
        run(QStringLiteral("insert into CTRL_T (CH_NUM, UPDT) select 0, CURRENT_TIMESTAMP from RDB$DATABASE where not "
                           "exists (select 1 from CTRL_T)"),
            [this] { return found(QStringLiteral("select 1 from CTRL_T")); });
    for (const QString& column : portColumns)
        if (!columnExists(QStringLiteral("PORT_T"), column))
            run(QStringLiteral("ALTER TABLE PORT_T ADD %1 %2")
                    .arg(column,
                         column == QLatin1String("ABSENCE_FILE") ? QStringLiteral("BLOB") : QStringLiteral("CHAR(1)")),
                [&] { return columnExists(QStringLiteral("PORT_T"), column); });
}

void Upgrade::step5OutgoingPlans()
{
    const bool plan = tableExists(QStringLiteral("OUT_PLAN_T"));
    const bool planSeq = plan && generatorExists(QStringLiteral("SEQ_PLAN_ID"));
    const bool file = planSeq && tableExists(QStringLiteral("OUT_FILE_M"));
    const bool fileSeq = file && generatorExists(QStringLiteral("SEQ_FILE_ID"));
    if (fileSeq)
        return;
    if (!tableExists(QStringLiteral("OUT_PLAN_T")))
        run(QStringLiteral(
                "CREATE TABLE OUT_PLAN_T (PLAN_ID INTEGER NOT NULL, PLAN_TYPE CHAR(1), PLAN_NAME VARCHAR(40), "
                "WEEK_OF_MON "
                "SMALLINT, WEEK_1 CHAR(1), WEEK_2 CHAR(1), WEEK_3 CHAR(1), WEEK_4 CHAR(1), WEEK_5 CHAR(1), WEEK_6 "
                "CHAR(1), WEEK_7 CHAR(1), SATRT_TIME TIMESTAMP, END_TYPE SMALLINT, END_TIME TIMESTAMP, FILE_ID "
                "SMALLINT, "
                "STOP_PLAN_ID INTEGER, DEL_DT TIMESTAMP, UPUSERID VARCHAR(8), UPDT TIMESTAMP, PRIMARY KEY (PLAN_ID))"),
            [this] { return tableExists(QStringLiteral("OUT_PLAN_T")); });
    if (!generatorExists(QStringLiteral("SEQ_PLAN_ID")))
        run(QStringLiteral("create generator SEQ_PLAN_ID;"),
            [this] { return generatorExists(QStringLiteral("SEQ_PLAN_ID")); });
    if (!tableExists(QStringLiteral("OUT_FILE_M")))
        run(QStringLiteral("CREATE TABLE OUT_FILE_M (FILE_ID INTEGER NOT NULL, FILE_NAME VARCHAR(40), OUT_FILE BLOB, "
                           "LIST_ID INTEGER, DEL_DT TIMESTAMP, UPUSERID VARCHAR(8), UPDT TIMESTAMP, PRIMARY KEY "
                           "(FILE_ID))"),
            [this] { return tableExists(QStringLiteral("OUT_FILE_M")); });
    if (!generatorExists(QStringLiteral("SEQ_FILE_ID")))
        run(QStringLiteral("create generator SEQ_FILE_ID;"),
            [this] { return generatorExists(QStringLiteral("SEQ_FILE_ID")); });
}

void Upgrade::step6Postal()
{
    FDm.PostalLookupAvailable = tableExists(QStringLiteral("PREF_M"));
}

void Upgrade::step7PortWidth()
{
    if (!smallPortColumn())
        return;
    run(QStringLiteral("ALTER TABLE LOG ALTER COLUMN PORT_NO TYPE integer"), [this] { return !smallPortColumn(); });
}

void Upgrade::step8Indexes(IndexNotice* notice)
{
    struct Index
    {
        const char* table;
        const char* name;
        const char* column;
        bool descending = false;
    };
    static const Index indexes[] = {
        {"LOG", "IDX_LOG_DT_FROM", "DT_FROM", true},
        {"LOG", "IDX_LOG_TEL_NO", "TEL_NO"},
        {"TELS", "IDX_TELS_CUST_TEL_NON", "CUST_TEL_NON"},
        {"ACCEPT_T", "IDX_ACCEPT_T_ACT_DT", "ACT_DT"},
        {"ACCEPT_T", "IDX_ACCEPT_T_CUST_NO", "CUST_NO"},
        {"ACCEPT_T", "IDX_ACCEPT_T_RESULT_ID", "RESULT_ID"},
        {"ACCEPT_T", "IDX_ACCEPT_T_TYPE_ID", "TYPE_ID"},
        {"ACCEPT_T", "IDX_ACCEPT_T_USERID", "USERID"},
    };
    // Each index is probed on its own: a start after a failure builds the ones still missing.
    QList<const Index*> missing;
    for (const Index& ix : indexes)
        if (!indexExists(QLatin1String(ix.table), QLatin1String(ix.name)))
            missing << &ix;
    if (missing.isEmpty())
        return;
    buildIndexes(notice, [&]() {
        for (const Index* ix : missing) {
            run(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                    .arg(QLatin1String(ix->descending ? "DESCENDING " : ""), QLatin1String(ix->name),
                         QLatin1String(ix->table), QLatin1String(ix->column)),
                [&] { return indexExists(QLatin1String(ix->table), QLatin1String(ix->name)); });
            if (notice)
                notice->step();
        }
    });
}

void Upgrade::step9TextPort()
{
    if (columnExists(QStringLiteral("INTERFACE"), QStringLiteral("TEXT_PORT")))
        return;
    run(QStringLiteral("ALTER TABLE INTERFACE ADD TEXT_PORT CHAR(1)"),
        [this] { return columnExists(QStringLiteral("INTERFACE"), QStringLiteral("TEXT_PORT")); });
}

void Upgrade::step10TextDt()
{
    if (columnExists(QStringLiteral("INTERFACE"), QStringLiteral("TEXT_DT")))
        return;
    run(QStringLiteral("ALTER TABLE INTERFACE ADD TEXT_DT CHAR(1)"),
        [this] { return columnExists(QStringLiteral("INTERFACE"), QStringLiteral("TEXT_DT")); });
}

void Upgrade::step11MemoWidth()
{
    if (FDm.GetFieldLength(QStringLiteral("LOG"), QStringLiteral("TEL_MEMO")) >= 4000)
        return;
    run(QStringLiteral("ALTER TABLE LOG ALTER COLUMN TEL_MEMO TYPE VARCHAR(4000)"),
        [this] { return FDm.GetFieldLength(QStringLiteral("LOG"), QStringLiteral("TEL_MEMO")) >= 4000; });
}

// The call log is listed newest first: a descending index on DT_FROM lets the day's query
// walk it in order instead of sorting every row with its long memo. Range lookups on
// DT_FROM use it as well.
void Upgrade::step12DescendingDayIndex(IndexNotice* notice)
{
    if (descendingDayIndex())
        return;
    buildIndexes(notice, [&]() {
        if (indexExists(QStringLiteral("LOG"), QStringLiteral("IDX_LOG_DT_FROM")))
            run(QStringLiteral("DROP INDEX IDX_LOG_DT_FROM"), [this] {
                return !indexExists(QStringLiteral("LOG"), QStringLiteral("IDX_LOG_DT_FROM")) || descendingDayIndex();
            });
        run(QStringLiteral("CREATE DESCENDING INDEX IDX_LOG_DT_FROM ON LOG (DT_FROM)"),
            [this] { return descendingDayIndex(); });
        if (notice)
            notice->step();
    });
}

// Every new call posts an event, so the other PCs on a shared server show it at once.
void Upgrade::stepLogInsertEvent()
{
    if (!logInsertTrigger())
        run(QStringLiteral("CREATE TRIGGER %1 FOR LOG ACTIVE AFTER INSERT POSITION 0 AS BEGIN POST_EVENT '%2'; END")
                .arg(QLatin1String(kLogInsertedTrigger), QLatin1String(kLogInsertedEvent)),
            [this] { return logInsertTrigger(); });
}

// The totals' work table: two PCs making totals at once on one server must neither see nor
// clear each other's rows.
void Upgrade::stepPrivateTotals()
{
    const int state = privateTotals();
    if (state == 1)
        return;
    if (state == 0)
        run(QStringLiteral("DROP TABLE PRINT1"), [this] { return privateTotals() != 0; });
    if (privateTotals() == -1)
        run(QStringLiteral("CREATE GLOBAL TEMPORARY TABLE PRINT1 (TEL_NO VARCHAR(100), CALLER VARCHAR(200), TOTAL "
                           "INTEGER) ON COMMIT PRESERVE ROWS"),
            [this] { return privateTotals() == 1; });
}

// 要注意 on a phone-book entry: nullable columns, so a PC still running the previous version
// on the same database goes on working (it names its columns on insert and update, and
// reads rows by column name).
void Upgrade::stepTelsCaution()
{
    if (!columnExists(QStringLiteral("TELS"), QStringLiteral("CAUTION")))
        run(QStringLiteral("ALTER TABLE TELS ADD CAUTION CHAR(1)"),
            [this] { return columnExists(QStringLiteral("TELS"), QStringLiteral("CAUTION")); });
    if (!columnExists(QStringLiteral("TELS"), QStringLiteral("CAUTION_NOTE")))
        run(QStringLiteral("ALTER TABLE TELS ADD CAUTION_NOTE VARCHAR(100)"),
            [this] { return columnExists(QStringLiteral("TELS"), QStringLiteral("CAUTION_NOTE")); });
}

// Where the index statistics' last refresh is kept (see IndexStatistics).
void Upgrade::stepIndexStatisticsMarks()
{
    if (!tableExists(QStringLiteral("INDEX_STATS_MARK")))
        run(QStringLiteral("CREATE TABLE INDEX_STATS_MARK (GEN_NAME VARCHAR(31) NOT NULL PRIMARY KEY, GEN_VALUE INTEGER)"),
            [this] { return tableExists(QStringLiteral("INDEX_STATS_MARK")); });
}

void Upgrade::runSteps(IndexNotice* notice)
{
    step1ResponseTables();
    step2Account();
    step3AccountProxy();
    step4Control();
    step5OutgoingPlans();
    step6Postal();
    step7PortWidth();
    step8Indexes(notice);
    step9TextPort();
    step10TextDt();
    step11MemoWidth();
    step12DescendingDayIndex(notice);
    stepLogInsertEvent();
    stepPrivateTotals();
    stepTelsCaution();
    stepIndexStatisticsMarks();
}

bool Upgrade::restoreCopy(QString* failure)
{
    const QString database = LocalDatabaseFile(FDm.IBDatabase1.databaseName());
    try {
        FDm.IBDatabase1.close();
    } catch (const std::exception&) {
    }
    // Copied beside the database and renamed over it: the copy itself stays for another try.
    const QString temp = database + QStringLiteral(".restoring");
    QFile::remove(temp);
    if (!QFile::copy(FCopy, temp)) {
        *failure = QStringLiteral("cannot copy ") + FCopy + QStringLiteral(" to ") + temp;
        return false;
    }
    QFile::setPermissions(temp, QFile::permissions(database));
    QFile written(temp);
    const bool synced = written.open(QIODevice::ReadWrite) && ::fsync(written.handle()) == 0;
    written.close();
    if (!synced || std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(database).constData()) != 0) {
        *failure = QStringLiteral("cannot put ") + temp + QStringLiteral(" in place: ") +
                   QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temp);
        return false;
    }
    return true;
}

} // namespace

void InitTables(TdmCmn& dm, IndexNotice* notice)
{
    WriteTraceLog(QStringLiteral("InitTables begin"));
    DatabaseCopy::EndStaleBackupLock(dm);
    Upgrade u(dm);
    try {
        u.runSteps(notice);
    } catch (const AppError& e) {
        // A stop request ends the start where it is; the next start carries on step by step.
        if (StopRequest::Requested())
            throw;
        // A kill inside a metadata change can leave a catalogue that fails at the same step at
        // every start: the copy taken before the first change (by this start or by the one that
        // was interrupted) is the state to start over from, once.
        QString failure;
        // A probe failing before this start changed anything: the copy an interrupted start
        // left serves as well, as long as the database is open here (so that no other program
        // is using the file the copy replaces).
        if (u.copy().isEmpty() && dm.IBDatabase1.connected())
            u.useEarlierCopy();
        if (u.copy().isEmpty() || !u.restoreCopy(&failure)) {
            if (!failure.isEmpty())
                WriteLog(QStringLiteral("InitTables cannot put the copy back: ") + failure);
            throw;
        }
        WriteLog(QStringLiteral("InitTables: a step failed (") + EscapeLogText(e.message()) +
                 QStringLiteral("); the database was put back from ") + u.copy() +
                 QStringLiteral(" and is upgraded again"));
        MessageService::Information(
            QStringLiteral("データベースの更新に失敗したため、更新前の複製 %1 から元に戻しました。もう一度更新します。")
                .arg(u.copy()));
        Upgrade again(dm);
        again.FUseAccept = u.FUseAccept;
        again.runSteps(notice);
        dm.tblInterface.setSql(QStringLiteral("select * from INTERFACE order by IF_NO"));
        again.finish();
        WriteTraceLog(QStringLiteral("InitTables end"));
        return;
    }
    dm.tblInterface.setSql(QStringLiteral("select * from INTERFACE order by IF_NO"));
    u.finish();
    WriteTraceLog(QStringLiteral("InitTables end"));
}

void RefreshIndexStatistics(TdmCmn& dm)
{
    QElapsedTimer t;
    t.start();
    try {
        dm.ExecSql(QStringLiteral("EXECUTE BLOCK AS DECLARE n CHAR(63); BEGIN FOR SELECT RDB$INDEX_NAME FROM "
                                  "RDB$INDICES WHERE coalesce(RDB$SYSTEM_FLAG, 0) = 0 INTO :n DO EXECUTE STATEMENT "
                                  "'SET STATISTICS INDEX ' || trim(n); END"));
        WriteTraceLog(QStringLiteral("RefreshIndexStatistics %1 ms").arg(t.elapsed()));
        IndexStatistics::RecordRefresh(dm);
    } catch (const AppError& e) {
        if (StopRequest::Requested())
            throw;
        WriteLog(QStringLiteral("Index statistics not refreshed: ") + EscapeLogText(e.message()));
    }
}
