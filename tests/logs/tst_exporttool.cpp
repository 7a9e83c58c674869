// zuvaro3-export: the same file as the dialog's export, its exit status, and a clear refusal
// while another program's embedded engine holds the database.

#include "ExportFixture.h"
#include "core/AppGlobals.h"
#include "db/InitialDatabase.h"
#include "db/TdmCmn.h"
#include "logs/DataExporter.h"
#include "core/MessageService.h"
#include "db/SchemaUpgrade.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestExportTool : public QObject
{
    Q_OBJECT

private slots:
    void writesWhatTheDialogWrites();
    void refusesWhileTheDatabaseIsHeld();
    void badArguments();

private:
    struct Run
    {
        int rc;
        QString err;
    };
    Run run(const QStringList& args);

    TestEnv FEnv;
    QTemporaryDir FOut;
};

TestExportTool::Run TestExportTool::run(const QStringList& args)
{
    QProcess p;
    p.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-export/zuvaro3-export")), args);
    if (!p.waitForFinished(120000))
        return {-1, QStringLiteral("did not finish")};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

void TestExportTool::writesWhatTheDialogWrites()
{
    const QString dbPath = AppPaths::defaultDatabasePath();
    QDir().mkpath(QFileInfo(dbPath).absolutePath());
    InitialDatabase::Create(dbPath);
    {
        TdmCmn dm(dbPath);
        MessageService::setNextAnswer(MsgResult::Yes);
        InitTables(dm, nullptr);
        MessageService::clearAnswers();
        FillExportDatabase(dm);
    }
    const QString byTool = FOut.filePath(QStringLiteral("tool.csv"));
    const Run r = run({"--kind", "responses", "--from", "2024/05/06", "--to", "2024/05/06", "--keep-line-breaks",
                       "--out", byTool});
    QVERIFY2(r.rc == 0, qPrintable(r.err));
    QVERIFY(r.err.contains(DataExporter::DoneMessage()));

    const QString byDialog = FOut.filePath(QStringLiteral("dialog.csv"));
    {
        TdmCmn dm(dbPath);
        DataExporter exporter(dm.IBDatabase1);
        ExportRequest req{ExportKind::Responses, byDialog, QDate(2024, 5, 6), QDate(2024, 5, 6), false};
        QCOMPARE(exporter.Run(req), DataExporter::Done);
    }
    QFile a(byTool), b(byDialog);
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray bytes = a.readAll();
    QCOMPARE(bytes, b.readAll());
    QVERIFY(bytes.contains("\r\n"));

    // The workbook by the extension, replacing what is there without a question.
    const QString xlsx = FOut.filePath(QStringLiteral("tels.xlsx"));
    QFile old(xlsx);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    QCOMPARE(run({"--kind", "phonebook", "--out", xlsx}).rc, 0);
    QFile book(xlsx);
    QVERIFY(book.open(QIODevice::ReadOnly));
    QVERIFY(book.readAll().startsWith("PK"));
}

void TestExportTool::refusesWhileTheDatabaseIsHeld()
{
    const QString dbPath = AppPaths::defaultDatabasePath();
    if (!QFile::exists(dbPath)) {
        QDir().mkpath(QFileInfo(dbPath).absolutePath());
        InitialDatabase::Create(dbPath);
    }
    TdmCmn dm(dbPath);
    dm.IBDatabase1.ensureOpen(); // as the running program holds it
    const QString path = FOut.filePath(QStringLiteral("held.csv"));
    const Run r = run({"--kind", "calls", "--out", path});
    QCOMPARE(r.rc, 3);
    QVERIFY2(r.err.contains(QStringLiteral("is held by another program")), qPrintable(r.err));
    QVERIFY(!QFile::exists(path));
}

void TestExportTool::badArguments()
{
    QCOMPARE(run({"--kind", "everything", "--out", FOut.filePath("x.csv")}).rc, 2);
    QCOMPARE(run({"--kind", "calls"}).rc, 2);
    QCOMPARE(run({"--kind", "calls", "--from", "6.5.2024", "--out", FOut.filePath("x.csv")}).rc, 2);
    const Run noFolder = run({"--kind", "calls", "--out", "/no/such/folder/x.csv"});
    QCOMPARE(noFolder.rc, 1);
    QVERIFY(noFolder.err.contains(QStringLiteral("出力先ディレクトリが見つかりません。")));

    // A last day before the first (here today, the default): refused, no file.
    for (const QStringList& period :
         {QStringList{"--to", "2024/05/06"}, QStringList{"--from", "2024/05/07", "--to", "2024/05/06"}}) {
        const Run reversed = run(QStringList{"--kind", "responses", "--out", FOut.filePath("reversed.csv")} + period);
        QCOMPARE(reversed.rc, 2);
        QVERIFY2(reversed.err.contains(QStringLiteral("終了期間より開始期間の方が大きい日付になっています。")),
                 qPrintable(reversed.err));
        QVERIFY(!QFile::exists(FOut.filePath("reversed.csv")));
    }
}

QTEST_GUILESS_MAIN(TestExportTool)
#include "tst_exporttool.moc"
