#include "calls/CallJournal.h"
#include "calls/CallLog.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "calls/WindowPlacement.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/ExportPrefs.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "platform/CopyDataChannel.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QDataStream>
#include <QLabel>
#include <QLocalSocket>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QSystemTrayIcon>
#include <QAbstractItemModelTester>
#include <QtTest>

namespace {
void insertCall(const QDateTime& at, const QString& telNo, const QString& type, int port = 1)
{
    TLog log;
    log.DtFrom = at;
    log.TelNo = telNo;
    log.TelType = type;
    log.TelTerm = "0:00:00";
    log.PortNo = port;
    dmCmn->InsertLog(log);
}

QString cell(const CallLogGrid* g, int r, int c)
{
    return g->text(r, c);
}

QStringList cells(const CallLogGrid* g)
{
    QStringList all;
    for (int r = 0; r < g->rowCount(); ++r)
        for (int c = 0; c < g->columnCount(); ++c)
            all << cell(g, r, c);
    return all;
}
} // namespace

class TestMainWindowCalls : public QObject
{
    Q_OBJECT

private slots:
    void dayListingBoundsKindsAndResponses()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QDate day(2024, 3, 10);
        insertCall(QDateTime(day.addDays(-1), QTime(23, 59, 59)), "0300000001", QString::fromUtf8("着信"));
        insertCall(QDateTime(day, QTime(0, 0, 0)), "0300000002", QString::fromUtf8("着信"));
        insertCall(QDateTime(day, QTime(9, 30, 5)), "0300000003", QString::fromUtf8("発信"));
        insertCall(QDateTime(day, QTime(23, 59, 59)), "0300000004", QString::fromUtf8("着信"));
        insertCall(QDateTime(day.addDays(1), QTime(0, 0, 0)), "0300000005", QString::fromUtf8("着信"));
        TTels t{"0300000004", "0300000004", QString::fromUtf8("鈴木"), QString::fromUtf8("すずき")};
        dmCmn->InsertTels(t);

