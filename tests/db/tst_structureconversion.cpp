// A database file of the older on-disk structure carried over to the engine in use, with
// both series' tools as Debian installs them side by side.

#include "core/AppGlobals.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/StructureConversion.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <QThread>

#include <csignal>
#include <memory>

namespace {
QByteArray Digest(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result();
}

// Made by the older series' own isql: a file as a PC of the older release has it.
bool MakeOldFile(const QString& file, QString* error)
{
    QProcess isql;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD_VERSION"), QStringLiteral("3.0"));
    isql.setProcessEnvironment(env);
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start(QStringLiteral("/usr/bin/isql-fb"), {QStringLiteral("-q")});
    QString script = QStringLiteral("create database '%1' user SYSDBA page_size 8192 default character set NONE;\n"
                                    "create table CUST (CUST_NO integer not null primary key, CUST_NAME varchar(40), "
                                    "MEMO blob sub_type 1);\n"
                                    "create table CALL_LOG (LOG_NO integer not null, TEL_NO varchar(20));\n"
                                    "create table EMPTY_M (ID integer);\n"
                                    "commit;\n"
                                    "insert into CUST values (1, 'Yamada Shoten', 'line one\nline two');\n")
                         .arg(file);
    for (int i = 0; i < 250; ++i)
        script += QStringLiteral("insert into CALL_LOG values (%1, '03%2');\n").arg(i).arg(i, 8, 10, QLatin1Char('0'));
    script += QStringLiteral("commit;\n");
    isql.write(script.toUtf8());
    isql.closeWriteChannel();
    isql.waitForFinished(60000);
    *error = QString::fromUtf8(isql.readAll());
    return isql.exitCode() == 0 && !error->contains(QLatin1String("failed"));
}
struct ToolRun
{
    int code;
    QString err;
};

ToolRun RunTool(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(TestEnv::binary(QStringLiteral("tools/%1/%1").arg(tool)), args);
    if (!p.waitForFinished(120000))
        return {-1, QString()};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}
} // namespace

class TstStructureConversion : public QObject
{
    Q_OBJECT

    TestEnv FEnv;
    // Each test's folder, with a file of the older structure in it where both series are here.
    std::unique_ptr<QTemporaryDir> FDir;
    QString FFile;
    QByteArray FBefore;

    // Why this machine cannot convert; empty when both series are installed.
    static QString missingSeries()
    {
        if (StructureConversion::EngineStructure() < 13)
            return QStringLiteral("the engine in use opens the older structure itself (Firebird 3): nothing to convert");
        for (const char* tool : {"/usr/lib/firebird/3.0/bin/gbak", "/usr/lib/firebird/3.0/bin/isql-fb",
                                 "/usr/lib/firebird/4.0/bin/gbak"})
            if (!QFileInfo(QLatin1String(tool)).isExecutable())
                return QStringLiteral("%1 is not installed (Debian 13: scripts/deps.sh installs it)")
                    .arg(QLatin1String(tool));
        return QString();
    }

    // The program's database (in the data root all cases share) as the older file.
    QString freshLiveFile() const
    {
        const QString live = AppPaths::defaultDatabasePath();
        QDir dir(QFileInfo(live).path());
        dir.mkpath(dir.path());
        for (const QString& name : dir.entryList({QFileInfo(live).fileName() + QLatin1Char('*')}, QDir::Files))
            dir.remove(name);
        QFile::copy(FFile, live);
        return live;
    }

private slots:
    void init()
    {
        FDir = std::make_unique<QTemporaryDir>();
        FFile = FDir->filePath(QStringLiteral("ZUVARODB.FDB"));
        const QString missing = missingSeries();
        if (!missing.isEmpty()) {
            if (QLatin1String(QTest::currentTestFunction()) != QLatin1String("detection"))
                QSKIP(qPrintable(missing));
            return;
        }
        QString error;
        QVERIFY2(MakeOldFile(FFile, &error), qPrintable(error));
        FBefore = Digest(FFile);
    }

