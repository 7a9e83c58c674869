// The schema upgrade on an initial database, on a current one, and after failures part-way.

#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "db/DatabaseCopy.h"
#include "db/DatabaseError.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/IndexNotice.h"
#include "db/IndexStatistics.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

const QString kQuestion = QStringLiteral("対応内容登録が機能追加されました。従来より画面が増えますがこの機能を利用しますか？\r\n"
                                         "後で環境設定画面で設定を元に戻すこともできます。");

class RecordingNotice : public IndexNotice
{
public:
    QStringList calls;
    void begin() override { calls << QStringLiteral("begin"); }
    void step() override { calls << QStringLiteral("step"); }
    void end() override { calls << QStringLiteral("end"); }
};

// Records every statement that reaches the database; throws at the first one starting with failAt.
struct StatementLog
{
    QStringList all;
    QString failAt;

    void attach(TdmCmn& dm)
    {
        dm.IBDatabase1.setStatementHook([this](const QString& sql) {
            all << sql;
            if (!failAt.isEmpty() && sql.startsWith(failAt, Qt::CaseInsensitive))
                throw DatabaseError(QStringLiteral("injected failure"));
        });
    }
    // The statements that change something (everything but the probes, the freeze of
    // the safety copy and the index statistics marked stale after a change).
    QStringList changes() const
    {
        QStringList out;
        for (const QString& s : all)
            if (!s.startsWith(QLatin1String("select"), Qt::CaseInsensitive) &&
                !s.startsWith(QLatin1String("ALTER DATABASE"), Qt::CaseInsensitive) &&
                s != QLatin1String("delete from INDEX_STATS_MARK"))
                out << s;
        return out;
    }
};

bool hasTable(TempDb& db, const char* table)
{
    return db.count(QStringLiteral("RDB$RELATIONS"), QStringLiteral("RDB$RELATION_NAME = '%1'").arg(QLatin1String(table))) == 1;
}

bool hasColumn(TempDb& db, const char* table, const char* column)
{
    return db.count(QStringLiteral("RDB$RELATION_FIELDS"), QStringLiteral("RDB$RELATION_NAME = '%1' and RDB$FIELD_NAME = '%2'")
                                                               .arg(QLatin1String(table), QLatin1String(column))) == 1;
}

bool hasIndex(TempDb& db, const char* index)
{
    return db.count(QStringLiteral("RDB$INDICES"), QStringLiteral("RDB$INDEX_NAME = '%1'").arg(QLatin1String(index))) == 1;
}

bool hasGenerator(TempDb& db, const char* generator)
{
    return db.count(QStringLiteral("RDB$GENERATORS"), QStringLiteral("RDB$GENERATOR_NAME = '%1'").arg(QLatin1String(generator))) == 1;
}

const char* const kIndexes[] = {"IDX_LOG_DT_FROM",      "IDX_LOG_TEL_NO",         "IDX_TELS_CUST_TEL_NON",
                                "IDX_ACCEPT_T_ACT_DT",  "IDX_ACCEPT_T_CUST_NO",   "IDX_ACCEPT_T_RESULT_ID",
                                "IDX_ACCEPT_T_TYPE_ID", "IDX_ACCEPT_T_USERID",    "IDX_ACCEPT_T_LOG_NO"};

