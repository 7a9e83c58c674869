#include "calls/CallJournal.h"
#include "calls/CallPipeline.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/ColumnWidths.h"
#include "db/FbDatabase.h"
#include "db/TdmCmn.h"
#include "reports/TotalsSql.h"
#include "support/PeakMemory.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// The window side, recording what the pipeline asked of it.
class RecordingHost : public CallPipelineHost
{
public:
    QList<TCallResult> presented;
    QStringList shown;
    int refreshes = 0;
    int pendingAtRefresh = -1;
    bool failing = false;
    int waiting = 0;
    CallPipeline* pipeline = nullptr;
    void RefreshAfterCall() override
    {
        ++refreshes;
        if (pipeline)
            pendingAtRefresh = pipeline->Pending();
    }
    void PresentCall(const TCallResult& call) override { presented << call; }
    void ShowIncomingNumber(const QString& telNo) override { shown << telNo; }
    void CallStoreFailing(bool f, int w) override
    {
        failing = f;
        waiting = w;
    }
    bool journalUnwritable = false;
    int inMemory = 0, lost = 0;
    void CallJournalUnwritable(bool u, int m, int l) override
    {
        journalUnwritable = u;
        inMemory = m;
        lost = l;
    }
};

// A data root, settings, a database and a pipeline over it with a recording window side.
struct CallWorld
{
    TestEnv env;
    bool settingsLoaded = (LoadStartupSettings(), true);
    TestDatabase db{env.path("shop.fdb")};
    RecordingHost host;
    CallPipeline pipeline{dmCmn, &host};
};

int count(const QString& sql)
{
    dmCmn->sqlWork.setSql(sql);
    dmCmn->sqlWork.open();
    const int n = dmCmn->sqlWork.fieldByName("N").asInteger();
    dmCmn->sqlWork.close();
    return n;
}

TTels tels(const QString& telNo)
{
    TTels t;
    dmCmn->GetTels(telNo, t);
    return t;
}

void addCustomer(const QString& tel, const QString& name, const QString& kana)
{
    TCust c;
    c.CustTel = tel;
    c.CustName = name;
    c.CustKana = kana;
    dmCmn->InsertCustData(c);
}
} // namespace

class TestCallPipeline : public QObject
{
    Q_OBJECT

