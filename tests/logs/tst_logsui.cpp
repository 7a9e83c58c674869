// The export and deletion dialogs driven through their widgets on a real database, and both
// reached from the main window's buttons.

#include "ExportFixture.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/Cp932.h"
#include "core/ExportPrefs.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/TdmCmn.h"
#include "logs/DataExporter.h"
#include "logs/LogDeletion.h"
#include "logs/TfrmDelete.h"
#include "logs/TfrmExport.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
int logCount(TdmCmn& dm, const QString& where = QString())
{
    dm.sqlWork.setSql(QStringLiteral("select count(*) from LOG ") + where);
    dm.sqlWork.open();
    const int n = dm.sqlWork.field(0).asInteger();
    dm.sqlWork.close();
    return n;
}

void manyCalls(TdmCmn& dm, int rows)
{
    dm.ExecSql(QStringLiteral("EXECUTE BLOCK AS DECLARE i INTEGER = 0; BEGIN WHILE (i < %1) DO BEGIN "
                              "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, TEL_MEMO, PORT_NO) VALUES (:i + 100, "
                              "'2024/05/06 12:00:00', '03' || :i, '着信', 'メモ', 1); i = i + 1; END END")
                   .arg(rows));
}
} // namespace

class TestLogsUi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void exportThroughTheDialog();
    void pathProblemFocusesThePathField();
    void interruptingAnExport_data();
    void interruptingAnExport();
    void responseTabOnlyWithResponses();
    void deletionBounds_data();
    void deletionBounds();
    void deletionQuestionNo();
    void mainWindowButtons();
    // Ends with a stop request, which later dialogs' loops would return from at once.
    void deletionRunsBesideTheWindow();
    void programStopDuringAnExport();

private:
    // how: 0 close, 1 the dialog's stop, 2 the program's stop request (the old file stays).
    void interrupt(int how, const QString& name);

private:
    std::unique_ptr<TestEnv> FEnv;
    std::unique_ptr<TestDatabase> FDb;
    QTemporaryDir FOut;
};

void TestLogsUi::init()
{
    FEnv = std::make_unique<TestEnv>();
    FDb = std::make_unique<TestDatabase>(FEnv->path(QStringLiteral("shop.fdb")));
    Clock::setNow(QDateTime(QDate(2024, 5, 8), QTime(9, 10, 11)));
    MessageService::clearShown();
    MessageService::clearAnswers();
    gExportPrefs = TExportPrefs();
    GUseAccept = true;
}

void TestLogsUi::cleanup()
{
    FDb.reset();
    FEnv.reset();
    Clock::reset();
}

void TestLogsUi::exportThroughTheDialog()
{
    FillExportDatabase(*dmCmn);
    const QString path = FOut.filePath(QStringLiteral("tels.csv"));
    {
        TfrmExport dialog;
        dialog.show();
        QCOMPARE(dialog.PageControl1->currentIndex(), 0);
        QCOMPARE(dialog.PageControl1->count(), 4);
        QVERIFY(dialog.chkLogCrlf->isChecked()); // on when nothing is stored yet
        dialog.PageControl1->setCurrentWidget(dialog.tabTels);
        int offeredType = -1;
        dialog.ChooseFile = [&](const QString& current, int type) {
            offeredType = type;
            return current.isEmpty() ? path : QString();
        };
        QTest::mouseClick(dialog.btnTelsRef, Qt::LeftButton);
        QCOMPARE(offeredType, 0);
        QCOMPARE(dialog.edtTelsPath->text(), path);
        QCOMPARE(gExportPrefs.ExpTelsPath, path); // chosen through the chooser: remembered
        dialog.edtLogPath->setText(FOut.filePath(QStringLiteral("typed.csv")));
        QTest::mouseClick(dialog.btnExport, Qt::LeftButton);
        QCOMPARE(MessageService::shownTexts(), QStringList{DataExporter::DoneMessage()});
        QVERIFY(dialog.btnExport->isEnabled());
        QVERIFY(dialog.btnClose->isEnabled());
        QVERIFY(dialog.pgbExport->isHidden());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith(Cp932::encode(QStringLiteral("電話番号,代表電話番号,名前,音声読上名\r\n"))));
        dialog.chkLogCrlf->setChecked(false);
    }
    QVERIFY(!gExportPrefs.DelCrlfTel); // taken from the boxes when the dialog goes
    QVERIFY(gExportPrefs.DelCrlfCust);
    QVERIFY(gExportPrefs.ExpPath.isEmpty()); // typed paths are not remembered
}