// Everything the upgrade adds, present exactly once.
void verifyCurrent(TempDb& db)
{
    for (const char* t : {"ACCEPT_TYPE", "ACCEPT_RESULT", "ACCEPT_T", "OPTION_D_M", "PORT_T", "ACCOUNT", "CTRL_T",
                          "OUT_PLAN_T", "OUT_FILE_M"})
        QVERIFY2(hasTable(db, t), t);
    for (const char* g : {"SEQ_ACCEPT_NO", "SEQ_PLAN_ID", "SEQ_FILE_ID"})
        QVERIFY2(hasGenerator(db, g), g);
    for (const char* ix : kIndexes)
        QVERIFY2(hasIndex(db, ix), ix);
    QCOMPARE(db.scalar(QStringLiteral("select RDB$INDEX_TYPE from RDB$INDICES where RDB$INDEX_NAME = 'IDX_LOG_DT_FROM'")),
             QStringLiteral("1")); // descending
    QVERIFY(hasColumn(db, "ACCOUNT", "OUTPLOXY"));
    for (const char* c : {"REC_FLG", "ABSENCE_FLG", "TRANS_FLG", "SPEEK_FLG", "ABSENCE_FILE"})
        QVERIFY2(hasColumn(db, "PORT_T", c), c);
    QVERIFY(hasColumn(db, "INTERFACE", "TEXT_PORT"));
    QVERIFY(hasColumn(db, "INTERFACE", "TEXT_DT"));
    QVERIFY(hasColumn(db, "TELS", "CAUTION"));
    QVERIFY(hasColumn(db, "TELS", "CAUTION_NOTE"));
    QCOMPARE(db.dm().GetFieldLength(QStringLiteral("LOG"), QStringLiteral("TEL_MEMO")), 4000);
    QCOMPARE(db.dm().GetFieldLength(QStringLiteral("CUSTOMER"), QStringLiteral("MAP_URL")), 600);
    QCOMPARE(db.scalar(QStringLiteral("select f.RDB$FIELD_TYPE from RDB$RELATION_FIELDS r join RDB$FIELDS f on "
                                      "r.RDB$FIELD_SOURCE = f.RDB$FIELD_NAME where r.RDB$RELATION_NAME = 'LOG' and "
                                      "r.RDB$FIELD_NAME = 'PORT_NO'")),
             QStringLiteral("8")); // INTEGER

    QCOMPARE(db.count(QStringLiteral("USER_M")), 1);
    QCOMPARE(db.count(QStringLiteral("USER_M"),
                      QStringLiteral("USERID = 'admin' and USERNM = '管理者' and PASSWD = '' and AUTH = 9999")),
             1);
    QCOMPARE(db.scalar(QStringLiteral("select list(TYPE_ID || TYPE_NAME || LIST_ID, '|') from (select * from "
                                      "ACCEPT_TYPE order by TYPE_ID)")),
             QStringLiteral("0001区分１(ﾀﾞﾐｰ)0001|0002区分２(ﾀﾞﾐｰ)0002"));
    QCOMPARE(db.scalar(QStringLiteral("select list(RESULT_ID || RESULT_NAME || LIST_ID, '|') from (select * from "
                                      "ACCEPT_RESULT order by RESULT_ID)")),
             QStringLiteral("0001結果１(ﾀﾞﾐｰ)0001|0002結果２(ﾀﾞﾐｰ)0002"));
    QCOMPARE(db.count(QStringLiteral("CTRL_T"), QStringLiteral("CH_NUM = 0 and UPDT is not null")), 1);
    QCOMPARE(db.count(QStringLiteral("CTRL_T")), 1);
}

// Whether a database file (not the open one) has a table.
bool fileHasTable(const QString& path, const char* table)
{
    return !TestDatabase::ColumnIn(path, QStringLiteral("select 1 from RDB$RELATIONS where RDB$RELATION_NAME = '%1'")
                                             .arg(QLatin1String(table)))
                .isEmpty();
}

// A database a shop has worked with: one call in it, put in over an attachment of its own.
void putACallIn(TempDb& db)
{
    FbDatabase other;
    other.setDatabaseName(db.path());
    other.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                     QStringLiteral("lc_ctype=ASCII")});
    other.setSqlDialect(1);
    other.execute(QStringLiteral("insert into LOG (LOG_NO, TEL_NO) values (1, '0312345678')"));
    other.close();
}

QString portRows(TempDb& db)
{
    return db.scalar(QStringLiteral("select list(PORT_NO, ',') from (select PORT_NO from PORT_T order by PORT_NO)"));
}

QString restoredText(TempDb& db)
{
    return QStringLiteral("データベースの更新に失敗したため、更新前の複製 %1 から元に戻しました。もう一度更新します。")
        .arg(db.path() + QStringLiteral(".before-upgrade"));
}