        QList<TLogRow> rows = CallLog::LoadDay(dmCmn->sqlWork, day, TCallKind::All);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0).TelNo, QString("0300000004")); // newest first
        QCOMPARE(rows.at(0).Caller, QString::fromUtf8("鈴木"));
        QCOMPARE(rows.at(0).DtFrom, QString("24/03/10 23:59:59"));
        QCOMPARE(rows.at(2).DtFrom, QString("24/03/10 0:00:00"));
        QCOMPARE(CallLog::LoadDay(dmCmn->sqlWork, day, TCallKind::Incoming).size(), 2);
        QCOMPARE(CallLog::LoadDay(dmCmn->sqlWork, day, TCallKind::Outgoing).size(), 1);
        QVERIFY(CallLog::LoadDay(dmCmn->sqlWork, day.addDays(10), TCallKind::All).isEmpty());

        // A call answered by two responses is listed once per response.
        const int logNo = rows.at(1).LogNo.toInt();
        for (int i = 0; i < 2; ++i)
            dmCmn->ExecSql(QString("insert into ACCEPT_T (ACT_NO, LOG_NO) values (%1, %2)").arg(100 + i).arg(logNo));
        rows = CallLog::LoadDay(dmCmn->sqlWork, day, TCallKind::All);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows.at(1).LogNo, rows.at(2).LogNo);
        QCOMPARE(QSet<QString>({rows.at(1).ActNo, rows.at(2).ActNo}), QSet<QString>({"100", "101"}));
    }

    void gridAndDemoCall()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        TfrmMain form;
        form.SetFlashInterval(1);
        QVERIFY(form.FormCreate());
        // An empty day: the header and one empty row, and clicking it empties the fields.
        QCOMPARE(form.sgdLog->rowCount(), 1);
        form.edtCall->setText("x");
        form.sgdLogClick(0);
        QCOMPARE(form.edtCall->text(), QString());

        QStringList spoken;
        form.SetSpeaker([&](const QString& a, const QString& b, const QString&) { spoken << a + "|" + b; });
        form.OnDemoActivate("0312345678");
        QVERIFY(form.pnlCalledTelNo->isVisibleTo(&form));
        QCOMPARE(form.pnlCalledName->text(), QString::fromUtf8("デモショップ"));
        QTRY_COMPARE(form.edtCall->text(), QString("0312345678"));
        QCOMPARE(form.pnlCallName->text(), QString::fromUtf8("発信者不明"));
        QCOMPARE(form.sgdLog->rowCount(), 1);
        QCOMPARE(cell(form.sgdLog, 0, 1), QString("0312345678"));
        QCOMPARE(cell(form.sgdLog, 0, 2), QString::fromUtf8("着信"));
        QCOMPARE(cell(form.sgdLog, 0, 3), QString("1"));
        QCOMPARE(spoken, QStringList{QString::fromUtf8("はっしんしゃふめい|でもしょっぷ")});
        // The flash ends by putting the called-line panels away.
        QTRY_VERIFY(!form.pnlCalledTelNo->isVisibleTo(&form));
        QCOMPARE(form.pnlCalledTelNo->text(), QString());

        // A dial request is not a call.
        form.OnDemoActivate("zuvaro:dial?telno=0311112222");
        QTest::qWait(20);
        QCOMPARE(form.sgdLog->rowCount(), 1);

        // "着信" filter and the caller name of a typed number.
        form.rbOutgoing->setChecked(true);
        QCOMPARE(cell(form.sgdLog, 0, 1), QString());
        form.rbAll->setChecked(true);
        QCOMPARE(form.GetCallerName("0312345678"), QString::fromUtf8("発信者不明"));
        QCOMPARE(form.GetCallerName(""), QString());
    }

    // A forwarded demonstration number goes by the rule of a phone's caller report: control
    // characters and a NUL are not part of it. Raw bytes on the forwarding socket, as a
    // second start that was handed them would send.
    void forwardedNumberWithoutControlCharacters()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        const QList<QPair<QByteArray, QString>> cases{
            {QByteArray::fromHex("0331ff0332"), QString::fromUtf8("1〓2")}, // 0xFF is no UTF-8
            {QByteArray("03\x00" "12", 5), QStringLiteral("0312")},
            {QByteArray("\x7f" "0311\r\n", 7), QStringLiteral("0311")},
        };
        int calls = 0;
        for (const auto& c : cases) {
            QLocalSocket socket;
            socket.connectToServer(CopyDataServer::serverName(QCoreApplication::applicationPid()));
            QVERIFY(socket.waitForConnected(5000));
            QByteArray message;
            QDataStream out(&message, QIODevice::WriteOnly);
            out << quint32(1) << quint32(c.first.size() + 1);
            message += c.first + '\0';
            socket.write(message);
            ++calls;
            const QString count = QString::number(calls);
            QTRY_COMPARE(TestDatabase::Scalar(QStringLiteral("select count(*) from LOG")), count);
            QCOMPARE(TestDatabase::Scalar(QStringLiteral("select TEL_NO from LOG order by LOG_NO desc rows 1")),
                     c.second);
        }
        QVERIFY(QDir(gDataDir).entryList({QStringLiteral("*aside*")}).isEmpty());
        form.Teardown();
    }

    void refreshStopsForAWaitingCall()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        QFile::remove(gCurLogFile);
        // The call arrives while the refresh lets messages run after its first step.
        QTimer::singleShot(0, &form, [&]() { form.StartDemoCall("0399998888"); });
        form.RefreshTables(TUpTable::With({TUpTable::LogTable}));
        QString log = ProgramRunner::logText();
        QVERIFY(log.contains("TfrmMain.RefreshTables begin"));
        QVERIFY2(!log.contains("TfrmMain.RefreshTables end"), qPrintable(log));
        QVERIFY(!log.contains("★TelReceiveProc"));
        QVERIFY(!form.Refreshing());
        // Processed once the refresh has returned.
        QTRY_COMPARE(form.edtCall->text(), QString("0399998888"));
    }

    // The database file goes away and comes back while the window runs.
    void callsSurviveAnUnreachableDatabase()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QDateTime now(QDate::currentDate(), QTime(10, 0, 0));
        Clock::setNow(now);
        // A call the last run could not store goes in at start, with its own time.
        const QString journalPath = gDataDir + "/CallJournal.txt";
        QVERIFY(CallJournal(journalPath).Append(TJournalEntry{now.addSecs(-3600), "0399990000", 1, QString::fromUtf8("着信")}));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        QCOMPARE(cell(form.sgdLog, 0, 1), QString("0399990000"));
        QCOMPARE(cell(form.sgdLog, 0, 0), QString(now.addSecs(-3600).toString("yy/MM/dd H:mm:ss")));
        QVERIFY(!QFile::exists(journalPath));
        QVERIFY(!form.pnlCallStore->isVisibleTo(&form));

        QVERIFY(QFile::rename(db.path(), db.path() + ".away"));
        form.Pipeline()->CheckDatabase();
        QVERIFY(form.pnlCallStore->isVisibleTo(&form));
        Clock::setNow(now.addSecs(60));
        form.OnDemoActivate("0312345678");
        QTRY_COMPARE(form.edtCall->text(), QString("0312345678"));
        QTRY_VERIFY(form.pnlCallStore->text().contains(QString::fromUtf8("未保存 1 件")));
        QCOMPARE(CallJournal(journalPath).Count(), 1);

        QVERIFY(QFile::rename(db.path() + ".away", db.path()));
        form.Pipeline()->CheckDatabase();
        QVERIFY(!form.pnlCallStore->isVisibleTo(&form));
        QCOMPARE(cell(form.sgdLog, 0, 1), QString("0312345678"));
        QCOMPARE(cell(form.sgdLog, 1, 1), QString("0399990000"));
        QCOMPARE(form.sgdLog->rowCount(), 2);
        Clock::reset();
    }

    void refreshAfterACallReadsOnlyTheNewRows()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QDateTime now(QDate::currentDate(), QTime(12, 0, 0));
        Clock::setNow(now);
        insertCall(now.addSecs(-600), "0311111111", QString::fromUtf8("着信"));
        insertCall(now.addSecs(-300), "0322222222", QString::fromUtf8("発信"));
        insertCall(now.addSecs(-100), "0311111111", QString::fromUtf8("着信"));
        TTels unknown{"0311111111", "0311111111", GUnknownName, GUnknownKana};
        dmCmn->InsertTels(unknown);
        TfrmMain form;
        QVERIFY(form.FormCreate());
        QCOMPARE(form.sgdLog->rowCount(), 3);
        // A customer registered for the number since: the new call renames its older rows.
        TCust c;
        c.CustTel = "0311111111";
        c.CustName = QString::fromUtf8("山田商店");
        c.CustKana = QString::fromUtf8("やまだしょうてん");
        dmCmn->InsertCustData(c);

        QFile::remove(gCurLogFile);
        Clock::setNow(now.addSecs(10));
        form.StartDemoCall("0311111111");
        QTRY_COMPARE(form.pnlCallName->text(), QString::fromUtf8("山田商店"));
        Clock::setNow(now.addSecs(20));
        form.StartDemoCall("0333333333");
        QTRY_COMPARE(form.sgdLog->rowCount(), 5);
        const QString log = ProgramRunner::logText();
        QVERIFY2(log.contains("and g.LOG_NO > "), qPrintable(log));
        QCOMPARE(cell(form.sgdLog, 0, 1), QString("0333333333"));
        QCOMPARE(cell(form.sgdLog, 2, 4), QString::fromUtf8("山田商店"));
        QCOMPARE(cell(form.sgdLog, 4, 4), QString::fromUtf8("山田商店"));

        // Exactly what a full reload shows.
        const QStringList incremental = cells(form.sgdLog);
        form.MakeLogGrid();
        QCOMPARE(incremental, cells(form.sgdLog));

        // A call stored with an older time (from the journal) needs the full reload.
        insertCall(now.addSecs(-50), "0344444444", QString::fromUtf8("着信"));
        Clock::setNow(now.addSecs(30));
        form.StartDemoCall("0355555555");
        QTRY_COMPARE(form.sgdLog->rowCount(), 7);
        const QStringList merged = cells(form.sgdLog);
        form.MakeLogGrid();
        QCOMPARE(merged, cells(form.sgdLog));
        Clock::reset();
    }

    // However the grid got its rows, it shows what a fresh load of the day shows.
    void gridMatchesAFreshLoad_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("reset"); // whether the path ends in one full reload
        QTest::newRow("burst of new calls") << "burst" << false;
        QTest::newRow("earlier caller renamed") << "rename" << false;
        QTest::newRow("calls in the same second as the newest") << "same second" << false;
        QTest::newRow("full reload after a memo edit") << "reload" << true;
    }

    void gridMatchesAFreshLoad()
    {
        QFETCH(QString, path);
        QFETCH(bool, reset);
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QDateTime now(QDate::currentDate(), QTime(12, 0, 0));
        Clock::setNow(now);
        insertCall(now.addSecs(-600), "0311111111", QString::fromUtf8("着信"));
        insertCall(now.addSecs(-300), "0322222222", QString::fromUtf8("発信"));
        insertCall(now.addSecs(-100), "0311111111", QString::fromUtf8("着信"));
        TTels unknown{"0311111111", "0311111111", GUnknownName, GUnknownKana};
        dmCmn->InsertTels(unknown);
        TfrmMain form;
        QVERIFY(form.FormCreate());
        QAbstractItemModelTester tester(form.sgdLog->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        // Each call gets a time of its own, so new calls go on top without a reload.
        if (path != "same second")
            connect(&form, &TfrmMain::logGridLoaded, &form, []() { Clock::advance(1000); });
        QSignalSpy resets(form.sgdLog->model(), &QAbstractItemModel::modelReset);

        auto fresh = []() {
            QStringList all;
            for (const TLogRow& r : CallLog::LoadDay(dmCmn->sqlWork, Clock::today(), TCallKind::All))
                all << r.DtFrom << r.TelNo << r.TelType << r.PortNo << r.Caller << r.TelMemo << r.ActNo
                    << r.CustTelNon << r.ReadName << r.LogNo;
            return all;
        };
        if (path == "burst") {
            for (const char* n : {"0330000001", "0330000002", "0330000003", "0330000004"})
                form.StartDemoCall(n);
            QTRY_COMPARE(form.sgdLog->rowCount(), 7);
        } else if (path == "same second") {
            // Stored in the second of the newest call shown: the newest LOG_NO goes on top.
            Clock::setNow(now.addSecs(-100));
            for (const char* n : {"0330000001", "0330000002", "0330000003"})
                form.StartDemoCall(n);
            QTRY_COMPARE(form.sgdLog->rowCount(), 6);
            QCOMPARE(cell(form.sgdLog, 0, 1), QString("0330000003"));
            QCOMPARE(cell(form.sgdLog, 3, 1), QString("0311111111"));
        } else if (path == "rename") {
            TCust c;
            c.CustTel = "0311111111";
            c.CustName = QString::fromUtf8("山田商店");
            c.CustKana = QString::fromUtf8("やまだしょうてん");
            dmCmn->InsertCustData(c);
            form.StartDemoCall("0311111111");
            QTRY_COMPARE(form.sgdLog->rowCount(), 4);
            QCOMPARE(cell(form.sgdLog, 3, 4), QString::fromUtf8("山田商店"));
        } else {
            form.StartDemoCall("0330000001");
            QTRY_COMPARE(form.sgdLog->rowCount(), 4);
            dmCmn->ExecSql(QString("update LOG set TEL_MEMO = 'x' where TEL_NO = '0322222222'"));
            resets.clear();
            form.BtnRefreshClick();
            QCOMPARE(cell(form.sgdLog, 2, 5), QString("x"));
        }
        QCOMPARE(resets.size(), reset ? 1 : 0);
        QCOMPARE(cells(form.sgdLog), fresh());
        Clock::reset();
    }

    void selectionSurvivesNewCallsAbove()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QDateTime now(QDate::currentDate(), QTime(12, 0, 0));
        Clock::setNow(now);
        insertCall(now.addSecs(-600), "0311111111", QString::fromUtf8("着信"));
        insertCall(now.addSecs(-300), "0322222222", QString::fromUtf8("着信"));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        connect(&form, &TfrmMain::logGridLoaded, &form, []() { Clock::advance(1000); });
        form.sgdLog->setCurrentIndex(form.sgdLog->model()->index(1, 2));
        const QString logNo = cell(form.sgdLog, 1, 9);
        form.StartDemoCall("0330000001");
        form.StartDemoCall("0330000002");
        QTRY_COMPARE(form.sgdLog->rowCount(), 4);
        QCOMPARE(form.sgdLog->currentRow(), 3);
        QCOMPARE(form.sgdLog->currentIndex().column(), 2);
        QCOMPARE(cell(form.sgdLog, 3, 9), logNo);
        const QModelIndexList selected = form.sgdLog->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().row(), 3);
        Clock::reset();
    }

    void residentModeBalloon()
    {
        TestEnv env;
        env.writeIni("[BASIC]\nJOUCHU=1\nJOUCHU_KIDOU=1\n");
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        QVERIFY(form.StartHidden());
        QVERIFY(form.HasTrayIcon());
        QCOMPARE(form.findChild<QPushButton*>("btnClose")->text(), QString::fromUtf8("閉じる"));
        form.StartDemoCall("0312345678");
        QTRY_COMPARE(form.LastBalloon(), QString::fromUtf8("0312345678 発信者不明"));
        QVERIFY(!form.isVisible());

        // Close hides to the tray (minimises where there is none); the program keeps running.
        form.show();
        form.btnCloseClick();
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QVERIFY(!form.isVisible());
        else
            QVERIFY(form.isVisible() && form.isMinimized());
        QVERIFY(ProgramRunner::logText().contains(QString::fromUtf8("TfrmMain.btnCloseClick 常駐")));
        // Balloons are cut at 255 bytes.
        form.ShowHelpBalloon(QString(300, QChar(u'あ')));
        QCOMPARE(form.LastBalloon().size(), 127);
    }

    void windowPlacementRules()
    {
        const QList<QRect> screens{QRect(0, 0, 1920, 1080)};
        const QSize design(1000, 680);
        TWindowState normal{1, 100, 50, 600, 1200};
        QCOMPARE(PlaceWindow(normal, screens, design).Geometry, QRect(100, 50, 1200, 600));
        TWindowState gone{1, 2500, 50, 600, 1200}; // on a display no longer attached
        QCOMPARE(PlaceWindow(gone, screens, design).Geometry, QRect(0, 0, 1200, 600));
        TWindowState max{2, 100, 50, 600, 1200};
        QVERIFY(PlaceWindow(max, screens, design).Maximized);
        TWindowState minimised{3, 100, 50, 600, 1200};
        QCOMPARE(PlaceWindow(minimised, screens, design).Geometry, QRect(QPoint(0, 0), design));
        QVERIFY(!PlaceWindow(minimised, screens, design).Maximized);
    }

    void windowStateSurvivesARestart()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        {
            TfrmMain form;
            QVERIFY(form.FormCreate());
            form.show();
            form.setGeometry(40, 30, 1100, 500);
            gExportPrefs.ExpPath = "/tmp/log.csv";
            gExportPrefs.DelCrlfTai = false;
            form.Teardown();
        }
        gExportPrefs = TExportPrefs();
        TfrmMain again;
        QVERIFY(again.FormCreate());
        QCOMPARE(again.geometry().size(), QSize(1100, 500));
        QCOMPARE(gExportPrefs.ExpPath, QString("/tmp/log.csv"));
        QVERIFY(!gExportPrefs.DelCrlfTai);
        QVERIFY(gExportPrefs.DelCrlfTel);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestMainWindowCalls t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainwindow_calls.moc"