void TestLogsUi::pathProblemFocusesThePathField()
{
    TfrmExport dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.PageControl1->setCurrentWidget(dialog.tabCust);
    dialog.edtCustPath->setText(FOut.filePath(QStringLiteral("noextension")));
    QTest::mouseClick(dialog.btnExport, Qt::LeftButton);
    QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("拡張子を入力してください。")});
    QTRY_VERIFY(dialog.edtCustPath->hasFocus());
    QVERIFY(dialog.btnExport->isEnabled());
    QVERIFY(dialog.pgbExport->isHidden());
}

// Closing while an export runs: the export finishes, its file is complete, then the dialog
// closes. A stop request (the program ending) ends the export without its file and closes.
void TestLogsUi::interruptingAnExport_data()
{
    QTest::addColumn<int>("how"); // 0 close, 1 the dialog's stop
    QTest::addColumn<QString>("name");
    QTest::newRow("close is deferred") << 0 << QStringLiteral("deferred.csv");
    QTest::newRow("stop") << 1 << QStringLiteral("stopped.xlsx");
}

void TestLogsUi::interruptingAnExport()
{
    QFETCH(int, how);
    QFETCH(QString, name);
    interrupt(how, name);
}

// Last of all: after a stop request, the nested loops of this process return at once.
void TestLogsUi::programStopDuringAnExport()
{
    interrupt(2, QStringLiteral("signalled.csv"));
}

void TestLogsUi::interrupt(int how, const QString& name)
{
    const bool stop = how != 0;
    manyCalls(*dmCmn, 30000);
    const QString path = FOut.filePath(name);
    if (how == 2) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
    }
    const auto reset = qScopeGuard([] { StopRequest::ResetForTests(); });
    TfrmExport dialog;
    dialog.SetDay(QDate(2024, 5, 6));
    dialog.show();
    dialog.edtLogPath->setText(path);
    bool duringExport = false;
    QTimer::singleShot(0, &dialog, [&]() {
        duringExport = dialog.Exporting() && dialog.pgbExport->isVisible() && !dialog.btnClose->isEnabled();
        if (how == 2)
            StopRequest::Request(QStringLiteral("test"));
        else if (stop)
            dialog.StopExport();
        else
            dialog.close();
        if (how != 2) // the program's stop closes every dialog at once
            QVERIFY(dialog.isVisible());
    });
    QTest::mouseClick(dialog.btnExport, Qt::LeftButton);
    QVERIFY(duringExport);
    if (stop) {
        QVERIFY(MessageService::shownTexts().isEmpty());
        QCOMPARE(QFile::exists(path), how == 2);
        if (how == 2) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("old"));
        }
        QCOMPARE(QDir(FOut.path()).entryList(QDir::Hidden | QDir::Files).filter("." + name + "."), QStringList());
    } else {
        QCOMPARE(MessageService::shownTexts(), QStringList{DataExporter::DoneMessage()});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().count("\r\n"), 30001);
    }
    QTRY_VERIFY(!dialog.isVisible());
}

void TestLogsUi::responseTabOnlyWithResponses()
{
    GUseAccept = false;
    TfrmExport dialog;
    QCOMPARE(dialog.PageControl1->count(), 3);
    QCOMPARE(dialog.PageControl1->indexOf(dialog.tabAccept), -1);
    QCOMPARE(dialog.dtpLogFrom->date(), QDate(2024, 5, 8)); // today
}