QString logText()
{
    QFile f(gCurLogFile);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class TstSchemaUpgrade : public QObject
{
    Q_OBJECT

private:
    TestEnv FEnv;

private slots:
    void init()
    {
        FEnv.writeIni(QString());
        MessageService::clearAnswers();
        MessageService::clearShown();
    }

    void upgradesAnInitialDatabaseThenLeavesItAlone_data()
    {
        QTest::addColumn<MsgResult>("answer");
        QTest::newRow("yes") << MsgResult::Yes;
        QTest::newRow("no") << MsgResult::No;
    }

    void upgradesAnInitialDatabaseThenLeavesItAlone()
    {
        QFETCH(MsgResult, answer);
        TempDb db(TempDb::Initial);
        putACallIn(db);
        TdmCmn& dm = db.dm();
        QVERIFY(!dm.IBDatabase1.connected()); // the first probe attaches
        GUseAccept = answer != MsgResult::Yes;
        MessageService::setNextAnswer(answer);
        RecordingNotice notice;
        InitTables(dm, &notice);

        QCOMPARE(MessageService::shown().size(), 1);
        QCOMPARE(MessageService::shown().first().text, kQuestion);
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Information);
        QCOMPARE(MessageService::shown().first().buttons, MsgButtons::YesNo);
        QCOMPARE(GUseAccept, answer == MsgResult::Yes);
        QVERIFY(!gIni->KeyExists(QStringLiteral("BASIC"), QStringLiteral("USE_ACCEPT")));
        QCOMPARE(notice.calls, QStringList({QStringLiteral("begin"), QStringLiteral("step"), QStringLiteral("step"),
                                            QStringLiteral("step"), QStringLiteral("step"), QStringLiteral("step"),
                                            QStringLiteral("step"), QStringLiteral("step"), QStringLiteral("step"),
                                            QStringLiteral("end")}));
        QVERIFY(!dm.PostalLookupAvailable);
        QCOMPARE(portRows(db), QStringLiteral("1"));
        QCOMPARE(dm.tblInterface.sql(), QStringLiteral("select * from INTERFACE order by IF_NO"));
        verifyCurrent(db);

        // A second start: only probes, no question, no notice.
        MessageService::clearShown();
        dm.PostalLookupAvailable = true;
        StatementLog log;
        log.attach(dm);
        RecordingNotice again;
        InitTables(dm, &again);
        QCOMPARE(log.changes(), QStringList());
        QVERIFY(!log.all.isEmpty());
        QVERIFY(MessageService::shown().isEmpty());
        QVERIFY(again.calls.isEmpty());
        QVERIFY(!dm.PostalLookupAvailable);
    }

    // The 要注意 flag: read as off before the upgrade; after it, kept through the statements
    // a PC still on the previous version runs on the same phone book.
    void cautionFlagBesideThePreviousVersion()
    {
        TempDb db(TempDb::Initial);
        TdmCmn& dm = db.dm();
        MessageService::setNextAnswer(MsgResult::No);
        dm.InsertTels(TTels{"0311112222", "0311112222", "山田", "やまだ"});
        TTels t;
        QVERIFY(dm.GetTels("0311112222", t));
        QVERIFY(!t.Caution);

        InitTables(dm, nullptr);
        dm.SetTelsCaution("0311112222", true, "詐欺の疑い");
        // What the previous version does: its own insert and update, and its lookup by name.
        dm.ExecSql("insert into TELS ( TEL_NO, CUST_TEL_NON, CALLER, READ_NAME, UPDT) values ('0322223333', "
                   "'0322223333', '佐藤', 'さとう', CURRENT_TIMESTAMP )");
        dm.UpdateTels(TTels{"0311112222", "0311112222", "山田商店", "やまだ"});
        QVERIFY(dm.GetTels("0311112222", t));
        QCOMPARE(t.Caller, QString("山田商店"));
        QVERIFY(t.Caution);
        QCOMPARE(t.CautionNote, QString("詐欺の疑い"));
        QVERIFY(dm.GetTels("0322223333", t));
        QVERIFY(!t.Caution);
        QVERIFY(t.CautionNote.isEmpty());
        dm.SetTelsCaution("0311112222", false, "詐欺の疑い");
        QVERIFY(dm.GetTels("0311112222", t));
        QVERIFY(!t.Caution);
        QVERIFY(t.CautionNote.isEmpty());
    }

    void noQuestionWhenTheProgramLinkIsOn()
    {
        FEnv.writeIni(QStringLiteral("[LINK]\nENABLED=1\n"));
        TempDb db(TempDb::Initial);
        GUseAccept = false;
        InitTables(db.dm(), nullptr);
        QVERIFY(MessageService::shown().isEmpty());
        QVERIFY(!GUseAccept);
        verifyCurrent(db);
    }

    // A database made just now holds nothing a shop entered: nothing to announce, and the
    // response setting stays as the settings file has it.
    void noQuestionOnAFreshDatabase_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<bool>("useAccept");
        QTest::newRow("default") << QString() << false;
        QTest::newRow("switched on") << QStringLiteral("[BASIC]\nUSE_ACCEPT=1\n") << true;
    }

    void noQuestionOnAFreshDatabase()
    {
        QFETCH(QString, ini);
        QFETCH(bool, useAccept);
        FEnv.writeIni(ini);
        LoadStartupSettings();
        TempDb db(TempDb::Initial);
        MessageService::setNextAnswer(useAccept ? MsgResult::No : MsgResult::Yes); // must not be taken
        InitTables(db.dm(), nullptr);
        QCOMPARE(MessageService::shownTexts(), QStringList());
        QCOMPARE(GUseAccept, useAccept);
        verifyCurrent(db);
        MessageService::clearAnswers();
    }

    void portRowsFromSettings_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("rows");
        QTest::newRow("first missing, second not a number") << "[RS232C]\nPORT_NO_2=COM2\nPORT_NO_3=5\n" << "1,5";
        QTest::newRow("first empty") << "[RS232C]\nPORT_NO_1=\nPORT_NO_2=4\n" << "4";
        // The same number twice would break the key and stop the upgrade.
        QTest::newRow("same number twice") << "[RS232C]\nPORT_NO_1=2\nPORT_NO_2= 2\nPORT_NO_3=2\n" << "2";
    }

    void portRowsFromSettings()
    {
        QFETCH(QString, ini);
        QFETCH(QString, rows);
        FEnv.writeIni(ini);
        TempDb db(TempDb::Initial);
        InitTables(db.dm(), nullptr);
        QCOMPARE(portRows(db), rows);
    }

    // A failure part-way through the response tables: the next start completes the step,
    // asks the question then, and writes each initial row once.
    void resumesStep1AfterAFailure_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::newRow("first type row") << "insert into ACCEPT_TYPE";
        QTest::newRow("result table") << "CREATE TABLE ACCEPT_RESULT";
        QTest::newRow("generator") << "create generator SEQ_ACCEPT_NO";
        QTest::newRow("call index") << "CREATE INDEX IDX_ACCEPT_T_LOG_NO";
        QTest::newRow("port table") << "CREATE TABLE PORT_T";
        QTest::newRow("port rows") << "insert into PORT_T";
        QTest::newRow("option choices table") << "CREATE TABLE OPTION_D_M";
    }

    void resumesStep1AfterAFailure()
    {
        QFETCH(QString, failAt);
        FEnv.writeIni(QStringLiteral("[RS232C]\nPORT_NO_2=3\n"));
        TempDb db(TempDb::Initial);
        putACallIn(db);
        TdmCmn& dm = db.dm();
        StatementLog log;
        log.failAt = failAt;
        log.attach(dm);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, InitTables(dm, nullptr));
        // Put back from the copy and tried once more, failing again.
        QCOMPARE(MessageService::shownTexts(), QStringList{restoredText(db)});
        MessageService::clearShown();

        log.failAt.clear();
        MessageService::setNextAnswer(MsgResult::Yes);
        GUseAccept = false;
        InitTables(dm, nullptr);
        QCOMPARE(MessageService::shownTexts(), QStringList({kQuestion}));
        QVERIFY(GUseAccept);
        QCOMPARE(portRows(db), QStringLiteral("1,3"));
        verifyCurrent(db);
    }

    // A failure between the indexes: the next start builds the ones still missing.
    void resumesStep8AfterAFailure()
    {
        TempDb db(TempDb::Initial);
        TdmCmn& dm = db.dm();
        StatementLog log;
        log.failAt = QStringLiteral("CREATE INDEX IDX_ACCEPT_T_CUST_NO");
        log.attach(dm);
        RecordingNotice notice;
        QVERIFY_THROWS_EXCEPTION(DatabaseError, InitTables(dm, &notice));
        QCOMPARE(notice.calls.first(), QStringLiteral("begin"));
        QCOMPARE(notice.calls.last(), QStringLiteral("end")); // the notice does not stay up
        QVERIFY(hasIndex(db, "IDX_ACCEPT_T_ACT_DT"));
        QVERIFY(!hasIndex(db, "IDX_ACCEPT_T_CUST_NO"));

        log.failAt.clear();
        log.all.clear();
        RecordingNotice second;
        InitTables(dm, &second);
        QCOMPARE(log.changes().filter(QStringLiteral("CREATE INDEX")),
                 QStringList({QStringLiteral("CREATE INDEX IDX_ACCEPT_T_CUST_NO ON ACCEPT_T (CUST_NO)"),
                              QStringLiteral("CREATE INDEX IDX_ACCEPT_T_RESULT_ID ON ACCEPT_T (RESULT_ID)"),
                              QStringLiteral("CREATE INDEX IDX_ACCEPT_T_TYPE_ID ON ACCEPT_T (TYPE_ID)"),
                              QStringLiteral("CREATE INDEX IDX_ACCEPT_T_USERID ON ACCEPT_T (USERID)")}));
        QCOMPARE(second.calls.size(), 6); // begin, four steps, end
        verifyCurrent(db);
    }

    void buildsAnIndexMissingBesideTheFirst()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.ExecSql(QStringLiteral("DROP INDEX IDX_TELS_CUST_TEL_NON"));
        StatementLog log;
        log.attach(dm);
        InitTables(dm, nullptr);
        QCOMPARE(log.changes(), QStringList({QStringLiteral("CREATE INDEX IDX_TELS_CUST_TEL_NON ON TELS (CUST_TEL_NON)")}));
    }

    // Databases of earlier versions have the day index ascending: the day's list sorted
    // every row. The index is rebuilt descending, once.
    void rebuildsTheDayIndexDescending()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.ExecSql(QStringLiteral("DROP INDEX IDX_LOG_DT_FROM"));
        dm.ExecSql(QStringLiteral("CREATE INDEX IDX_LOG_DT_FROM ON LOG (DT_FROM)"));
        StatementLog log;
        log.attach(dm);
        RecordingNotice notice;
        InitTables(dm, &notice);
        QCOMPARE(log.changes(), QStringList({QStringLiteral("DROP INDEX IDX_LOG_DT_FROM"),
                                             QStringLiteral("CREATE DESCENDING INDEX IDX_LOG_DT_FROM ON LOG (DT_FROM)")}));
        QCOMPARE(notice.calls, QStringList({QStringLiteral("begin"), QStringLiteral("step"), QStringLiteral("end")}));
        verifyCurrent(db);
        log.all.clear();
        InitTables(dm, nullptr);
        QCOMPARE(log.changes(), QStringList());
    }

    // Databases of earlier versions share one plain work table among all attachments: it
    // becomes each attachment's own, once.
    void makesAnEarlierSharedWorkTablePrivate()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.ExecSql(QStringLiteral("DROP TABLE PRINT1"));
        dm.ExecSql(QStringLiteral("CREATE TABLE PRINT1 (TEL_NO VARCHAR(100), CALLER VARCHAR(200), TOTAL INTEGER)"));
        StatementLog log;
        log.attach(dm);
        InitTables(dm, nullptr);
        QCOMPARE(log.changes(),
                 QStringList({QStringLiteral("DROP TABLE PRINT1"),
                              QStringLiteral("CREATE GLOBAL TEMPORARY TABLE PRINT1 (TEL_NO VARCHAR(100), CALLER "
                                             "VARCHAR(200), TOTAL INTEGER) ON COMMIT PRESERVE ROWS")}));
        QCOMPARE(db.scalar(QStringLiteral("select RDB$RELATION_TYPE from RDB$RELATIONS where RDB$RELATION_NAME = 'PRINT1'")),
                 QStringLiteral("4"));
        log.all.clear();
        InitTables(dm, nullptr);
        QCOMPARE(log.changes(), QStringList());
    }

    void keepsColumnsAlreadyWide()
    {
        TempDb db(TempDb::Initial);
        TdmCmn& dm = db.dm();
        dm.ExecSql(QStringLiteral("ALTER TABLE LOG ALTER COLUMN TEL_MEMO TYPE VARCHAR(5000)"));
        dm.ExecSql(QStringLiteral("ALTER TABLE CUSTOMER ALTER COLUMN MAP_URL TYPE VARCHAR(1000)"));
        StatementLog log;
        log.attach(dm);
        InitTables(dm, nullptr);
        QCOMPARE(log.changes().filter(QStringLiteral("TEL_MEMO")), QStringList());
        QCOMPARE(log.changes().filter(QStringLiteral("MAP_URL")), QStringList());
        QCOMPARE(dm.GetFieldLength(QStringLiteral("LOG"), QStringLiteral("TEL_MEMO")), 5000);
        QCOMPARE(dm.GetFieldLength(QStringLiteral("CUSTOMER"), QStringLiteral("MAP_URL")), 1000);
    }

    // The first change of a start is preceded by a consistent copy, removed once the
    // upgrade has completed.
    void copiesBeforeTheFirstChangeAndRemovesTheCopy()
    {
        TempDb db(TempDb::Initial);
        TdmCmn& dm = db.dm();
        StatementLog log;
        log.attach(dm);
        InitTables(dm, nullptr);
        QStringList writes;
        for (const QString& s : log.all)
            if (!s.startsWith(QLatin1String("select"), Qt::CaseInsensitive))
                writes << s;
        QCOMPARE(writes.first(), QStringLiteral("ALTER DATABASE BEGIN BACKUP"));
        QCOMPARE(writes.at(1), QStringLiteral("ALTER DATABASE END BACKUP"));
        const QString copy = db.path() + QStringLiteral(".before-upgrade");
        QVERIFY(logText().contains(QStringLiteral("InitTables copy before the upgrade: ") + copy));
        QVERIFY(!QFileInfo::exists(copy));
        verifyCurrent(db);
    }

    // A failed step names the copy and how to put it back; doing so and starting again
    // completes the upgrade from the state before it.
    void failureNamesTheCopyThatRestores()
    {
        TempDb db(TempDb::Initial);
        TdmCmn& dm = db.dm();
        StatementLog log;
        log.failAt = QStringLiteral("CREATE TABLE ACCEPT_RESULT");
        log.attach(dm);
        const QString copy = db.path() + QStringLiteral(".before-upgrade");
        QString message;
        try {
            InitTables(dm, nullptr);
        } catch (const DatabaseError& e) {
            message = e.message();
        }
        QVERIFY(message.startsWith(QStringLiteral("injected failure")));
        QVERIFY2(message.contains(copy) && message.contains(QStringLiteral("置き換えて")), qPrintable(message));
        QVERIFY(hasTable(db, "ACCEPT_TYPE")); // changed before the failure
        QVERIFY(!fileHasTable(copy, "ACCEPT_TYPE"));

        // A second failing start keeps the older copy.
        QVERIFY_THROWS_EXCEPTION(DatabaseError, InitTables(dm, nullptr));
        QVERIFY(!fileHasTable(copy, "ACCEPT_TYPE"));

        // Put back as the message says, then start again.
        dm.IBDatabase1.close();
        QVERIFY(QFile::remove(db.path()));
        QVERIFY(QFile::rename(copy, db.path()));
        log.failAt.clear();
        MessageService::setNextAnswer(MsgResult::Yes);
        InitTables(dm, nullptr);
        verifyCurrent(db);
        QVERIFY(!QFileInfo::exists(copy));
    }

    // A step that fails once (as after a kill inside a metadata change at an earlier start,
    // which left its copy) is no dead end: the copy is put back and the upgrade runs again.
    void failedStepPutsTheCopyBackAndRunsAgain_data()
    {
        QTest::addColumn<QString>("failAt");
        QTest::newRow("a change") << "CREATE TABLE OUT_PLAN_T";
        QTest::newRow("the first probe") << "SELECT RDB$RELATION_NAME";
    }

    void failedStepPutsTheCopyBackAndRunsAgain()
    {
        QFETCH(QString, failAt);
        TempDb db(TempDb::Initial);
        putACallIn(db);
        TdmCmn& dm = db.dm();
        const QString copy = db.path() + QStringLiteral(".before-upgrade");
        QVERIFY(QFile::copy(db.path(), copy));
        // The interrupted start got as far as this before the kill.
        dm.ExecSql(QStringLiteral("CREATE TABLE ACCOUNT (USERID VARCHAR(60) NOT NULL)"));
        int failures = 0;
        dm.IBDatabase1.setStatementHook([&](const QString& sql) {
            if (sql.startsWith(failAt) && failures++ == 0)
                throw DatabaseError(QStringLiteral("damaged catalogue"));
        });
        MessageService::setNextAnswer(MsgResult::Yes);
        InitTables(dm, nullptr);
        dm.IBDatabase1.setStatementHook({});
        QCOMPARE(MessageService::shownTexts(), failAt.startsWith("CREATE")
                                                   ? QStringList({kQuestion, restoredText(db)})
                                                   : QStringList({restoredText(db), kQuestion}));
        if (failAt.startsWith(QLatin1String("CREATE")))
            QVERIFY(GUseAccept); // asked once, the answer kept for the second run
        QVERIFY(hasColumn(db, "ACCOUNT", "DISPNM")); // made again from the copy
        verifyCurrent(db);
        QVERIFY(!QFileInfo::exists(copy));
        QVERIFY(!QFileInfo::exists(db.path() + QStringLiteral(".restoring")));
        QVERIFY(logText().contains(QStringLiteral("the database was put back from ") + copy));
    }

    // Two PCs starting together: every change made by the other program just before ours is
    // found made, and the start goes on.
    void stepsMadeMeanwhileByAnotherProgramAreNoError()
    {
        TempDb db(TempDb::Initial);
        putACallIn(db);
        TdmCmn& dm = db.dm();
        FbDatabase other;
        other.setDatabaseName(db.path());
        other.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                         QStringLiteral("lc_ctype=ASCII")});
        other.setSqlDialect(1);
        int madeByOther = 0;
        dm.IBDatabase1.setStatementHook([&](const QString& sql) {
            if (sql.startsWith(QLatin1String("select"), Qt::CaseInsensitive) ||
                sql.startsWith(QLatin1String("ALTER DATABASE")))
                return;
            try {
                other.execute(sql);
                ++madeByOther;
            } catch (const AppError&) {
            }
        });
        MessageService::setNextAnswer(MsgResult::Yes);
        InitTables(dm, nullptr);
        dm.IBDatabase1.setStatementHook({});
        other.close();
        QVERIFY(madeByOther > 20);
        QVERIFY(logText().contains(
            QStringLiteral("InitTables: made meanwhile by another program: CREATE TABLE ACCEPT_RESULT")));
        verifyCurrent(db);
        QCOMPARE(
            db.scalar(QStringLiteral("select RDB$RELATION_TYPE from RDB$RELATIONS where RDB$RELATION_NAME = 'PRINT1'")),
            QStringLiteral("4")); // each attachment's own rows
        QCOMPARE(MessageService::shownTexts(), QStringList{kQuestion});
    }

    // A copy killed between its begin and end left the database locked: the start ends it.
    void endsAStaleBackupLock()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.ExecSql(QStringLiteral("ALTER DATABASE BEGIN BACKUP"));
        dm.IBDatabase1.close();
        QCOMPARE(DatabaseCopy::BackupState(dm), 1);
        {
            // Someone else attached (another PC on a server) may be copying: left alone.
            FbDatabase other;
            other.setDatabaseName(db.path());
            other.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                             QStringLiteral("lc_ctype=ASCII")});
            other.setSqlDialect(1);
            other.open();
            QVERIFY(!DatabaseCopy::EndStaleBackupLock(dm));
            QCOMPARE(DatabaseCopy::BackupState(dm), 1);
            other.close();
        }
        InitTables(dm, nullptr);
        QCOMPARE(DatabaseCopy::BackupState(dm), 0);
    }

    // Indices built on the empty initial database say nothing of the calls that came since
    // until their figures are refreshed; then the customer's history is read through them.
    void indexStatisticsFollowTheData()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.ExecSql(QStringLiteral(
            "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 400) DO BEGIN "
            "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE) VALUES (gen_id(SEQ_LOG_NO, 1), "
            "CAST('2026/01/01' AS DATE) + :i, '03' || lpad(mod(:i, 200), 8, '0'), 'x'); "
            "INSERT INTO TELS (TEL_NO, CUST_TEL_NON) VALUES ('05' || lpad(:i, 8, '0'), '05' || lpad(mod(:i, 100), 8, '0')); "
            "i = i + 1; END END"));
        const QString figure = QStringLiteral("select RDB$STATISTICS from RDB$INDICES where RDB$INDEX_NAME = '%1'");
        QCOMPARE(db.scalar(figure.arg("IDX_LOG_TEL_NO")).toDouble(), 0.0);
        RefreshIndexStatistics(dm);
        QVERIFY(qAbs(db.scalar(figure.arg("IDX_LOG_TEL_NO")).toDouble() - 1.0 / 200) < 1e-6);
        QVERIFY(qAbs(db.scalar(figure.arg("IDX_TELS_CUST_TEL_NON")).toDouble() - 1.0 / 100) < 1e-6);

        // Refreshed again only when a table grew by more than a tenth, or when marked stale.
        QVERIFY(!IndexStatistics::Stale(dm));
        const QString calls = QStringLiteral(
            "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
            "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE) VALUES (gen_id(SEQ_LOG_NO, 1), "
            "CAST('2027/01/01' AS DATE), '0399999999', 'x'); i = i + 1; END END");
        dm.ExecSql(calls.arg(40));
        QVERIFY(!IndexStatistics::RefreshWhenStale(dm));
        dm.ExecSql(calls.arg(1));
        QVERIFY(IndexStatistics::RefreshWhenStale(dm));
        QVERIFY(qAbs(db.scalar(figure.arg("IDX_LOG_TEL_NO")).toDouble() - 1.0 / 201) < 1e-6);
        QVERIFY(!IndexStatistics::Stale(dm));
        IndexStatistics::MarkStale(dm);
        QVERIFY(IndexStatistics::Stale(dm));
        QVERIFY(IndexStatistics::RefreshWhenStale(dm));
        QVERIFY(!IndexStatistics::Stale(dm));
        // An upgrade that changed something wants fresh figures; one with nothing to do does not.
        InitTables(dm, nullptr);
        QVERIFY(!IndexStatistics::Stale(dm));
        dm.ExecSql(QStringLiteral("DROP INDEX IDX_LOG_TEL_NO"));
        InitTables(dm, nullptr);
        QVERIFY(IndexStatistics::Stale(dm));
    }

    void postalMastersSwitchTheLookupOn()
    {
        TempDb db(TempDb::Initial);
        TdmCmn& dm = db.dm();
        dm.ExecSql(QStringLiteral("create table PREF_M (PREF_CD varchar(4), PREF_NAME varchar(20))"));
        InitTables(dm, nullptr);
        QVERIFY(dm.PostalLookupAvailable);
    }
};

QTEST_GUILESS_MAIN(TstSchemaUpgrade)
#include "tst_schemaupgrade.moc"
