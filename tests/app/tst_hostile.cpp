#include "core/AppGlobals.h"
#include "core/ProfileFile.h"
#include "db/InitialDatabase.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QTcpSocket>
#include <QtTest>

#include <sys/stat.h>

namespace {

// A phone driven by the test: answers the set-up requests, leaves dial commands
// unanswered (so a dial is still waiting), and records what the PC sent.
class RawPhone : public QObject
{
public:
    RawPhone(int port, const QHostAddress& from = QHostAddress::LocalHost, const QString& own = QStringLiteral("0901"))
        : FOwn(own)
    {
        connect(&FSocket, &QTcpSocket::readyRead, this, [this] {
            FIn += FSocket.readAll();
            qsizetype cr;
            while ((cr = FIn.indexOf('\r')) >= 0) {
                const QByteArray line = FIn.left(cr);
                FIn.remove(0, cr + 1);
                FLines << QString::fromLatin1(line);
                if (line == "AT+CNUM")
                    FSocket.write("AT+CNUM\r\n+CNUM: \"\",\"" + FOwn.toLatin1() + "\",129\r\nOK\r\n");
                else if (line == "AT+CLIP=1")
                    FSocket.write("AT+CLIP=1\r\nOK\r\n");
            }
        });
        FFrom = from;
        FPort = port;
        Dial();
    }
    // Linked once the PC has switched caller reports on; tries again while nobody listens.
    bool Linked(int ms = 20000)
    {
        return QTest::qWaitFor(
            [this] {
                if (FSocket.state() == QAbstractSocket::UnconnectedState && FLines.isEmpty())
                    Dial();
                return FLines.contains(QStringLiteral("AT+CLIP=1"));
            },
            ms);
    }
    bool Received(const QString& line, int ms = 20000)
    {
        return QTest::qWaitFor([&] { return FLines.contains(line); }, ms);
    }
    bool Closed(int ms = 20000)
    {
        return QTest::qWaitFor([this] { return FSocket.state() == QAbstractSocket::UnconnectedState; }, ms);
    }
    void Send(const QByteArray& bytes)
    {
        FSocket.write(bytes);
        FSocket.flush();
    }
    QStringList FLines;

private:
    void Dial()
    {
        FSocket.abort();
        FSocket.bind(FFrom);
        FSocket.connectToHost(QHostAddress::LocalHost, quint16(FPort));
    }
    QHostAddress FFrom;
    int FPort = 0;
    QString FOwn;
    QTcpSocket FSocket;
    QByteArray FIn;
};

int LogCount(const QString& text)
{
    return int(ProgramRunner::logText().count(text));
}

bool WaitLogCount(const QString& text, int count, int ms = 20000)
{
    return QTest::qWaitFor([&] { return LogCount(text) >= count; }, ms);
}

const QString kDialFailed = QString::fromUtf8("携帯電話の発信処理に失敗しました。");

} // namespace

// The real program under hostile peers and bad timing: forwarded dials whose sender
// goes away, links replaced in the middle of a request, injected dial numbers.
class TestHostile : public QObject
{
    Q_OBJECT

    int FPort = 0;

    void StartWithPhone(TestEnv& env, const QString& moreIni = QString())
    {
        InitialDatabase::Create(AppPaths::defaultDatabasePath());
        FPort = PhoneSim::FreePort();
        env.writeIni(QString::fromUtf8("[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\nDISP_NAME_1=本店\nREAD_NAME_1=ほんてん\n"
                                       "DEVICE_INDEX_1=0\n[COMMON]\nDEBUG=1\n")
                         .arg(FPort) +
                     moreIni);
    }

private slots:
    void forwardedDialWhoseSenderLeaves()
    {
        TestEnv env;
        StartWithPhone(env);
        ProgramRunner runner;
        QProcess* program = runner.start();
        RawPhone phone(FPort);
        QVERIFY(phone.Linked(30000));
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")));
        for (int round = 1; round <= 4; ++round) {
            const QString number = QStringLiteral("039876543%1").arg(round);
            QProcess* sender = runner.start({"/s", QStringLiteral("zuvaro:dial?telno=") + number});
            QVERIFY(phone.Received(QStringLiteral("ATD") + number + QLatin1Char(';')));
            // The second start has handed its text over and is gone (killed or ended)
            // while the dial still waits for the phone.
            if (round % 2)
                sender->kill();
            QVERIFY(sender->waitForFinished(15000));
            if (!(round % 2))
                QCOMPARE(sender->exitCode(), 0);
            phone.Send(QStringLiteral("+CLIP: \"031111000%1\",129\r\n").arg(round).toLatin1());
            phone.Send((QStringLiteral("ATD") + number + QStringLiteral(";\r\nOK\r\n")).toLatin1());
            QVERIFY2(WaitLogCount(QStringLiteral("TfrmMain.CallDataInsert end"), round),
                     qPrintable(QStringLiteral("round %1").arg(round)));
            QVERIFY(ProgramRunner::waitForLog(QStringLiteral("TelReceiveProc TelNo=031111000%1").arg(round)));
            QCOMPARE(LogCount(kDialFailed), 0);
            QCOMPARE(program->state(), QProcess::Running);
        }
        QCOMPARE(runner.terminate(program), 0);
    }

    void linkReplacedDuringDialAndRing()
    {
        TestEnv env;
        StartWithPhone(env);
        ProgramRunner runner;
        QProcess* program = runner.start();
        auto current = std::make_unique<RawPhone>(FPort);
        QVERIFY(current->Linked(30000));
        QVERIFY(ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")));
        for (int round = 1; round <= 20; ++round) {
            // A dial waits for the phone's answer; another peer takes the link meanwhile.
            const QString number = QStringLiteral("03111%1").arg(round, 5, 10, QLatin1Char('0'));
            runner.start({"/s", QStringLiteral("zuvaro:dial?telno=") + number});
            QVERIFY(current->Received(QStringLiteral("ATD") + number + QLatin1Char(';')));
            auto next = std::make_unique<RawPhone>(FPort);
            QVERIFY(next->Linked());
            QVERIFY(current->Closed());
            QVERIFY2(WaitLogCount(kDialFailed, round), qPrintable(QStringLiteral("round %1").arg(round)));
            current = std::move(next);
            QCOMPARE(program->state(), QProcess::Running);

            // The phone reports a caller, and another phone app takes the link at once.
            current->Send(QStringLiteral("+CLIP: \"0322%1\",129\r\n").arg(round, 6, 10, QLatin1Char('0')).toLatin1());
            auto ringer = PhoneSim::Start(FPort, {"--own-number", "0902", "--call", QStringLiteral("0333%1").arg(round)});
            QVERIFY(ringer);
            QVERIFY(current->Closed());
            QVERIFY(ProgramRunner::waitForLog(QStringLiteral("TelReceiveProc TelNo=0333%1").arg(round)));
            // And the link goes to a test-driven phone again for the next round.
            current = std::make_unique<RawPhone>(FPort);
            QVERIFY(current->Linked());
            QCOMPARE(program->state(), QProcess::Running);
        }
        QCOMPARE(runner.terminate(program), 0);
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