void TestLogsUi::deletionBounds_data()
{
    QTest::addColumn<QStringList>("period"); // start year, start month, end year, end month
    QTest::addColumn<QString>("message");
    QTest::addColumn<QList<int>>("remaining");
    QTest::newRow("both") << QStringList{"2023", "04", "2023", "06"} << LogDeletion::DoneMessage()
                          << QList<int>{1, 2, 3, 6, 7, 8};
    QTest::newRow("start only") << QStringList{"2023", "07", "", ""} << LogDeletion::DoneMessage()
                                << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("end only") << QStringList{"", "", "2022", "12"} << LogDeletion::DoneMessage()
                              << QList<int>{2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("december") << QStringList{"2023", "07", "2023", "12"} << LogDeletion::DoneMessage()
                              << QList<int>{1, 2, 3, 4, 5, 8};
    QTest::newRow("month 13") << QStringList{"2023", "13", "2023", "12"} << LogDeletion::BadStartMessage()
                              << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("end year alone") << QStringList{"2023", "01", "2023", ""} << LogDeletion::BadEndMessage()
                                    << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("everything") << QStringList{"", "", "", ""} << LogDeletion::DoneMessage() << QList<int>{};
}

void TestLogsUi::deletionBounds()
{
    QFETCH(QStringList, period);
    QFETCH(QString, message);
    QFETCH(QList<int>, remaining);
    const QStringList times{"2022/12/31 23:59:59", "2023/01/01 00:00:00", "2023/03/31 23:59:59", "2023/04/01 00:00:00",
                            "2023/06/30 23:59:59", "2023/07/01 00:00:00", "2023/12/31 23:59:59", "2024/01/01 00:00:00"};
    for (int i = 0; i < times.size(); ++i)
        dmCmn->ExecSql(QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO) values (%1, '%2', '03')")
                           .arg(i + 1)
                           .arg(times.at(i)));
    dmCmn->ExecSql(QStringLiteral("insert into ACCEPT_T (ACT_NO, ACT_DT, LOG_NO) values (1, '2023/04/01', 4)"));

    TfrmDelete dialog;
    dialog.show();
    QCOMPARE(dialog.edtFromYear->text(), QStringLiteral("2024"));
    QCOMPARE(dialog.cbxToMonth->currentText(), QStringLiteral("05"));
    QTRY_VERIFY(dialog.edtFromYear->hasFocus());
    dialog.edtFromYear->setText(period.at(0));
    dialog.cbxFromMonth->setCurrentText(period.at(1));
    dialog.edtToYear->setText(period.at(2));
    dialog.cbxToMonth->setCurrentText(period.at(3));
    QSignalSpy deleted(&dialog, &TfrmDelete::logsDeleted);
    MessageService::setNextAnswer(MsgResult::Yes);
    QTest::mouseClick(dialog.btnDelete, Qt::LeftButton);
    QCOMPARE(MessageService::shownTexts(), (QStringList{LogDeletion::Question(), message}));
    QCOMPARE(deleted.count(), message == LogDeletion::DoneMessage() ? 1 : 0);

    QList<int> left;
    dmCmn->sqlWork.setSql(QStringLiteral("select LOG_NO from LOG order by LOG_NO"));
    for (dmCmn->sqlWork.open(); !dmCmn->sqlWork.eof(); dmCmn->sqlWork.next())
        left << dmCmn->sqlWork.field(0).asInteger();
    dmCmn->sqlWork.close();
    QCOMPARE(left, remaining);
    dmCmn->sqlWork.setSql(QStringLiteral("select count(*) from ACCEPT_T where LOG_NO = 4"));
    dmCmn->sqlWork.open();
    QCOMPARE(dmCmn->sqlWork.field(0).asInteger(), 1); // responses stay
    dmCmn->sqlWork.close();
    QVERIFY(dialog.isVisible()); // several ranges can be deleted in a row
}

void TestLogsUi::deletionQuestionNo()
{
    dmCmn->ExecSql(QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO) values (1, '2024/05/01', '03')"));
    TfrmDelete dialog;
    dialog.cbxFromMonth->setCurrentText(QStringLiteral("13")); // not even checked after No
    MessageService::setNextAnswer(MsgResult::No);
    QTest::mouseClick(dialog.btnDelete, Qt::LeftButton);
    QCOMPARE(MessageService::shownTexts(), QStringList{LogDeletion::Question()});
    QCOMPARE(logCount(*dmCmn), 1);
    QCOMPARE(LogDeletion::Build("2023", "04", "2023", "06", QDate(2024, 1, 1)).sql,
             QStringLiteral("delete from log\r\nwhere DT_FROM >= '2023/04/01'\r\nand DT_FROM < '2023/07/01'\r\n"));
    QCOMPARE(LogDeletion::MonthStart("23", "4", QDate(2024, 1, 1)), QDate(2023, 4, 1));
}

