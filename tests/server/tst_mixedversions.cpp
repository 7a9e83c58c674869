// A PC still running the previous version beside one with this version, on one Firebird
// server, after this version upgraded the database: both take calls, and the previous
// version's phone-book updates keep the 要注意 flag. The previous build is named by
// ZUVARO_PREVIOUS_PROGRAM (a zuvaro3 built from the earlier release); without it the test skips.

#include "core/AppGlobals.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "support/FbServer.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Pc
{
    QString root;
    int port = 0;
    ProgramRunner runner;
    QProcess* program = nullptr;
    std::unique_ptr<QProcess> phone;

    QString log() const
    {
        const QString rel = QDir(AppPaths::dataRoot()).relativeFilePath(gCurLogFile);
        QFile f(QDir(root).filePath(rel));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    bool waitForLog(const QString& text, int timeoutMs = 30000) const
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < timeoutMs) {
            if (log().contains(text))
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    // Started, linked to its phone and listening for the other PC's calls.
    void bringUp()
    {
        program = runner.start();
        QVERIFY2(waitForLog(QStringLiteral("TfrmMain.ReadRegistry"), 150000), qPrintable(log().right(3000)));
        phone = PhoneSim::Start(port, {"--own-number", "09011110000"});
        QVERIFY2(phone, qPrintable(log().right(3000)));
        QVERIFY2(waitForLog(QString::fromUtf8("Android版 Ver. "), 60000), qPrintable(log().right(3000)));
        QVERIFY(waitForLog(QStringLiteral("FbEventListener listening")));
    }
};

void writeIni(const QString& root, const QString& dbPath, int port)
{
    const QString dir = QDir(root).filePath(QStringLiteral("ordova/zuvaro3"));
    QDir().mkpath(dir);
    QFile f(QDir(dir).filePath(QStringLiteral("zuvaro3.ini")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QString::fromUtf8("[ZUVARO_DB]\nDB_PATH=%1\nDB_USER=zuvaro\nDB_PASSWORD=shop-secret\n"
                              "[ADAPTA]\nCOUNT=1\nPORT_NO_1=%2\nDISP_NAME_1=店\nREAD_NAME_1=みせ\nDEVICE_INDEX_1=0\n")
                .arg(dbPath)
                .arg(port)
                .toUtf8());
}

QString scalar(FbDatabase& db, const QString& sql)
{
    FbQuery q(db);
    q.setSql(sql);
    q.open();
    const QString v = q.eof() ? QString() : q.field(0).asString();
    q.close();
    return v;
}

} // namespace

class TestMixedVersions : public QObject
{
    Q_OBJECT

private slots:
    void previousVersionBesideThisOne()
    {
        const QString previous = qEnvironmentVariable("ZUVARO_PREVIOUS_PROGRAM");
        if (previous.isEmpty() || !QFileInfo(previous).isExecutable())
            QSKIP("ZUVARO_PREVIOUS_PROGRAM does not name a build of the previous version");
        if (!FbServer::Installed())
            QSKIP("the Firebird server package is not installed (scripts/deps.sh installs it)");
        TestEnv env;
        FbServer server;
        QString error;
        QVERIFY2(server.addUser(QStringLiteral("ZUVARO"), QStringLiteral("shop-secret"), &error), qPrintable(error));
        QVERIFY2(server.start(&error), qPrintable(error));
        const QString file = QDir(server.dir()).filePath(QStringLiteral("data/ZUVARODB.FDB"));
        QProcess initdb;
        initdb.setProcessChannelMode(QProcess::ForwardedChannels);
        initdb.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-initdb/zuvaro3-initdb")),
                     {QStringLiteral("--owner"), QStringLiteral("zuvaro"), file});
        QVERIFY(initdb.waitForFinished(60000));
        QCOMPARE(initdb.exitCode(), 0);
        const QString dbPath = server.remotePath(file);

        QTemporaryDir otherRoot;
        Pc now;
        Pc before;
        now.root = AppPaths::dataRoot();
        before.root = otherRoot.filePath(QStringLiteral("data"));
        for (const char* sub : {"config", "home", "runtime"})
            QDir(otherRoot.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(otherRoot.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        before.runner.setEnv(QStringLiteral("ZUVARO_DATA_ROOT"), before.root);
        before.runner.setEnv(QStringLiteral("XDG_CONFIG_HOME"), otherRoot.filePath(QStringLiteral("config")));
        before.runner.setEnv(QStringLiteral("XDG_RUNTIME_DIR"), otherRoot.filePath(QStringLiteral("runtime")));
        before.runner.setEnv(QStringLiteral("HOME"), otherRoot.filePath(QStringLiteral("home")));
        before.runner.setProgram(previous);
        for (Pc* pc : {&now, &before}) {
            pc->port = PhoneSim::FreePort();
            writeIni(pc->root, dbPath, pc->port);
        }

        // This version upgrades the schema first; a number is flagged; then the previous one starts.
        now.bringUp();
        FbDatabase db;
        db.setDatabaseName(dbPath);
        db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                      QStringLiteral("lc_ctype=NONE")});
        QCOMPARE(scalar(db, "select count(*) from RDB$RELATION_FIELDS where RDB$RELATION_NAME = 'TELS' and "
                            "RDB$FIELD_NAME in ('CAUTION', 'CAUTION_NOTE')"),
                 QStringLiteral("2"));
        now.phone->write("0311110001\n");
        QTRY_COMPARE_WITH_TIMEOUT(scalar(db, "select count(*) from LOG where TEL_NO = '0311110001'"),
                                  QStringLiteral("1"), 20000);
        {
            FbQuery q(db);
            q.setSql("update TELS set CAUTION = '1', CAUTION_NOTE = 'note' where TEL_NO = '0311110001'");
            q.exec();
        }
        db.close();
        before.bringUp();

        // Both take calls: the flagged number, a new caller, on either PC.
        before.phone->write("0311110001\n");
        before.phone->write("0322220002\n");
        now.phone->write("0322220002\n");
        now.phone->write("0311110001\n");
        QTRY_COMPARE_WITH_TIMEOUT(scalar(db, "select count(*) from LOG where TEL_NO = '0311110001'"),
                                  QStringLiteral("3"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(scalar(db, "select count(*) from LOG where TEL_NO = '0322220002'"),
                                  QStringLiteral("2"), 30000);
        QCOMPARE(scalar(db, "select count(*) from TELS where TEL_NO = '0322220002'"), QStringLiteral("1"));
        QCOMPARE(scalar(db, "select CAUTION || CAUTION_NOTE from TELS where TEL_NO = '0311110001'"),
                 QStringLiteral("1note"));
        QVERIFY(now.waitForLog(QStringLiteral("TfrmMain.LogInserted")));
        QVERIFY(before.waitForLog(QStringLiteral("TfrmMain.LogInserted")));
        db.close();

        QCOMPARE(now.runner.terminate(now.program), 0);
        QCOMPARE(before.runner.terminate(before.program), 0);
        QVERIFY2(!before.log().contains(QStringLiteral("E.Message")), qPrintable(before.log().right(3000)));
    }
};

QTEST_GUILESS_MAIN(TestMixedVersions)
#include "tst_mixedversions.moc"