    // The structure is read from the header page; only a local file of an older one is
    // converted.
    void detection()
    {
        QTemporaryDir& dir = *FDir;
        const QString current = dir.filePath(QStringLiteral("current.fdb"));
        FbDatabase::createDatabase(current, QStringLiteral("SYSDBA"), QStringLiteral("pinewoodx"));
        QCOMPARE(StructureConversion::FileStructure(current), StructureConversion::EngineStructure());
        QVERIFY(!StructureConversion::Needed(current));

        const QString text = dir.filePath(QStringLiteral("text.fdb"));
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, '\x01'));
        f.close();
        QCOMPARE(StructureConversion::FileStructure(text), 0);
        QVERIFY(!StructureConversion::Needed(text));
        QCOMPARE(StructureConversion::FileStructure(dir.filePath(QStringLiteral("missing.fdb"))), 0);
        QVERIFY(!StructureConversion::Needed(QStringLiteral("dbhost:/var/lib/firebird/3.0/data/Z.FDB")));

        if (!missingSeries().isEmpty())
            QSKIP(qPrintable(missingSeries()));
        QCOMPARE(StructureConversion::FileStructure(FFile), 12);
        QVERIFY(StructureConversion::Needed(FFile));
    }

    // One step: every row carried over and readable by this engine, the original kept
    // unchanged under a second name, the file's mode kept, nothing left behind; a second
    // run finds nothing to do.
    void convertsInOneStep()
    {
        const QString& file = FFile;
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup));

        StructureConversion conversion(file);
        QVERIFY2(conversion.Run(), qPrintable(conversion.Failure()));
        const QMap<QString, qint64> rows{{"CALL_LOG", 250}, {"CUST", 1}, {"EMPTY_M", 0}};
        QCOMPARE(conversion.Rows(), rows);
        QCOMPARE(conversion.TotalRows(), 251);
        QCOMPARE(conversion.FromStructure(), 12);
        QCOMPARE(StructureConversion::FileStructure(file), 13);
        QVERIFY(!StructureConversion::Needed(file));
        QCOMPARE(Digest(conversion.KeptOriginal()), FBefore);
        QVERIFY(QFileInfo(conversion.KeptOriginal()).fileName().startsWith(QStringLiteral("ZUVARODB.FDB_ods12_")));
        QCOMPARE(QFileInfo(file).permissions(), QFileInfo(conversion.KeptOriginal()).permissions());
        QCOMPARE(QDir(FDir->path()).entryList(QDir::Files).size(), 2);
        QVERIFY(conversion.NoticeAfter().contains(QStringLiteral("251 行")));

        FbDatabase db;
        db.setDatabaseName(file);
        db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("lc_ctype=NONE")});
        FbQuery q(db);
        q.setSql(QStringLiteral("select CUST_NAME, MEMO from CUST"));
        q.open();
        QCOMPARE(q.fieldByName(QStringLiteral("CUST_NAME")).asString(), QStringLiteral("Yamada Shoten"));
        QCOMPARE(q.fieldByName(QStringLiteral("MEMO")).asString(), QStringLiteral("line one\nline two"));
        q.close();
        db.close();

        StructureConversion again(file);
        QVERIFY(!again.Run());
    }

    // Stopped half-way (or killed, leaving its work files): the original is untouched and
    // the next attempt starts again and succeeds.
    void stoppedHalfWayLeavesTheOriginal()
    {
        const QString& file = FFile;

        // Asked at the latest once the converted file is there, before it replaces the original.
        StructureConversion stopped(file);
        stopped.setCancelled([&file] {
            return QFileInfo::exists(file + QStringLiteral(".convert.fbk")) ||
                   QFileInfo::exists(file + QStringLiteral(".convert"));
        });
        QVERIFY(!stopped.Run());
        QCOMPARE(stopped.Failure(), QStringLiteral("stopped"));
        QCOMPARE(Digest(file), FBefore);
        QCOMPARE(QDir(FDir->path()).entryList(QDir::Files), QStringList{QStringLiteral("ZUVARODB.FDB")});
        QVERIFY(StructureConversion::Needed(file));

        // What a kill leaves: the work files of the interrupted attempt.
        for (const char* leftover : {"ZUVARODB.FDB.convert", "ZUVARODB.FDB.convert.fbk", "ZUVARODB.FDB.convert.src"}) {
            QFile f(FDir->filePath(QLatin1String(leftover)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("partial");
        }
        StructureConversion next(file);
        QVERIFY2(next.Run(), qPrintable(next.Failure()));
        QCOMPARE(next.TotalRows(), 251);
        QVERIFY(!QFileInfo::exists(file + QStringLiteral(".convert")));
        QVERIFY(!QFileInfo::exists(file + QStringLiteral(".convert.fbk")));
        QVERIFY(!QFileInfo::exists(file + QStringLiteral(".convert.src")));
    }

    // The program killed outright while it converts its database: the original is untouched,
    // nothing is kept under a second name, and the next start converts it.
    void programKilledWhileConverting()
    {
        const QString live = freshLiveFile();
        ProgramRunner runner;
        QProcess* first = runner.start();
        // The safety copy the older engine reads exists from the first step until the backup.
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(live + QStringLiteral(".convert.src")) && waited.elapsed() < 60000)
            QThread::usleep(500);
        QVERIFY(QFileInfo::exists(live + QStringLiteral(".convert.src")));
        ::kill(pid_t(first->processId()), SIGKILL);
        QVERIFY(first->waitForFinished(10000));
        QCOMPARE(Digest(live), FBefore);
        QVERIFY(StructureConversion::Needed(live));
        QVERIFY(QDir(QFileInfo(live).path()).entryList({QStringLiteral("*_ods12_*")}, QDir::Files).isEmpty());

        runner.start();
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("StructureConversion done"), 120000));
        QCOMPARE(StructureConversion::FileStructure(live), StructureConversion::EngineStructure());
        const QStringList kept = QDir(QFileInfo(live).path()).entryList({QStringLiteral("*_ods12_*")}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(Digest(QFileInfo(live).dir().filePath(kept.at(0))), FBefore);
        QVERIFY(!QFileInfo::exists(live + QStringLiteral(".convert.src")));
    }

    // The tools leave an older file as it is and say how to convert it; the backup list
    // marks an older copy as such instead of reading it.
    void toolsWithAnOlderFile()
    {
        const QString live = freshLiveFile();
        const QString folder = FEnv.path(QStringLiteral("backup"));
        QVERIFY(QDir().mkpath(folder));
        FEnv.writeIni(QStringLiteral("[BASIC]\nAUTO_BACKUP_PATH=") + folder + QStringLiteral("\n"));
        QVERIFY(QFile::copy(FFile, folder + QStringLiteral("/ZUVARODB_20240101_120000.FDB")));

        const QList<std::pair<QString, QStringList>> runs{
            {QStringLiteral("zuvaro3-export"), {QStringLiteral("--kind"), QStringLiteral("customers"), QStringLiteral("--out"),
                                                FEnv.path(QStringLiteral("c.csv"))}},
            {QStringLiteral("zuvaro3-report"), {QStringLiteral("--summary"), QStringLiteral("ranking"), QStringLiteral("--group"),
                                                QStringLiteral("number"), QStringLiteral("--from"), QStringLiteral("2024/01/01"),
                                                QStringLiteral("--to"), QStringLiteral("2024/01/31"), QStringLiteral("--pdf"),
                                                FEnv.path(QStringLiteral("r.pdf"))}},
            {QStringLiteral("zuvaro3-backup"), {QStringLiteral("--now")}},
        };
        for (const auto& [tool, args] : runs) {
            const ToolRun run = RunTool(tool, args);
            QVERIFY2(run.code != 0 && run.code != -1, qPrintable(tool));
            QVERIFY2(run.err.contains(QStringLiteral("the database %1 has the older on-disk structure 12").arg(live)),
                     qPrintable(tool + QStringLiteral(": ") + run.err));
            QVERIFY2(run.err.contains(QStringLiteral("zuvaro3-initdb --convert ") + live), qPrintable(run.err));
        }
        QCOMPARE(Digest(live), FBefore);

        const ToolRun listed = RunTool(QStringLiteral("zuvaro3-backup"), {QStringLiteral("--list")});
        QCOMPARE(listed.code, 0);
        QVERIFY2(listed.err.contains(QStringLiteral("ZUVARODB_20240101_120000.FDB  OLDER STRUCTURE 12 (converted when restored)")),
                 qPrintable(listed.err));
    }
};

QTEST_GUILESS_MAIN(TstStructureConversion)
#include "tst_structureconversion.moc"
