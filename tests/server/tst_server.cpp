// Several PCs on one Firebird server: a real server started by the test, two real program
// copies with data roots of their own, each with a phone of its own.

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
#include <QTemporaryDir>
#include <QtTest>

namespace {

// One PC: its data root, settings, program and phone.
struct Pc
{
    QString root;
    int port = 0;
    ProgramRunner runner;
    QProcess* program = nullptr;
    std::unique_ptr<QProcess> phone;

    QString logFile() const
    {
        // The log's path below the data root is the same for every root.
        const QString rel = QDir(gDataRoot()).relativeFilePath(gCurLogFile);
        return QDir(root).filePath(rel);
    }
    QString log() const
    {
        QFile f(logFile());
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
    static QString gDataRoot() { return AppPaths::dataRoot(); }
};

void WriteIni(const QString& root, const QString& text)
{
    const QString dir = QDir(root).filePath(QStringLiteral("ordova/zuvaro3"));
    QDir().mkpath(dir);
    QFile f(QDir(dir).filePath(QStringLiteral("zuvaro3.ini")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
}

} // namespace

class TestServer : public QObject
{
    Q_OBJECT

    QString scalar(FbDatabase& db, const QString& sql)
    {
        FbQuery q(db);
        q.setSql(sql);
        q.open();
        const QString v = q.eof() ? QString() : q.field(0).asString();
        q.close();
        return v;
    }

private slots:
    void twoPcsOneServer()
    {
        if (!FbServer::Installed())
            QSKIP("the Firebird server package is not installed (scripts/deps.sh installs it)");
        TestEnv env;
        FbServer server;
        QString error;
        QVERIFY2(server.addUser(QStringLiteral("ZUVARO"), QStringLiteral("shop-secret"), &error), qPrintable(error));
        QVERIFY2(server.start(&error), qPrintable(error));

        // The database belongs to the program's own user: rights on it and on nothing else.
        const QString file = QDir(server.dir()).filePath(QStringLiteral("data/ZUVARODB.FDB"));
        QProcess initdb;
        initdb.setProcessChannelMode(QProcess::ForwardedChannels);
        initdb.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-initdb/zuvaro3-initdb")),
                     {QStringLiteral("--owner"), QStringLiteral("zuvaro"), file});
        QVERIFY(initdb.waitForFinished(60000));
        QCOMPARE(initdb.exitCode(), 0);

        const QString dbPath = server.remotePath(file);
        QTemporaryDir otherRoot;
        Pc a;
        Pc b;
        a.root = AppPaths::dataRoot();
        // The other PC: a data root, a home and a runtime folder (the one-copy lock) of its own.
        b.root = otherRoot.filePath(QStringLiteral("data"));
        for (const char* sub : {"config", "home", "runtime"})
            QDir(otherRoot.path()).mkpath(QLatin1String(sub));
        QFile::setPermissions(otherRoot.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        b.runner.setEnv(QStringLiteral("ZUVARO_DATA_ROOT"), b.root);
        b.runner.setEnv(QStringLiteral("XDG_CONFIG_HOME"), otherRoot.filePath(QStringLiteral("config")));
        b.runner.setEnv(QStringLiteral("XDG_RUNTIME_DIR"), otherRoot.filePath(QStringLiteral("runtime")));
        b.runner.setEnv(QStringLiteral("HOME"), otherRoot.filePath(QStringLiteral("home")));
        for (Pc* pc : {&a, &b}) {
            pc->port = PhoneSim::FreePort();
            WriteIni(pc->root, QString::fromUtf8("[ZUVARO_DB]\nDB_PATH=%1\nDB_USER=zuvaro\nDB_PASSWORD=shop-secret\n"
                                                 "[ADAPTA]\nCOUNT=1\nPORT_NO_1=%2\nDISP_NAME_1=店\nREAD_NAME_1=みせ\n"
                                                 "DEVICE_INDEX_1=0\n")
                                   .arg(dbPath)
                                   .arg(pc->port));
        }
        // The first start upgrades the schema (with the event trigger); then the second PC.
        a.program = a.runner.start();
        // The phone once the program listens for it (after the upgrade through the server).
        QVERIFY2(a.waitForLog(QStringLiteral("TfrmMain.ReadRegistry"), 150000), qPrintable(a.log().right(3000)));
        a.phone = PhoneSim::Start(a.port, {"--own-number", "09011110000"});
        QVERIFY2(a.phone, qPrintable(a.log().right(3000)));
        QVERIFY2(a.waitForLog(QString::fromUtf8("Android版 Ver. "), 60000), qPrintable(a.log().right(3000)));
        QVERIFY(a.waitForLog(QStringLiteral("FbEventListener listening")));
        b.program = b.runner.start();
        QVERIFY2(b.waitForLog(QStringLiteral("TfrmMain.ReadRegistry"), 150000), qPrintable(b.log().right(3000)));
        b.phone = PhoneSim::Start(b.port, {"--own-number", "09022220000"});
        QVERIFY2(b.phone, qPrintable(b.log().right(3000)));
        QVERIFY2(b.waitForLog(QString::fromUtf8("Android版 Ver. "), 60000), qPrintable(b.log().right(3000)));
        QVERIFY(b.waitForLog(QStringLiteral("FbEventListener listening")));

        // A call on one PC shows on the other's log without pressing anything.
        a.phone->write("0311110001\n");
        QVERIFY(a.waitForLog(QStringLiteral("TelReceiveProc TelNo=0311110001")));
        QVERIFY(b.waitForLog(QStringLiteral("TfrmMain.LogInserted")));
        b.phone->write("0322220002\n");
        QVERIFY(b.waitForLog(QStringLiteral("TelReceiveProc TelNo=0322220002")));
        QVERIFY(a.waitForLog(QStringLiteral("TfrmMain.LogInserted")));

        // The same new caller on both PCs at the same moment: two calls, one phone-book entry.
        a.phone->write("0399990003\n");
        b.phone->write("0399990003\n");

        FbDatabase db;
        db.setDatabaseName(dbPath);
        db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                      QStringLiteral("lc_ctype=NONE")});
        QTRY_COMPARE_WITH_TIMEOUT(scalar(db, QStringLiteral("select count(*) from LOG where TEL_NO = '0399990003'")),
                                  QStringLiteral("2"), 20000);
        QCOMPARE(scalar(db, QStringLiteral("select count(*) from TELS where TEL_NO = '0399990003'")), QStringLiteral("1"));
        for (const auto& [number, port] : {std::pair<const char*, int>{"0311110001", a.port}, {"0322220002", b.port}})
            QCOMPARE(scalar(db, QStringLiteral("select count(*) from LOG where TEL_NO = '%1' and PORT_NO = %2")
                                    .arg(QLatin1String(number))
                                    .arg(port)),
                     QStringLiteral("1"));
        db.close();

        // The server stops for a few seconds: the call is journaled, stored once the program
        // has reconnected by itself, and the other PC hears of it.
        server.stop();
        a.phone->write("0344440004\n");
        QVERIFY(a.waitForLog(QStringLiteral("TelReceiveProc TelNo=0344440004")));
        QTest::qWait(3000);
        QVERIFY2(server.start(&error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(scalar(db, QStringLiteral("select count(*) from LOG where TEL_NO = '0344440004'")),
                                  QStringLiteral("1"), 60000);
        QTest::qWait(11000); // one more supervision round: nothing is written twice
        QCOMPARE(scalar(db, QStringLiteral("select count(*) from LOG where TEL_NO = '0344440004'")), QStringLiteral("1"));
        db.close();

        QCOMPARE(a.runner.terminate(a.program), 0);
        QCOMPARE(b.runner.terminate(b.program), 0);
        // No password reaches a log.
        for (const Pc* pc : {&a, &b}) {
            QVERIFY(!pc->log().contains(QLatin1String("shop-secret")));
            QVERIFY(!pc->log().contains(QLatin1String("pinewoodx")));
        }
    }
};

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