    TIncomingCall call(const QString& telNo, int port = 60600)
    {
        return TIncomingCall{telNo, QString(), port, QString::fromUtf8("ほんてん")};
    }

private slots:
    void numbersAndNames()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        RecordingHost host;
        CallPipeline pipeline(dmCmn, &host);
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0)));

        // A number in neither table: an unknown caller entry and a call row.
        TIncomingCall c = call("0312345678");
        TCallResult r;
        QVERIFY(pipeline.TelReceiveProc(c, r));
        QCOMPARE(r.Caller, QString::fromUtf8("発信者不明"));
        QCOMPARE(r.ReadName, QString::fromUtf8("はっしんしゃふめい"));
        QCOMPARE(r.CustTelNon, QString("0312345678"));
        QVERIFY(!c.LogNo.isEmpty());
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '0312345678' and TEL_TYPE = '着信' "
                       "and PORT_NO = 60600 and DT_FROM = '2024/05/01 10:00:00' and DT_TO is null"),
                 1);

        // Registered as a customer since: the entry takes the customer's name during the call.
        addCustomer("03-1234-5678", QString::fromUtf8("山田商店"), QString::fromUtf8("やまだしょうてん"));
        TIncomingCall again = call("0312345678");
        QVERIFY(pipeline.TelReceiveProc(again, r));
        QCOMPARE(r.Caller, QString::fromUtf8("山田商店"));
        QCOMPARE(tels("0312345678").ReadName, QString::fromUtf8("やまだしょうてん"));
        QVERIFY(again.LogNo.toInt() > c.LogNo.toInt());

        // Known only as a customer: the entry is created with the customer's name.
        addCustomer("0451112222", QString::fromUtf8("O'Brien 髙橋"), QString::fromUtf8("おぶらいえん"));
        TIncomingCall cust = call("0451112222");
        QVERIFY(pipeline.TelReceiveProc(cust, r));
        QCOMPARE(tels("0451112222").Caller, QString::fromUtf8("O'Brien 髙橋"));

        // A withheld number: one entry under a blank, a row per call, an empty number shown.
        for (int i = 0; i < 2; ++i) {
            TIncomingCall w = call("");
            QVERIFY(pipeline.TelReceiveProc(w, r));
            QCOMPARE(r.TelNo, QString());
            QCOMPARE(r.Caller, QString::fromUtf8("発信者不明"));
        }
        QCOMPARE(count("select count(*) as N from TELS where TEL_NO = ' '"), 1);
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = ' '"), 2);

        // A number holding a quote is stored as it came.
        TIncomingCall q = call("03'1");
        QVERIFY(pipeline.TelReceiveProc(q, r));
        QCOMPARE(tels("03'1").TelNo, QString("03'1"));
    }

    void queueKeepsArrivalOrder()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        RecordingHost host;
        CallPipeline pipeline(dmCmn, &host);
        pipeline.Enqueue(call("0311111111", 60600));
        pipeline.Enqueue(call("0322222222", 60601));
        QVERIFY(pipeline.CallWaiting());
        QCOMPARE(host.presented.size(), 0); // deferred to the event loop
        QTRY_COMPARE(host.presented.size(), 2);
        QCOMPARE(host.presented.at(0).TelNo, QString("0311111111"));
        QCOMPARE(host.presented.at(1).PortNo, 60601);
        // Both were queued together: one refresh after the second.
        QCOMPARE(host.refreshes, 1);
        QVERIFY(!pipeline.CallWaiting());
        QCOMPARE(count("select count(*) as N from LOG where PORT_NO = 60601"), 1);

        // Never inside a refresh: taken up once the refresh has ended.
        pipeline.BeginRefresh();
        pipeline.Enqueue(call("0333333333"));
        QTest::qWait(50);
        QCOMPARE(host.presented.size(), 2);
        pipeline.EndRefresh();
        QTRY_COMPARE(host.presented.size(), 3);
    }

    void databaseFailuresEndTheCallSilently()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        RecordingHost host;
        CallPipeline pipeline(dmCmn, &host);
        QSignalSpy abandoned(&pipeline, &CallPipeline::callAbandoned);

        // The call log cannot be written: no row, no message, and the program goes on.
        dmCmn->ExecSql("ALTER TABLE LOG ADD CHECK_ME INTEGER NOT NULL");
        pipeline.Enqueue(call("0312345678"));
        QTRY_COMPARE(abandoned.size(), 1);
        QCOMPARE(host.presented.size(), 0);
        QVERIFY(MessageService::shown().isEmpty());
        // The new caller's phone-book entry went with the call: both or neither are stored.
        QCOMPARE(count("select count(*) as N from TELS where TEL_NO = '0312345678'"), 0);

        // The phone book cannot be read: the lookup is tried again after the reconnection
        // rule, then the call ends.
        dmCmn->ExecSql("ALTER TABLE LOG DROP CHECK_ME");
        dmCmn->ExecSql("insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values "
                       "('0312345678', '0312345678', 'x', 'x')");
        // (Reading that entry now fails on every try.)
        dmCmn->ExecSql("ALTER TABLE TELS ADD BROKEN COMPUTED BY (CAST('x' AS INTEGER))");
        pipeline.Enqueue(call("0312345678"));
        QTRY_COMPARE(abandoned.size(), 2);
        QVERIFY(ProgramRunner::logText().contains("TfrmMain.ReDBConnect ErrorMsg="));
        dmCmn->ExecSql("ALTER TABLE TELS DROP BROKEN");

        pipeline.Enqueue(call("0399999999"));
        QTRY_COMPARE(host.presented.size(), 1);
    }

    void unstorableNumbersAreStoredMarked_data()
    {
        QTest::addColumn<bool>("numberForm");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("marked");
        const QString digits45 = QString("0123456789").repeated(4) + "01234";
        // With the number form off, every number is taken byte for byte as it came.
        QTest::newRow("fits") << false << "0312345678" << "0312345678" << false;
        QTest::newRow("fits, full width") << false << QString::fromUtf8("０３１２") << QString::fromUtf8("０３１２") << false;
        QTest::newRow("hangul") << false << QString::fromUtf8("03김5") << QString::fromUtf8("03〓5") << true;
        QTest::newRow("minus sign") << false << QString::fromUtf8("03−1234") << QString::fromUtf8("03〓1234") << true;
        QTest::newRow("45 digits") << false << digits45 << digits45.left(40) << true;
        QTest::newRow("wide and long") << false << QString::fromUtf8("김").repeated(25)
                                       << QString::fromUtf8("〓").repeated(20) << true;
        QTest::newRow("emoji") << false << QString::fromUtf8("03😀1") << QString::fromUtf8("03〓1") << true;
        // On: the national form is stored; what it cannot clean is handled as before.
        QTest::newRow("on, full width") << true << QString::fromUtf8("０３１２") << "0312" << false;
        QTest::newRow("on, minus sign") << true << QString::fromUtf8("03−1234") << "031234" << false;
        QTest::newRow("on, hangul") << true << QString::fromUtf8("+81 3김5") << QString::fromUtf8("+81 3〓5") << true;
        QTest::newRow("on, blanks make it fit") << true << "+81 " + digits45.mid(1, 19) + QString(25, ' ')
                                                << "0" + digits45.mid(1, 19) << false;
    }

    void unstorableNumbersAreStoredMarked()
    {
        QFETCH(bool, numberForm);
        QFETCH(QString, received);
        QFETCH(QString, stored);
        QFETCH(bool, marked);
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;
        GNumberForm = numberForm;
        pipeline.Enqueue(call(received));
        QTRY_COMPARE(host.presented.size(), 1);
        QCOMPARE(host.presented.at(0).TelNo, stored);
        QCOMPARE(host.shown, QStringList{stored});
        QCOMPARE(tels(stored).TelNo, stored);
        dmCmn->sqlWork.setSql("select TEL_NO from LOG");
        dmCmn->sqlWork.open();
        QCOMPARE(dmCmn->sqlWork.field(0).asString(), stored);
        dmCmn->sqlWork.close();
        const QString log = ProgramRunner::logText();
        QCOMPARE(log.contains(QString::fromUtf8("as received: \"") + received), marked);
        const bool cleaned = numberForm && !marked && stored != received;
        QCOMPARE(log.contains(QString::fromUtf8("as received=") + received), cleaned);
    }

    void oneCallerHoweverThePhoneWritesTheNumber()
    {
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;
        QVERIFY(GNumberForm); // on by default
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0)));
        addCustomer("090-1234-5678", QString::fromUtf8("田中工務店"), QString::fromUtf8("たなかこうむてん"));
        const QStringList forms{"+819012345678", "+81 90-1234-5678", "0081 90 1234 5678",
                                QString::fromUtf8("０９０－１２３４－５６７８")};
        for (const QString& form : forms)
            pipeline.Enqueue(call(form));
        QTRY_COMPARE(host.presented.size(), 4);
        for (const TCallResult& r : host.presented) {
            QCOMPARE(r.TelNo, QString("09012345678"));
            // The key the customer tab opens with.
            QCOMPARE(r.CustTelNon, QString("09012345678"));
            QCOMPARE(r.Caller, QString::fromUtf8("田中工務店"));
        }
        QCOMPARE(count("select count(*) as N from TELS"), 1);
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '09012345678'"), 4);
        // The number as the phone reported it stays in the diagnostic log.
        QVERIFY(ProgramRunner::logText().contains("as received=+81 90-1234-5678"));

        // An outgoing call to the same caller joins them.
        QVERIFY(pipeline.RecordOutgoingCall("+81 90 1234 5678", 1) > 0);
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '09012345678'"), 5);

        TotalsSql totals([](const QString&) { return true; }, [](const QString&) { return true; });
        TTotalRequest request;
        request.DateFrom = QDate(2024, 5, 1);
        request.DateTo = QDate(2024, 5, 1);
        request.Kubun = 2;
        const TTotalSql sql = totals.GetSqlStr(request);
        QVERIFY(sql.Ok());
        dmCmn->sqlWork.setSql(sql.RunSql);
        dmCmn->sqlWork.open();
        QCOMPARE(dmCmn->sqlWork.fieldByName("TOTAL").asInteger(), 5);
        dmCmn->sqlWork.next();
        QVERIFY(dmCmn->sqlWork.eof());
        dmCmn->sqlWork.close();
    }

    void phoneBookEntryMadeMeanwhileByAnotherPc()
    {
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;

        // A second attachment, as a second PC would have, enters the caller between our
        // lookup and our insert.
        FbDatabase other;
        other.setDatabaseName(db.path());
        other.setParams(dmCmn->IBDatabase1.params());
        dmCmn->IBDatabase1.setStatementHook([&other](const QString& sql) {
            if (sql.startsWith("insert into TELS"))
                other.execute(QString::fromUtf8("insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values "
                                                "('0312345678', '0312345678', 'OTHER PC', 'OTHER')"));
        });
        pipeline.Enqueue(call("0312345678"));
        QTRY_COMPARE(host.presented.size(), 1);
        dmCmn->IBDatabase1.setStatementHook({});
        QCOMPARE(host.presented.at(0).Caller, QString("OTHER PC"));
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '0312345678'"), 1);
        QCOMPARE(count("select count(*) as N from TELS"), 1);
    }

    void journalLines()
    {
        TestEnv env;
        const QDateTime t(QDate(2024, 5, 1), QTime(10, 0, 0, 250));
        const TJournalEntry odd{t, QString::fromUtf8("03\t1%2\n〓 x"), 3, QString::fromUtf8("着信")};
        TJournalEntry back;
        QVERIFY(!CallJournal::FormatLine(odd).contains('\n'));
        QVERIFY(CallJournal::ParseLine(CallJournal::FormatLine(odd), back));
        QVERIFY(back == odd);

        CallJournal journal(env.path("j.txt"));
        QVERIFY(journal.IsEmpty());
        const TJournalEntry a{t, "01", 1, QString::fromUtf8("着信")}, b{t, "02", 2, QString::fromUtf8("発信")};
        QVERIFY(journal.Append(a));
        QVERIFY(journal.Append(b));
        // A line cut short by a crash is skipped.
        {
            QFile f(journal.path());
            QVERIFY(f.open(QIODevice::Append));
            f.write("2024-05-01 10:0");
        }
        QCOMPARE(journal.Entries(), (QList<TJournalEntry>{a, b}));

        // Replay stops at the first call the database refuses and keeps it and the rest.
        QList<TJournalEntry> seen;
        QCOMPARE(journal.Replay([&seen](const TJournalEntry& e) {
            if (e.TelNo == "02")
                throw AppError("down");
            seen << e;
        }),
                 1);
        QCOMPARE(seen, QList<TJournalEntry>{a});
        QCOMPARE(CallJournal(journal.path()).Entries(), QList<TJournalEntry>{b});
        QCOMPARE(journal.Replay([](const TJournalEntry&) {}), 1);
        QVERIFY(journal.IsEmpty());
        QVERIFY(!QFile::exists(journal.path()));
    }

    // The database file goes away while the program runs, then comes back.
    void unreachableDatabaseJournalsCallsAndReplaysThemOnce()
    {
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;
        pipeline.SetJournal(env.path("CallJournal.txt"));
        QSignalSpy abandoned(&pipeline, &CallPipeline::callAbandoned);
        const QDateTime t1(QDate(2024, 5, 1), QTime(10, 0, 0));
        Clock::setNow(t1);
        pipeline.Enqueue(call("0311111111"));
        QTRY_COMPARE(host.presented.size(), 1);

        // Renamed away under the open attachment: the periodic check notices.
        QVERIFY(QFile::rename(db.path(), db.path() + ".away"));
        pipeline.CheckDatabase();
        QVERIFY(pipeline.StoreFailing());
        QVERIFY(host.failing);

        const QDateTime t2 = t1.addSecs(60), t3 = t1.addSecs(120);
        Clock::setNow(t2);
        pipeline.Enqueue(call("0322222222", 60601));
        QTRY_COMPARE(abandoned.size(), 1);
        QCOMPARE(host.shown.last(), QString("0322222222")); // on screen all the same
        Clock::setNow(t3);
        QCOMPARE(pipeline.RecordOutgoingCall("0333333333", 60602), -1);
        QCOMPARE(pipeline.Journal()->Count(), 2);
        QCOMPARE(host.waiting, 2);
        pipeline.CheckDatabase(); // still away
        QVERIFY(host.failing);
        QCOMPARE(pipeline.Journal()->Count(), 2);

        QVERIFY(QFile::rename(db.path() + ".away", db.path()));
        Clock::setNow(t3.addSecs(60));
        pipeline.CheckDatabase();
        QVERIFY(!host.failing);
        QVERIFY(pipeline.Journal()->IsEmpty());
        pipeline.CheckDatabase();
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '0322222222' and TEL_TYPE = '着信' "
                       "and PORT_NO = 60601 and DT_FROM = '2024/05/01 10:01:00'"),
                 1);
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '0333333333' and TEL_TYPE = '発信' "
                       "and PORT_NO = 60602 and DT_FROM = '2024/05/01 10:02:00'"),
                 1);
        QCOMPARE(count("select count(*) as N from LOG"), 3);
        QCOMPARE(count("select count(*) as N from TELS"), 3);

        // The next start replays what is left; a call stored just before a crash, whose
        // line was still in the journal, is not stored twice.
        CallJournal left(env.path("CallJournal.txt"));
        QVERIFY(left.Append(TJournalEntry{t2, "0322222222", 60601, QString::fromUtf8("着信")}));
        QVERIFY(left.Append(TJournalEntry{t3.addSecs(5), " ", 60601, QString::fromUtf8("着信")}));
        CallPipeline restarted(dmCmn, &host);
        restarted.SetJournal(env.path("CallJournal.txt"));
        QCOMPARE(restarted.ReplayJournal(), 2);
        QCOMPARE(count("select count(*) as N from LOG"), 4);
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = ' '"), 1);
        QVERIFY(!QFile::exists(env.path("CallJournal.txt")));
    }

    // Unknown-caller texts longer than their columns: new callers are stored all the same,
    // under the texts cut to fit, said once in the log.
    void longUnknownCallerTextsAreCut()
    {
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;
        pipeline.SetJournal(env.path("CallJournal.txt"));
        const int nameWidth = ColumnWidths::Width("TELS", "CALLER"),
                  kanaWidth = ColumnWidths::Width("TELS", "READ_NAME");
        QVERIFY(nameWidth > 0 && kanaWidth > 0);
        GUnknownName = QString(nameWidth, QChar(0x540D)); // two bytes each
        GUnknownKana = QString(kanaWidth + 1, QLatin1Char('k'));
        const qint64 logBefore = QFileInfo(gCurLogFile).size();
        pipeline.Enqueue(call("0311111111"));
        pipeline.Enqueue(call("0322222222"));
        QTRY_COMPARE(host.presented.size(), 2);
        QVERIFY(pipeline.Journal()->IsEmpty());
        QCOMPARE(tels("0322222222").Caller, GUnknownName.left(nameWidth / 2));
        QCOMPARE(tels("0322222222").ReadName, GUnknownKana.left(kanaWidth));
        QFile log(gCurLogFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        log.seek(logBefore);
        QCOMPARE(log.readAll().count("does not fit TELS.CALLER"), 1);
    }

    // Rows committed into a removed file would vanish with it: before the periodic check
    // notices, the call goes to the journal and reaches the database once it is back.
    void callsIntoARemovedFileAreJournaled()
    {
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;
        pipeline.SetJournal(env.path("CallJournal.txt"));
        QSignalSpy abandoned(&pipeline, &CallPipeline::callAbandoned);
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0)));
        pipeline.Enqueue(call("0311111111"));
        QTRY_COMPARE(host.presented.size(), 1);
        QVERIFY(QFile::rename(db.path(), db.path() + ".away"));
        pipeline.Enqueue(call("0322222222"));
        QTRY_COMPARE(abandoned.size(), 1);
        QCOMPARE(host.presented.size(), 1);
        QCOMPARE(pipeline.Journal()->Count(), 1);
        QVERIFY(QFile::rename(db.path() + ".away", db.path()));
        pipeline.CheckDatabase();
        QVERIFY(pipeline.Journal()->IsEmpty());
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '0322222222'"), 1);
    }

    // A journal written by hand or an older copy: what can be stored is stored, in order;
    // what never can be goes aside once, with one log line per kind, and holds nothing back.
    void journalLinesThatCanNeverBeStoredGoAside()
    {
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;
        const QString path = env.path("CallJournal.txt");
        pipeline.SetJournal(path);
        const QDateTime now(QDate(2024, 5, 1), QTime(12, 0, 0));
        Clock::setNow(now);
        const QByteArray good1 = CallJournal::FormatLine({now.addSecs(-60), "0311111111", 1, "着信"}).toUtf8();
        const QByteArray good2 = CallJournal::FormatLine({now.addSecs(30), "0322222222", 2, "発信"}).toUtf8();
        const QByteArray nul =
            CallJournal::FormatLine({now.addSecs(-90), QString("03") + QChar(0) + "1", 1, "着信"}).toUtf8();
        const QByteArray future = CallJournal::FormatLine({now.addSecs(61), "0333333333", 1, "着信"}).toUtf8();
        const QByteArray future2099 =
            CallJournal::FormatLine({QDateTime(QDate(2099, 1, 1), QTime(0, 0)), "04", 1, "着信"}).toUtf8();
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(nul + "\n\x01\xff junk\n" + future + "\n" + good1 + "\nno\ttabs\there\n" + future2099 + "\n" +
                    good2 + "\n2024-05-01 10:0");
        }
        const qint64 logBefore = QFileInfo(gCurLogFile).size();
        QCOMPARE(pipeline.ReplayJournal(), 2);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(count("select count(*) as N from LOG"), 2);
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '0322222222' and TEL_TYPE = '発信'"), 1);
        QFile aside(pipeline.Journal()->asidePath());
        QVERIFY(aside.open(QIODevice::ReadOnly));
        const QList<QByteArray> put = aside.readAll().split('\n');
        QCOMPARE(put.size(), 7); // six lines and the end
        QVERIFY(put.contains("refused\t" + nul));
        QVERIFY(put.contains("future\t" + future));
        QVERIFY(put.contains("future\t" + future2099));
        QVERIFY(put.contains("unreadable\t2024-05-01 10:0"));
        aside.close();

        // Reported once: a later outage's call is stored with nothing said again.
        const qint64 logAfter = QFileInfo(gCurLogFile).size();
        QVERIFY(logAfter > logBefore);
        QVERIFY(pipeline.Journal()->Append({now, "0344444444", 3, "着信"}));
        QCOMPARE(pipeline.ReplayJournal(), 1);
        QFile log(gCurLogFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        log.seek(logAfter);
        QVERIFY(!log.readAll().contains("put aside"));
        QCOMPARE(QFileInfo(aside).size(), qint64(put.join('\n').size()));
    }

    // Tens of megabytes of junk: read in pieces, one counted log line, memory bounded.
    void largeJunkJournalIsReadInPieces()
    {
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;
        const QString path = env.path("CallJournal.txt");
        pipeline.SetJournal(path);
        const QDateTime now(QDate(2024, 5, 1), QTime(12, 0, 0));
        Clock::setNow(now);
        const qint64 longLine = 24 << 20;
        const int shortLines = 20000;
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            const QByteArray block(1 << 20, 'x');
            for (qint64 n = 0; n < longLine; n += block.size())
                f.write(block);
            f.write("\n");
            for (int i = 0; i < shortLines; ++i)
                f.write("junk " + QByteArray::number(i) + "\n");
            f.write(CallJournal::FormatLine({now, "0311111111", 1, "着信"}).toUtf8() + "\n");
        }
        const qint64 logBefore = QFileInfo(gCurLogFile).size();
        const PeakMemory peak;
        QCOMPARE(pipeline.ReplayJournal(), 1);
        QVERIFY(!QFile::exists(path));
        QVERIFY(QFileInfo(gCurLogFile).size() - logBefore < 2048);
        QVERIFY(QFileInfo(pipeline.Journal()->asidePath()).size() > longLine);
        if (peak.measurable()) {
            const qint64 grown = peak.grownKb();
            QVERIFY2(grown < (longLine >> 10) / 2, qPrintable(QString("peak grew by %1 KB").arg(grown)));
        }
    }

    // The data folder's disk is full while the database is away: the call is kept in memory,
    // goes to the journal once there is room, and to the call log once the database is back.
    void fullDiskKeepsTheCallUntilThereIsRoom()
    {
        if (geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        const QString small = env.path("small");
        QVERIFY(QDir().mkpath(small));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", small}) != 0)
            QSKIP("cannot mount a small file system here");
        const auto unmount = qScopeGuard([&]() { QProcess::execute("umount", {small}); });
        {
            QFile filler(small + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            const QByteArray block(1024, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
        }
        RecordingHost host;
        CallPipeline pipeline(dmCmn, &host);
        const QString journalPath = small + "/CallJournal.txt";
        pipeline.SetJournal(journalPath);
        QSignalSpy abandoned(&pipeline, &CallPipeline::callAbandoned);
        QVERIFY(dmCmn->IBDatabase1.connected());
        QVERIFY(QFile::rename(db.path(), db.path() + ".away"));
        pipeline.CheckDatabase();
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(9, 0, 0)));
        pipeline.Enqueue(call("0311111111"));
        QTRY_COMPARE(abandoned.size(), 1);
        QCOMPARE(host.shown, QStringList{"0311111111"});
        QVERIFY(host.failing);
        QCOMPARE(host.waiting, 1);
        QCOMPARE(QFileInfo(journalPath).size(), 0);

        QVERIFY(QFile::remove(small + "/filler"));
        pipeline.CheckDatabase(); // the database is still away
        QCOMPARE(CallJournal(journalPath).Count(), 1);
        QVERIFY(host.failing);

        QVERIFY(QFile::rename(db.path() + ".away", db.path()));
        pipeline.CheckDatabase();
        QVERIFY(!host.failing);
        QCOMPARE(count("select count(*) as N from LOG where TEL_NO = '0311111111' and DT_FROM = '2024/05/01 09:00:00'"), 1);
        QVERIFY(!QFile::exists(journalPath));
    }

    // A journal that cannot be written (a folder in its place, which no rights get past) while
    // the database is away: said when that starts and ends, each call's line saying where it
    // is; the calls wait in memory, bounded and counted, and reach the file once it can be.
    void unwritableJournalIsSaidAndRetried()
    {
        CallWorld w;
        auto& [env, settingsLoaded, db, host, pipeline] = w;
        const QString journalPath = env.path("CallJournal.txt");
        QVERIFY(QDir().mkpath(journalPath));
        pipeline.SetJournal(journalPath);
        QSignalSpy abandoned(&pipeline, &CallPipeline::callAbandoned);
        QVERIFY(QFile::rename(db.path(), db.path() + ".away"));
        pipeline.CheckDatabase();
        const qint64 logBefore = QFileInfo(gCurLogFile).size();
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(9, 0, 0)));
        for (const char* number : {"0311111111", "0322222222", "0333333333"})
            pipeline.Enqueue(call(number));
        QTRY_COMPARE(abandoned.size(), 3);
        QVERIFY(host.journalUnwritable);
        QCOMPARE(host.inMemory, 3);
        QCOMPARE(host.lost, 0);

        QVERIFY(QDir().rmdir(journalPath));
        pipeline.CheckDatabase();
        QVERIFY(!host.journalUnwritable);
        QCOMPARE(CallJournal(journalPath).Count(), 3);
        const QByteArray said = ProgramRunner::logText().toUtf8().mid(int(logBefore));
        QCOMPARE(said.count("CallJournal: cannot write "), 1);
        QCOMPARE(said.count("Call kept in memory until the journal can be written: "), 3);
        QCOMPARE(said.count("Call kept in the journal until the database takes it"), 0);
        QCOMPARE(said.count("CallJournal: written again: "), 1);

        // Memory holds a bounded number; the calls beyond are counted as lost.
        QVERIFY(QDir().mkpath(env.path("folder")));
        CallJournal unwritable(env.path("folder"));
        QVERIFY(!unwritable.Append(
            QList<TJournalEntry>(CallJournal::kMaxInMemory + 2, TJournalEntry{Clock::now(), "01", 1, "x"})));
        QCOMPARE(unwritable.InMemory(), CallJournal::kMaxInMemory);
        QCOMPARE(unwritable.Lost(), 2);
    }

    void burstOfCallsRefreshesOnce()
    {
        TestEnv env;
        LoadStartupSettings();
        // In memory where there is such a folder: a thousand synced commits on a busy disk
        // would make this test slow without making it better.
        QTemporaryDir memory(QDir("/dev/shm").exists() ? "/dev/shm/zuvaro-burst-XXXXXX" : env.path("burst-XXXXXX"));
        TestDatabase db(memory.filePath("shop.fdb"));
        RecordingHost host;
        CallPipeline pipeline(dmCmn, &host);
        host.pipeline = &pipeline;
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0)));
        const int calls = 1000;
        for (int i = 0; i < calls; ++i)
            pipeline.Enqueue(call(QString("03%1").arg(i % 300, 8, 10, QChar('0'))));
        // A refresh that starts while calls are queued gives way to them.
        pipeline.BeginRefresh();
        QVERIFY(pipeline.CallWaiting());
        pipeline.EndRefresh();
        QTRY_COMPARE_WITH_TIMEOUT(host.presented.size(), calls, 300000);
        QCOMPARE(host.refreshes, 1);
        QCOMPARE(host.pendingAtRefresh, 0);
        QVERIFY(!pipeline.CallWaiting());
        QCOMPARE(count("select count(*) as N from LOG"), calls);
    }

    // The journal holds callers' numbers: the group's to read and write, nobody else's,
    // whatever the umask.
    void journalIsTheGroupsOnly()
    {
        TestEnv env;
        const mode_t umaskBefore = ::umask(002);
        const auto restore = qScopeGuard([umaskBefore] { ::umask(umaskBefore); });
        const QDateTime t(QDate(2024, 5, 1), QTime(10, 0, 0));
        CallJournal journal(env.path("CallJournal.txt"));
        auto mode = [](const QString& path) {
            struct stat st;
            return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
        };
        for (const char* number : {"01", "02", "03"})
            QVERIFY(journal.Append(TJournalEntry{t, number, 1, QString::fromUtf8("着信")}));
        QCOMPARE(mode(journal.path()), 0660);
        // One left by an older version for everybody to read loses that at its rewrite; the
        // file of the lines put aside is made the same way.
        QVERIFY(::chmod(QFile::encodeName(journal.path()).constData(), 0664) == 0);
        QCOMPARE(journal.Replay([](const TJournalEntry& e) {
            if (e.TelNo == "02")
                throw JournalEntryRefused("refused");
            if (e.TelNo == "03")
                throw AppError("down");
        }),
                 1);
        QCOMPARE(mode(journal.path()), 0660);
        QCOMPARE(mode(journal.asidePath()), 0660);
    }
};

QTEST_GUILESS_MAIN(TestCallPipeline)
#include "tst_callpipeline.moc"
