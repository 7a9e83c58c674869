#include "LargeDatabase.h"

#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/SharedData.h"
#include "core/StartupSettings.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

namespace LargeDatabase {

void AddOptions(QCommandLineParser& parser)
{
    parser.addOption({"keep", "Keep (and reuse) the data in DIR.", "DIR"});
    parser.addOption({"rows", "Call-log rows to generate.", "N", "1000000"});
    parser.addOption({"trace-off", "Switch the diagnostic trace off (it is on in the program)."});
}

TdmCmn* Open(const QCommandLineParser& parser, const QString& scratch, const Generator& generate)
{
    TdmCmn* dm = Open(parser.isSet("keep") ? parser.value("keep") : scratch, parser.value("rows").toInt(), generate);
    gTraceOn = !parser.isSet("trace-off");
    std::printf("diagnostic trace %s\n", gTraceOn ? "on" : "off");
    return dm;
}

TdmCmn* Open(const QString& root, int logRows, const Generator& generate)
{
    QDir().mkpath(root);
    qputenv("ZUVARO_DATA_ROOT", root.toUtf8());
    qputenv("ZUVARO_UNATTENDED", "no");
    SharedData::PrepareProcess();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    LoadStartupSettings();

    const QString path = root + QStringLiteral("/bench.fdb");
    const bool fresh = !QFileInfo::exists(path);
    if (fresh)
        InitialDatabase::Create(path);
    dmCmn = new TdmCmn(path);
    QElapsedTimer t;
    t.start();
    InitTables(*dmCmn, nullptr);
    std::printf("schema upgrade %.1f ms\n", double(t.elapsed()));
    if (fresh)
        (generate ? generate : Generator(Generate))(*dmCmn, logRows);
    // As the program does at each start, here after the data was made.
    RefreshIndexStatistics(*dmCmn);
    return dmCmn;
}

void Generate(TdmCmn& dm, int logRows)
{
    QElapsedTimer t;
    t.start();
    // Server-side loops: a million single inserts from here would take a quarter of an hour.
    dm.ExecSql(QStringLiteral(
        "EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < 100000) DO BEGIN "
        "INSERT INTO CUSTOMER (CUST_NO, CUST_NAME, CUST_KANA, CUST_TEL, CUST_TEL_NON, SEX, UPDT) VALUES "
        "(gen_id(SEQ_CUST_NO, 1), 'Customer ' || :i, 'kana', '04' || lpad(:i, 8, '0'), '04' || lpad(:i, 8, '0'), 0, "
        "CURRENT_TIMESTAMP); "
        "INSERT INTO TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME, UPDT) VALUES "
        "('03' || lpad(:i, 8, '0'), '03' || lpad(:i, 8, '0'), 'Caller ' || :i, 'reading', CURRENT_TIMESTAMP); "
        "i = i + 1; END END"));
    dm.ExecSql(
        QStringLiteral("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
                       "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_TERM, TEL_MEMO, TEL_TIME, PORT_NO) "
                       "VALUES (gen_id(SEQ_LOG_NO, 1), CAST('2022/01/01' AS DATE) + (:i * 1095.0 / %1), "
                       "'03' || lpad(mod(:i * 7, 100000), 8, '0'), '着信', '0:00:00', '', 0, 60600); "
                       "i = i + 1; END END")
            .arg(logRows));
    std::printf("generated %d call-log rows, 100000 phone-book entries and customers in %.1f s\n", logRows,
                t.elapsed() / 1000.0);
}

} // namespace LargeDatabase
