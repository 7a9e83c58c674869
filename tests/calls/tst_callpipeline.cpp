#include "calls/CallPipeline.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "support/ProgramRunner.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QtTest>

namespace {
// The window side, recording what the pipeline asked of it.
class RecordingHost : public CallPipelineHost
{
public:
    QList<TCallResult> presented;
    int refreshes = 0;
    void RefreshAfterCall() override { ++refreshes; }
    void PresentCall(const TCallResult& call) override { presented << call; }
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
        QCOMPARE(host.refreshes, 2);
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

        // The phone book cannot be read: the lookup is tried again after the reconnection
        // rule, then the call ends.
        dmCmn->ExecSql("ALTER TABLE LOG DROP CHECK_ME");
        // (Reading the entry left by the first call now fails on every try.)
        dmCmn->ExecSql("ALTER TABLE TELS ADD BROKEN COMPUTED BY (CAST('x' AS INTEGER))");
        pipeline.Enqueue(call("0312345678"));
        QTRY_COMPARE(abandoned.size(), 2);
        QVERIFY(ProgramRunner::logText().contains("TfrmMain.ReDBConnect ErrorMsg="));
        dmCmn->ExecSql("ALTER TABLE TELS DROP BROKEN");

        pipeline.Enqueue(call("0399999999"));
        QTRY_COMPARE(host.presented.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestCallPipeline)
#include "tst_callpipeline.moc"
