#include "core/Clock.h"
#include "devices/TelLineProtocol.h"

#include <QTest>

namespace {
// Records what the protocol asks of its link.
struct Recorder : TelLineSink
{
    QStringList traces, errors, numbers, sms;
    int keepAliveReplies = 0;
    int replies = 0;
    std::function<void()> onDeliver;

    void ProtocolTrace(const QString& t) override { traces << t; }
    void ProtocolError(const QString& t) override { errors << t; }
    void SendKeepAliveReply() override { ++keepAliveReplies; }
    void DeliverTelNo(const QString& n) override
    {
        numbers << n;
        if (onDeliver)
            onDeliver();
    }
    void DeliverSmsResponse(const QString& p, const QString& t, const QString& m) override
    {
        sms << p + QLatin1Char('|') + t + QLatin1Char('|') + m;
    }
    void DeliverSmsRecieve(const QString& p, const QString& m) override { sms << p + QLatin1Char('|') + m; }
    void ReplyArrived() override { ++replies; }
};

QByteArray U(const char* s)
{
    return QByteArray(s);
}
} // namespace

class TestTelProtocol : public QObject
{
    Q_OBJECT

    const QDateTime t0 = QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0));

private slots:
    void init() { Clock::setNow(t0); }
    void cleanup() { Clock::reset(); }

    void ownNumberEchoThenResult()
    {
        Recorder r;
        TelLineProtocol p(&r);
        p.BeginRequest(ctOwnTelNo);
        p.TcpClientRead(U("+CNUM: \"\",\"09011112222\",129\r\n"));
        QVERIFY(p.Result(ctOwnTelNo).isEmpty()); // not the echo: ignored
        QVERIFY(r.traces.last().startsWith(QStringLiteral("自番号取得のエコーコマンドではないので無効 temp=")));
        p.TcpClientRead(U("AT+CNUM\r\n"));
        QCOMPARE(p.EchoCounter(ctOwnTelNo), 1);
        p.TcpClientRead(U("+CNUM: \"\",\"09011112222\",129\r\n"));
        QCOMPARE(p.Result(ctOwnTelNo), QStringLiteral("OK"));
        QCOMPARE(p.SelfTelNo(), QStringLiteral("09011112222"));
        QCOMPARE(p.EchoCounter(ctOwnTelNo), 0);
        QCOMPARE(r.replies, 1);
    }

    void ownNumberFailures()
    {
        Recorder r;
        TelLineProtocol p(&r);
        const QList<QByteArray> results = {U("ERROR\r\n"), U("+CNUM: \"\",\"+819011112222\",145\r\n"),
                                           U("+CNUM: \"0\"ERROR\r\n")};
        for (const QByteArray& result : results) {
            p.BeginRequest(ctOwnTelNo);
            p.ClearSelfTelNo();
            p.TcpClientRead(U("AT+CNUM\r\n") + result);
            QCOMPARE(p.Result(ctOwnTelNo), QStringLiteral("ERROR"));
            QVERIFY(p.SelfTelNo().isEmpty());
        }
    }

    void ownNumberWithoutClosingPair()
    {
        // The number is never the protocol line itself, whatever follows it.
        QString n;
        QVERIFY(TelLineProtocol::OwnNumber(QStringLiteral("+CNUM: \"\",\"09011112222\"\r\n"), &n));
        QCOMPARE(n, QStringLiteral("09011112222"));
        QVERIFY(TelLineProtocol::OwnNumber(QStringLiteral("+CNUM: \"\",\"09011112222\r\n"), &n));
        QCOMPARE(n, QStringLiteral("09011112222"));
        QVERIFY(!TelLineProtocol::OwnNumber(QStringLiteral("+CNUM: 0901\r\n"), &n));
    }

    void requestCtiAndCommandReplies()
    {
        Recorder r;
        TelLineProtocol p(&r);
        p.BeginRequest(ctReceive);
        p.TcpClientRead(U("RING\r\n"));
        QCOMPARE(r.traces.last(), QStringLiteral("1回目の受信でRINGではないので無効"));
        p.TcpClientRead(U("AT+CLIP=1\r\nOK\r\n"));
        QCOMPARE(p.Result(ctReceive), QStringLiteral("OK"));
        p.BeginRequest(ctReceive);
        p.TcpClientRead(U("AT+CLIP=1\r\nNO CARRIER\r\n"));
        QCOMPARE(p.Result(ctReceive), QStringLiteral("ERROR"));

        p.BeginRequest(ctCommand, QStringLiteral("ATD0311112222;"));
        p.TcpClientRead(U("AT+CLIP=1\r\n"));
        QVERIFY(r.traces.last().startsWith(QStringLiteral("ATD0311112222;コマンド送信のエコーではないので無効 temp=")));
        p.TcpClientRead(U("ATD0311112222;\r\nOK\r\n"));
        QCOMPARE(p.Result(ctCommand), QStringLiteral("OK"));
        // The pending command stays: a stray line after the result is judged against it.
        QCOMPARE(p.Pending(), ctCommand);
        p.BeginRequest(ctCommand, QStringLiteral("ATD1;"));
        p.TcpClientRead(U("ATD1;\r\nERROR\r\n"));
        QCOMPARE(p.Result(ctCommand), QStringLiteral("ERROR"));
    }

    void repliesWithoutRequestAreIgnored()
    {
        Recorder r;
        TelLineProtocol p(&r);
        p.TcpClientRead(U("AT+CNUM\r\n+CNUM: \"\",\"0901\",129\r\nOK\r\n"));
        QCOMPARE(r.replies, 0);
        QVERIFY(p.SelfTelNo().isEmpty());
    }

    void lateReplyStillSetsResult()
    {
        Recorder r;
        TelLineProtocol p(&r);
        p.BeginRequest(ctOwnTelNo);
        // ... the request has given up; the reply comes anyway.
        p.TcpClientRead(U("AT+CNUM\r\n+CNUM: \"\",\"08099998888\",129\r\n"));
        QCOMPARE(p.Result(ctOwnTelNo), QStringLiteral("OK"));
        QCOMPARE(p.SelfTelNo(), QStringLiteral("08099998888"));
    }

    void callerDuringOwnNumberQuery()
    {
        Recorder r;
        TelLineProtocol p(&r);
        p.BeginRequest(ctOwnTelNo);
        p.TcpClientRead(U("AT+CNUM\r\n+CLIP: \"0312345678\",129\r\n"));
        QCOMPARE(r.numbers, QStringList{QStringLiteral("0312345678")});
        QVERIFY(p.Result(ctOwnTelNo).isEmpty());
        QCOMPARE(p.EchoCounter(ctOwnTelNo), 1);
        p.TcpClientRead(U("+CNUM: \"\",\"09011112222\",129\r\n"));
        QCOMPARE(p.SelfTelNo(), QStringLiteral("09011112222"));
    }

    void callerNumbers()
    {
        QCOMPARE(TelLineProtocol::ClipNumber(QStringLiteral("+CLIP: \"0312345678\",129,,,\"x\"\r\n")),
                 QStringLiteral("0312345678"));
        QCOMPARE(TelLineProtocol::ClipNumber(QStringLiteral("+CLIP: 0312345678\r\n")), QString());
        QCOMPARE(TelLineProtocol::ClipNumber(QStringLiteral("+CLIP: \"0312\r\n")), QString());
        // ESC, TAB, a lone LF, SOH and DEL inside the quotes are dropped, nothing else.
        QCOMPARE(TelLineProtocol::ClipNumber(QStringLiteral("+CLIP: \"\x1b[2J03\t12\n34\x01\x7f" "56\",129\r\n")),
                 QStringLiteral("[2J03123456"));
        QCOMPARE(TelLineProtocol::ClipNumber(QStringLiteral("+CLIP: \"０３ 12\",129\r\n")), QStringLiteral("０３ 12"));
        Recorder r;
        TelLineProtocol p(&r);
        p.TcpClientRead(U("+CLIP:\r\n"));
        QCOMPARE(r.numbers, QStringList{QString()}); // a caller without number is still a call
    }

    void repeatRule_data()
    {
        QTest::addColumn<QList<int>>("seconds");
        QTest::addColumn<int>("deliveries");
        QTest::newRow("keeps ringing") << QList<int>{0, 3, 6, 9} << 1;
        QTest::newRow("called again") << QList<int>{0, 6} << 2;
        QTest::newRow("exactly five") << QList<int>{0, 5} << 1;
    }

    void repeatRule()
    {
        QFETCH(QList<int>, seconds);
        QFETCH(int, deliveries);
        Recorder r;
        TelLineProtocol p(&r);
        for (int s : seconds) {
            Clock::setNow(t0.addSecs(s));
            p.TcpClientRead(U("+CLIP: \"0312345678\",129\r\n"));
        }
        QCOMPARE(r.numbers.size(), deliveries);
    }

    void differentNumberIsDeliveredAndBecomesLast()
    {
        Recorder r;
        TelLineProtocol p(&r);
        p.TcpClientRead(U("+CLIP: \"031\"\r\n"));
        Clock::setNow(t0.addSecs(1));
        p.TcpClientRead(U("+CLIP: \"032\"\r\n"));
        Clock::setNow(t0.addSecs(2));
        p.TcpClientRead(U("+CLIP: \"031\"\r\n"));
        QCOMPARE(r.numbers, (QStringList{QStringLiteral("031"), QStringLiteral("032"), QStringLiteral("031")}));
        // The clock set back is no repeat: a call must not vanish.
        Clock::setNow(t0.addSecs(-3600));
        p.TcpClientRead(U("+CLIP: \"031\"\r\n"));
        QCOMPARE(r.numbers.size(), 4);
    }

    void keepAliveOnlyOnWifiAndOnlyAlone()
    {
        Recorder r;
        TelLineProtocol p(&r);
        p.BeginRequest(ctOwnTelNo);
        p.TcpClientRead(TelLineProtocol::KeepAliveCommand);
        QCOMPARE(r.keepAliveReplies, 1);
        p.TcpClientRead(TelLineProtocol::KeepAliveReply);
        const int handled = int(r.traces.filter(QStringLiteral("DelimiterRecieve")).size());
        QCOMPARE(handled, 0);
        // Followed directly by LF it is an ordinary line.
        p.TcpClientRead(TelLineProtocol::KeepAliveCommand + "\n");
        QCOMPARE(r.keepAliveReplies, 1);
        QCOMPARE(r.traces.filter(QStringLiteral("DelimiterRecieve")).size(), 1);
        // The serial link has no keep-alive: the token is a line like any other.
        p.GetMobileTelNo(TelLineProtocol::KeepAliveCommand, 4);
        QCOMPARE(r.keepAliveReplies, 1);
        QCOMPARE(r.traces.filter(QStringLiteral("DelimiterRecieve")).size(), 2);
    }

    void callerReportCutInsideCharacterIsNotLost()
    {
        Recorder r;
        TelLineProtocol p(&r);
        const QByteArray bytes = QStringLiteral("+SMSRCV:\"0901\",あ\r\n+CLIP: \"0312345678\",129\r\n").toUtf8();
        const int cut = int(bytes.indexOf("\xE3\x81\x82")) + 1;
        p.TcpClientRead(bytes.left(cut));
        p.TcpClientRead(bytes.mid(cut));
        QCOMPARE(r.numbers, QStringList{QStringLiteral("0312345678")});
        QCOMPARE(r.sms, QStringList{QStringLiteral("0901|あ")});
    }

    void floodWithoutLineEndIsBounded()
    {
        Recorder r;
        TelLineProtocol p(&r);
        const QByteArray junk(8192, 'x');
        for (int i = 0; i < 20; ++i)
            p.TcpClientRead(junk);
        QVERIFY(p.DeviceText().size() <= LineFramer::kDefaultLimit);
        QVERIFY(!r.errors.isEmpty());
        // The link recovers with the next line end.
        p.TcpClientRead(U("\r\n+CLIP: \"0311\"\r\n"));
        QCOMPARE(r.numbers, QStringList{QStringLiteral("0311")});
    }

    void smsLines()
    {
        Recorder r;
        TelLineProtocol p(&r);
        p.TcpClientRead(U("+SMS:\"09011112222\",2024/05/01 10:00,hello\nworld\r\n"));
        p.TcpClientRead(U("+SMS:\"09011112222\",,missing time\r\n"));
        p.TcpClientRead(U("+SMSRCV:\"09011112222\",a,b\r\n"));
        QCOMPARE(r.sms, (QStringList{QStringLiteral("09011112222|2024/05/01 10:00|hello\r\nworld"),
                                     QStringLiteral("09011112222|a,b")}));
    }

    void reentrantDeliveryKeepsOrder()
    {
        // A handler that runs an event loop may feed the next read before it returns.
        Recorder r;
        TelLineProtocol p(&r);
        bool nested = false;
        r.onDeliver = [&] {
            if (nested)
                return;
            nested = true;
            p.TcpClientRead(U("+CLIP: \"033\"\r\n"));
        };
        p.TcpClientRead(U("+CLIP: \"031\"\r\n+CLIP: \"032\"\r\n"));
        QCOMPARE(r.numbers, (QStringList{QStringLiteral("031"), QStringLiteral("032"), QStringLiteral("033")}));
    }
};

QTEST_GUILESS_MAIN(TestTelProtocol)
#include "tst_telprotocol.moc"