// The deletion runs in committed batches on a thread of its own: the window's event loop
// goes on (a timer ticks between batches), a call stored meanwhile inside the range stays,
// and "中止" keeps the batches already committed.
void TestLogsUi::deletionRunsBesideTheWindow()
{
    dmCmn->ExecSql(QStringLiteral(
        "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= 1200) DO BEGIN "
        "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO) VALUES (:i, CAST('2023/01/01' AS DATE) + mod(:i, 300), '03'); "
        "i = i + 1; END END"));
    TfrmDelete dialog;
    dialog.SetBatchRows(100);
    dialog.show();
    for (QLineEdit* year : {dialog.edtFromYear, dialog.edtToYear})
        year->setText(QStringLiteral("2023"));
    dialog.cbxFromMonth->setCurrentText(QStringLiteral("01"));
    dialog.cbxToMonth->setCurrentText(QStringLiteral("12"));

    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&]() { ++ticks; });
    timer.start(0);
    // Batches seen with the window's loop running: the bar moved and the timer ticked.
    QList<int> ticksAtBatch;
    bool stored = false;
    auto conn = connect(dialog.pbDelete, &QProgressBar::valueChanged, [&](int value) {
        ticksAtBatch << ticks;
        if (!stored && value > 0) {
            stored = true; // a call of the range comes in while the deletion runs
            dmCmn->ExecSql(QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO) values (5000, '2023/06/01', '09')"));
        }
    });
    MessageService::setNextAnswer(MsgResult::Yes);
    QTest::mouseClick(dialog.btnDelete, Qt::LeftButton);
    QCOMPARE(MessageService::shownTexts(), (QStringList{LogDeletion::Question(), LogDeletion::DoneMessage()}));
    QCOMPARE(logCount(*dmCmn), 1);
    QCOMPARE(logCount(*dmCmn, QStringLiteral("where LOG_NO = 5000")), 1);
    QCOMPARE(dialog.pbDelete->value(), 1000); // the cleanup read is part of the progress
    QVERIFY(dialog.pbDelete->isHidden() && dialog.btnDelete->isEnabled());
    QVERIFY(ticksAtBatch.size() >= 13);
    QVERIFY(ticksAtBatch.last() > ticksAtBatch.first());
    disconnect(conn);

    // Stopped: the batches committed stay deleted, the rest is kept.
    dmCmn->ExecSql(QStringLiteral(
        "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= 1200) DO BEGIN "
        "INSERT INTO LOG (LOG_NO, DT_FROM, TEL_NO) VALUES (:i, CAST('2023/01/01' AS DATE) + mod(:i, 300), '03'); "
        "i = i + 1; END END"));
    int batches = 0;
    conn = connect(dialog.pbDelete, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && ++batches == 2)
            dialog.btnStop->click();
    });
    MessageService::clearShown();
    MessageService::setNextAnswer(MsgResult::Yes);
    QTest::mouseClick(dialog.btnDelete, Qt::LeftButton);
    disconnect(conn);
    // The bar follows the thread at its own pace: the stop lands after the second batch or
    // a later one, never inside one.
    const int deleted = 1201 - logCount(*dmCmn);
    QVERIFY2(deleted >= 200 && deleted < 1200 && deleted % 100 == 0, qPrintable(QString::number(deleted)));
    QCOMPARE(MessageService::shownTexts(), (QStringList{LogDeletion::Question(), LogDeletion::StoppedMessage(deleted)}));
    QVERIFY(dialog.isVisible());

    // The program's stop in the middle: the batch in hand ends, nothing more is asked or
    // told, and the dialog closes.
    const auto reset = qScopeGuard([] { StopRequest::ResetForTests(); });
    StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
    const int before = logCount(*dmCmn);
    conn = connect(dialog.pbDelete, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0)
            StopRequest::Request(QStringLiteral("test"));
    });
    MessageService::clearShown();
    MessageService::setNextAnswer(MsgResult::Yes);
    QTest::mouseClick(dialog.btnDelete, Qt::LeftButton);
    disconnect(conn);
    QCOMPARE(MessageService::shownTexts(), QStringList{LogDeletion::Question()});
    QVERIFY(logCount(*dmCmn) < before);
    QVERIFY(!dialog.isVisible());
}

// "データ出力" opens the export on the main window's day; "履歴削除" deletes and the main
// window reloads its call log and empties the caller fields.
void TestLogsUi::mainWindowButtons()
{
    dmCmn->ExecSql(QStringLiteral("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE) values (1, '2024/05/08 "
                                  "08:00:00', '0311112222', '着信')"));
    TfrmMain form;
    QVERIFY(form.FormCreate());
    auto* btnExport = form.findChild<QPushButton*>(QStringLiteral("btnExport"));
    auto* btnDelete = form.findChild<QPushButton*>(QStringLiteral("btnDelete"));
    QVERIFY(btnExport->isEnabled());
    QVERIFY(btnDelete->isEnabled());

    form.DateTimePicker1->setDate(QDate(2024, 5, 3));
    QDate shownDay;
    QTimer::singleShot(0, &form, [&]() {
        auto* dialog = qobject_cast<TfrmExport*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        shownDay = dialog->dtpActTo->date();
        dialog->close();
    });
    btnExport->click();
    QCOMPARE(shownDay, QDate(2024, 5, 3));

    form.DateTimePicker1->setDate(QDate(2024, 5, 8));
    QCOMPARE(form.sgdLog->text(0, 1), QStringLiteral("0311112222"));
    form.edtCall->setText(QStringLiteral("0311112222"));
    QTimer::singleShot(0, &form, [&]() {
        auto* dialog = qobject_cast<TfrmDelete*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        MessageService::setNextAnswer(MsgResult::Yes);
        dialog->btnDelete->click();
        dialog->close();
    });
    btnDelete->click();
    QCOMPARE(logCount(*dmCmn), 0);
    QVERIFY(form.edtCall->text().isEmpty());
    QVERIFY(form.sgdLog->text(0, 1).isEmpty());
    QVERIFY(MessageService::shownTexts().contains(LogDeletion::DoneMessage()));
}

QTEST_MAIN(TestLogsUi)
#include "tst_logsui.moc"
