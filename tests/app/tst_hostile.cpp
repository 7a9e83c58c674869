#include "core/AppGlobals.h"
#include "core/ProfileFile.h"
#include "db/InitialDatabase.h"
#include "support/PhoneSim.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QFileInfo>
#include <QLocalServer>
#include <QTcpSocket>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A phone driven by the test: answers the set-up requests, leaves dial commands
// unanswered (so a dial is still waiting), and records what the PC sent.
class RawPhone : public QObject
{
public:
    RawPhone(int port, const QHostAddress& from = QHostAddress::LocalHost, const QString& own = QStringLiteral("0901"),
             bool answerClip = true)
        : FOwn(own)
    {
        connect(&FSocket, &QTcpSocket::readyRead, this, [this, answerClip] {
            FIn += FSocket.readAll();
            qsizetype cr;
            while ((cr = FIn.indexOf('\r')) >= 0) {
                const QByteArray line = FIn.left(cr);
                FIn.remove(0, cr + 1);
                FLines << QString::fromLatin1(line);
                if (line == "AT+CNUM")
                    FSocket.write("AT+CNUM\r\n+CNUM: \"\",\"" + FOwn.toLatin1() + "\",129\r\nOK\r\n");
                else if (line == "AT+CLIP=1" && answerClip)
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

    // The program in a world of its own, with one Wi-Fi phone configured and a test-driven
    // phone linked; null when it did not come up.
    struct TRun
    {
        TestEnv Env;
        ProgramRunner Runner;
        QProcess* Program = nullptr;
        std::unique_ptr<RawPhone> Phone;
    };
    std::unique_ptr<TRun> Start(const QString& moreIni = QString())
    {
        auto run = std::make_unique<TRun>();
        InitialDatabase::Create(AppPaths::defaultDatabasePath());
        FPort = PhoneSim::FreePort();
        run->Env.writeIni(QString::fromUtf8("[ADAPTA]\nCOUNT=1\nPORT_NO_1=%1\nDISP_NAME_1=本店\nREAD_NAME_1=ほんてん\n"
                                            "DEVICE_INDEX_1=0\n[COMMON]\nDEBUG=1\n")
                              .arg(FPort) +
                          moreIni);
        run->Program = run->Runner.start();
        run->Phone = std::make_unique<RawPhone>(FPort);
        if (!run->Phone->Linked(30000) || !ProgramRunner::waitForLog(QString::fromUtf8("Android版 Ver. ")))
            return nullptr;
        return run;
    }

private slots:
    void forwardedDialWhoseSenderLeaves()
    {
        auto run = Start();
        QVERIFY(run);
        ProgramRunner& runner = run->Runner;
        QProcess* program = run->Program;
        RawPhone& phone = *run->Phone;
        for (int round = 1; round <= 4; ++round) {
            const QString number = QStringLiteral("039876543%1").arg(round);
            QProcess* sender = runner.start({"/s", QStringLiteral("zuvaro:dial?telno=") + number});
            QVERIFY(phone.Received(QStringLiteral("ATD") + number + QLatin1Char(';')));
            // The second start has handed its text over and is gone (killed or ended)
            // while the dial still waits for the phone. It may have ended by itself already,
            // and waitForFinished() is false for a process that has.
            if (round % 2)
                sender->kill();
            QVERIFY(sender->state() == QProcess::NotRunning || sender->waitForFinished(15000));
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
        auto run = Start();
        QVERIFY(run);
        ProgramRunner& runner = run->Runner;
        QProcess* program = run->Program;
        auto current = std::move(run->Phone);
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

    // A dial that comes while a phone's link is still being set up goes out once it is
    // ready, instead of being refused for a link that works a moment later.
    void dialDuringTheLinkSetUp()
    {
        auto run = Start();
        QVERIFY(run);
        ProgramRunner& runner = run->Runner;
        auto next = std::make_unique<RawPhone>(FPort, QHostAddress::LocalHost, QStringLiteral("0902"), false);
        QVERIFY(next->Received(QStringLiteral("AT+CLIP=1")));
        QCOMPARE(runner.run({"/s", QStringLiteral("zuvaro:dial?telno=0312345678")}), 0);
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("TfrmMain.ComTelCall ComIdx=0")));
        next->Send("AT+CLIP=1\r\nOK\r\n");
        QVERIFY(next->Received(QStringLiteral("ATD0312345678;")));
        next->Send("ATD0312345678;\r\nOK\r\n");
        QVERIFY(WaitLogCount(QStringLiteral("TfrmMain.CallDataInsert end"), 1));
        QCOMPARE(LogCount(QString::fromUtf8("スマホとの接続が無効です。")), 0);
        QCOMPARE(LogCount(kDialFailed), 0);
        QCOMPARE(runner.terminate(run->Program), 0);
    }

    void injectedDialNumbersAreRefused()
    {
        auto run = Start();
        QVERIFY(run);
        ProgramRunner& runner = run->Runner;
        QProcess* program = run->Program;
        RawPhone& first = *run->Phone;
        // The simulator takes the link over once the program listens.
        auto phone = PhoneSim::Start(FPort, {"--own-number", "09011112222", "--show-sent"});
        QVERIFY(phone);
        QVERIFY(first.Closed());
        QByteArray out;
        QVERIFY(QTest::qWaitFor(
            [&] {
                out += phone->readAllStandardOutput();
                return out.contains("< AT+CLIP=1");
            },
            20000));
        const QStringList refused{QStringLiteral("0312;ath;atd999"),
                                  QStringLiteral("+ath"),
                                  QString(300, QLatin1Char('9')),
                                  QStringLiteral("0312%0D%0AATH"),
                                  QStringLiteral("0312%3Bath"),
                                  QStringLiteral("03%1B12"),
                                  QStringLiteral("０３１２ａｔｈ")};
        for (const QString& number : refused) {
            QCOMPARE(runner.run({"/s", QStringLiteral("zuvaro:dial?telno=") + number}), 0);
            QVERIFY2(ProgramRunner::waitForLog(QString::fromUtf8("」には発信できません。")), qPrintable(number));
            QFile::remove(gCurLogFile);
        }
        // Accepted forms, each dialled as plain ASCII digits.
        const QList<QPair<QString, QString>> accepted{
            {QStringLiteral("０３－１２３４－５６７８"), QStringLiteral("0312345678")},
            {QStringLiteral("%30%33%2D1111%202222"), QStringLiteral("0311112222")},
            {QStringLiteral("*31%23"), QStringLiteral("*31#")}};
        for (const auto& a : accepted) {
            QCOMPARE(runner.run({"/s", QStringLiteral("zuvaro:dial?telno=") + a.first}), 0);
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             out += phone->readAllStandardOutput();
                             return out.contains("< ATD" + a.second.toLatin1() + ";");
                         },
                         20000),
                     qPrintable(a.first));
        }
        // The phone only ever saw the accepted dials, one command each.
        QStringList dials;
        for (const QByteArray& line : out.split('\n'))
            if (line.startsWith("< AT") && !line.startsWith("< AT+C"))
                dials << QString::fromLatin1(line.mid(2));
        QCOMPARE(dials, (QStringList{"ATD0312345678;", "ATD0311112222;", "ATD*31#;"}));
        QVERIFY(out.contains("> ATD0312345678;")); // the phone's answers went back
        QVERIFY(!ProgramRunner::logText().contains(QStringLiteral("atd999")));
        QCOMPARE(runner.terminate(program), 0);
    }

    void controlCharactersInACallerNumber()
    {
        auto run = Start();
        QVERIFY(run);
        ProgramRunner& runner = run->Runner;
        QProcess* program = run->Program;
        RawPhone& phone = *run->Phone;
        phone.Send("+CLIP: \"03\x1b[31m12\n2026/01/01 00:00:00 forged\t34\",129\r\n");
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("TelReceiveProc TelNo=03[31m122026/01/01 00:00:00 forged34 ")));
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("LogNo1=")));
        QCOMPARE(runner.terminate(program), 0);
        const QString log = ProgramRunner::logText();
        QVERIFY(!log.contains(QLatin1Char('\x1b')));
        for (const QString& line : log.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            QVERIFY2(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')), qPrintable(line));
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d ")).match(line).hasMatch(),
                     qPrintable(line));
        }
        // The program's files are not for other users.
        for (const QString& path : {gCurLogFile, gIniFile}) {
            struct stat st;
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
            QVERIFY2((st.st_mode & 0007) == 0, qPrintable(path));
        }
        for (const QFileInfo& fi : QDir(gLogDir).entryInfoList({QStringLiteral("TelCom*")}, QDir::Files))
            QCOMPARE(int(fi.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther)), 0);
    }

    void forwardingSocketCannotBeTaken()
    {
        auto run = Start();
        QVERIFY(run);
        ProgramRunner& runner = run->Runner;
        QProcess* program = run->Program;
        const QString handle = gIni->ReadString("MAIN_FORM", "HANDLE", "");
        QCOMPARE(handle, QString::number(program->processId()));
        // The socket lies in the user's runtime folder, not in the shared temporary folder.
        const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
        QVERIFY(QFileInfo(runtime + QStringLiteral("/zuvaro3-") + handle).exists());
        QVERIFY(!QFileInfo::exists(QDir::tempPath() + QStringLiteral("/zuvaro3-") + handle));

        // Someone listens under the old shared name of a published handle: nothing reaches it.
        QLocalServer squatter;
        QVERIFY(squatter.listen(QStringLiteral("zuvaro3-999999")));
        int taken = 0;
        connect(&squatter, &QLocalServer::newConnection, this, [&] { ++taken; });
        gIni->WriteString("MAIN_FORM", "HANDLE", "999999");
        runner.run({"/s", "0312345678"});
        QTest::qWait(100);
        QCOMPARE(taken, 0);

        // HANDLE 0 (a copy that could not listen) is refused with a message.
        gIni->WriteString("MAIN_FORM", "HANDLE", "0");
        QCOMPARE(runner.run({"/s", "0312345678"}), 1);
        QVERIFY(ProgramRunner::logText().contains(
            QString::fromUtf8("MessageBox(error): Zuvaroのハンドルを取得できませんでした。")));
        QCOMPARE(runner.terminate(program), 0);
    }

    // A socket of another user in our own runtime folder is refused as well.
    void forwardingSocketOfAnotherUserIsRefused()
    {
        if (::geteuid() != 0)
            QSKIP("making a socket owned by another user needs root");
        auto run = Start();
        QVERIFY(run);
        ProgramRunner& runner = run->Runner;
        const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
        QLocalServer other;
        QVERIFY(other.listen(runtime + QStringLiteral("/zuvaro3-999998")));
        QCOMPARE(::chown(QFile::encodeName(other.fullServerName()).constData(), 65534, 65534), 0);
        int taken = 0;
        connect(&other, &QLocalServer::newConnection, this, [&] { ++taken; });
        gIni->WriteString("MAIN_FORM", "HANDLE", "999998");
        runner.run({"/s", "0312345678"});
        QTest::qWait(100);
        QCOMPARE(taken, 0);
        QVERIFY(ProgramRunner::logText().contains(QStringLiteral("SendCopyData failed HANDLE=999998")));
        QCOMPARE(runner.terminate(run->Program), 0);
    }

    void onlyAllowedPeersTakeTheLink()
    {
        auto run = Start(QStringLiteral("[ANDROID]\nALLOWED_PEERS=10.0.0.0/8, 127.0.0.1\n"));
        QVERIFY(run);
        ProgramRunner& runner = run->Runner;
        QProcess* program = run->Program;
        RawPhone& phone = *run->Phone;
        // 127.0.0.2 is another machine as far as the program can tell.
        for (int i = 0; i < 3; ++i) {
            RawPhone stranger(FPort, QHostAddress(QStringLiteral("127.0.0.2")));
            QVERIFY(stranger.Closed());
            QVERIFY(stranger.FLines.isEmpty());
        }
        phone.Send("+CLIP: \"0312340000\",129\r\n");
        QVERIFY(ProgramRunner::waitForLog(QStringLiteral("TelReceiveProc TelNo=0312340000")));
        QVERIFY(!phone.Closed(100));
        QCOMPARE(runner.terminate(program), 0);
        // Said once for the three knocks within the minute.
        QString devices;
        for (const QFileInfo& fi : QDir(gLogDir).entryInfoList({QStringLiteral("TelCom*")}, QDir::Files)) {
            QFile f(fi.absoluteFilePath());
            QVERIFY(f.open(QIODevice::ReadOnly));
            devices += QString::fromUtf8(f.readAll());
        }
        QCOMPARE(devices.count(QStringLiteral("refused a connection from 127.0.0.2")), 1);
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
