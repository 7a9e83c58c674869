// zuvaro3-import: its exit status for each outcome, the dry run, and a kill while rows are
// written (the database as before, the backup copy there).

#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "db/BackupSet.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

class TestImportTool : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exitStatus_data();
    void exitStatus();
    void killedWhileWriting();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    int customers();
    QString FDbPath;
    QString FBackup;
    TestEnv FEnv;
};

QString TestImportTool::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = FEnv.path(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

int TestImportTool::customers()
{
    return TestDatabase::ColumnIn(FDbPath, QStringLiteral("select count(*) from CUSTOMER")).value(0).toInt();
}

void TestImportTool::initTestCase()
{
    FDbPath = AppPaths::defaultDatabasePath();
    QDir().mkpath(QFileInfo(FDbPath).absolutePath());
    InitialDatabase::Create(FDbPath);
    {
        TdmCmn dm(FDbPath);
        MessageService::setNextAnswer(MsgResult::Yes);
        InitTables(dm, nullptr);
        MessageService::clearAnswers();
    }
    FBackup = FEnv.path(QStringLiteral("backup"));
    QDir().mkpath(FBackup);
    FEnv.writeIni(QStringLiteral("[BASIC]\nAUTO_BACKUP_PATH=%1\nBACKUP_GENERATIONS=3\n").arg(FBackup));
}

void TestImportTool::exitStatus_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("rc");
    QTest::addColumn<int>("customers"); // stored afterwards
    const QByteArray good = "名前,電話\n山田,03-1111-0001\n";
    QTest::newRow("dry run") << QStringList{"--dry-run", "--map", "名前=name,電話=tel"} << good << 0 << 0;
    QTest::newRow("taken") << QStringList{"--map", "名前=name,電話=tel"} << good << 0 << 1;
    // The mapping was remembered for the header line: no --map needed now.
    QTest::newRow("remembered, some refused") << QStringList{} << QByteArray("名前,電話\n鈴木,03-1111-0002\n番号なし,\n") << 1 << 2;
    QTest::newRow("own layout demanded") << QStringList{"--layout", "own"} << good << 3 << 2;
    QTest::newRow("nothing usable") << QStringList{} << QByteArray("\0\0\0", 3) << 3 << 2;
    QTest::newRow("unknown field") << QStringList{"--map", "名前=nom"} << good << 2 << 2;
    QTest::newRow("bad option") << QStringList{"--on-duplicate", "merge"} << good << 2 << 2;
}

void TestImportTool::exitStatus()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, file);
    QFETCH(int, rc);
    QFETCH(int, customers);
    const QString path = writeFile(QStringLiteral("in.csv"), file);
    QProcess p;
    p.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-import/zuvaro3-import")),
            QStringList{QStringLiteral("customers"), path} + args);
    QVERIFY(p.waitForFinished(120000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(p.exitCode() == rc, qPrintable(err));
    QCOMPARE(this->customers(), customers);
    if (rc == 1)
        QVERIFY2(err.contains(QStringLiteral("3 行目: 電話番号がありません")), qPrintable(err));
}

void TestImportTool::killedWhileWriting()
{
    QByteArray csv = "名前,電話\n";
    for (int i = 0; i < 60000; ++i)
        csv += QStringLiteral("客%1,04-%2\n").arg(i).arg(10000000 + i).toUtf8();
    const QString path = writeFile(QStringLiteral("big.csv"), csv);
    const int before = customers();
    const qsizetype copiesBefore = BackupSet::List(FBackup).size();
    QProcess p;
    p.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-import/zuvaro3-import")),
            {QStringLiteral("customers"), path, QStringLiteral("--map"), QStringLiteral("1=name,2=tel")});
    QVERIFY(p.waitForStarted());
    // The rows are written once the copy is there; the kill comes while they are.
    QElapsedTimer waited;
    waited.start();
    while (BackupSet::List(FBackup).size() == copiesBefore && p.state() == QProcess::Running && waited.elapsed() < 120000)
        QTest::qWait(20);
    QVERIFY(p.state() == QProcess::Running);
    ::kill(pid_t(p.processId()), SIGKILL);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::CrashExit);
    QCOMPARE(customers(), before);
    QVERIFY(BackupSet::List(FBackup).size() > copiesBefore || copiesBefore == 3);
}

QTEST_GUILESS_MAIN(TestImportTool)
#include "tst_importtool.moc"
