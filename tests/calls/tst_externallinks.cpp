// The external links against a recording launcher and windows that exist only in the test.

#include "calls/ExternalLinks.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"
#include "support/FakeWindowLayer.h"
#include "support/RecordingLauncher.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QUrlQuery>
#include <QtTest>

namespace {
struct Link
{
    int IfNo;
    QString Type;
    QString ExecPath;
    QString Command;
    QString Caption;
    QString EveryClose = "0";
    QString TextPath = QString();
    QString TextPort = "0";
    QString TextDt = "0";
    int StartReq = 5;
    int EndReq = 6;
};

void addLink(TdmCmn& dm, const Link& l)
{
    auto q = [](const QString& s) { return "'" + QString(s).replace("'", "''") + "'"; };
    dm.ExecSql(QString("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EXEC_PATH, TEXT_PATH, COMMAND, CAPTION, "
                       "START_REQ, END_REQ, EVERY_CLOSE, TEXT_PORT, TEXT_DT) values (%1, %2, %3, %4, %5, %6, %7, %8, "
                       "%9, %10, %11, %12)")
                   .arg(l.IfNo)
                   .arg(q("link" + QString::number(l.IfNo)), q(l.Type), q(l.ExecPath), q(l.TextPath), q(l.Command),
                        q(l.Caption))
                   .arg(l.StartReq)
                   .arg(l.EndReq)
                   .arg(q(l.EveryClose), q(l.TextPort), q(l.TextDt)));
}

struct World
{
    TestEnv env;
    TempDb db;
    FakeWindowLayer windows;
    RecordingLauncher launcher;
    ExternalLinks links{db.dm(), windows, launcher};
    World() { MessageService::clearShown(); }
};
} // namespace

class TestExternalLinks : public QObject
{
    Q_OBJECT
private slots:
    void argumentsNeverSplitTheNumber_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("glued to the command") << "/tel=" << "0312345678" << QStringList{"/tel=0312345678"};
        QTest::newRow("no command") << "" << "0312345678" << QStringList{"0312345678"};
        QTest::newRow("after a blank") << "-db \"my shop.db\" " << "0312345678"
                                       << QStringList{"-db", "my shop.db", "0312345678"};
        QTest::newRow("blanks and quotes stay one argument")
            << "/t=" << "03 \"x\" --delete-all" << QStringList{"/t=03 \"x\" --delete-all"};
        QTest::newRow("own argument keeps its blanks") << "run " << "1 2" << QStringList{"run", "1 2"};
    }
    void argumentsNeverSplitTheNumber()
    {
        QFETCH(QString, command);
        QFETCH(QString, number);
        QFETCH(QStringList, args);
        QCOMPARE(ExternalLinks::ArgumentsWith(command, number), args);
    }

    void urlNumbersCannotChangeTheAddress()
    {
        QCOMPARE(ExternalLinks::EncodeNumber("+81-3-1234*5678#"), QString("+81-3-1234*5678%23"));
        QCOMPARE(ExternalLinks::EncodeNumber("%41#frag'\\"), QString("%2541%23frag%27%5C"));
        QCOMPARE(ExternalLinks::EncodeNumber("1&x=2 3/?"), QString("1%26x%3D2%203%2F%3F"));
        QCOMPARE(ExternalLinks::EncodeNumber(QString::fromUtf8("０")), QString("%EF%BC%90"));
    }

    void exeStartsOrHandsOver()
    {
        World w;
        addLink(w.db.dm(), {1, "EXE", "/opt/cust/custprog", "/tel=", "顧客管理"});
        // Not running: started in its folder with the number glued to the command.
        w.links.ExecCustProg(1, "0312345678", 60600);
        QCOMPARE(w.launcher.Starts.size(), 1);
        QCOMPARE(w.launcher.Starts[0].Program, QString("/opt/cust/custprog"));
        QCOMPARE(w.launcher.Starts[0].Arguments, QStringList{"/tel=0312345678"});
        QCOMPARE(w.launcher.Starts[0].Folder, QString("/opt/cust"));
        QCOMPARE(w.links.Launched().size(), 1);
        QCOMPARE(w.links.Launched()[0].EndMessage, QString("1030"));
        QCOMPARE(w.links.Launched()[0].Access, QString("0"));

        // Running: the number is handed over, nothing is started.
        const auto win = w.windows.AddWindow("顧客管理");
        w.links.ExecCustProg(1, "0399990000", 0);
        QCOMPARE(w.launcher.Starts.size(), 1);
        QCOMPARE(w.windows.HandedOver.size(), 1);
        QCOMPARE(w.windows.HandedOver[0].Window, win);
        QCOMPARE(w.windows.HandedOver[0].Text, QString("0399990000"));
        QVERIFY(MessageService::shownTexts().isEmpty());

        // Restart every time: close request, then a fresh start.
        w.db.dm().ExecSql("update INTERFACE set EVERY_CLOSE = '1' where IF_NO = 1");
        w.links.ExecCustProg(1, "0311112222", 0);
        QCOMPARE(w.windows.Closed, QList<WindowLayer::WindowId>{win});
        QCOMPARE(w.launcher.Starts.size(), 2);
        QCOMPARE(w.links.Launched().size(), 1);
    }

    void accessFormReceivesTheNumber()
    {
        World w;
        addLink(w.db.dm(), {1, "EXE", "/opt/office/MSACCESS.EXE", "shop.db /cmd ", "顧客DB"});
        const auto top = w.windows.AddWindow("顧客DB");
        const auto mdi = w.windows.AddChild(top, "MDIClient");
        const auto form = w.windows.AddChild(mdi, "OForm");
        w.links.ExecCustProg(1, "0312345678", 0);
        QCOMPARE(w.windows.HandedOver.size(), 1);
        QCOMPARE(w.windows.HandedOver[0].Window, form);
        QCOMPARE(w.links.Launched()[0].Access, QString("1"));
        w.links.SendEndReq();
        QCOMPARE(w.windows.PostedMessages.size(), 1);
        QCOMPARE(w.windows.PostedMessages[0].Window, form);
        QCOMPARE(w.windows.PostedMessages[0].Message, 1030u);
    }

    void representativeNumberGoesOut()
    {
        World w;
        addLink(w.db.dm(), {1, "EXE", "/opt/cust/custprog", "", ""});
        w.db.dm().InsertTels({"0311112222", "0399998888", "支店", "してん"});
        w.db.dm().InsertTels({"0355556666", "", "名前だけ", ""});
        w.links.ExecCustProg(1, "0311112222", 0);
        w.links.ExecCustProg(1, "0355556666", 0);
        QCOMPARE(w.launcher.Starts[0].Arguments, QStringList{"0399998888"});
        // An entry that belongs to no customer: the dialled number, never an empty one.
        QCOMPARE(w.launcher.Starts[1].Arguments, QStringList{"0355556666"});
    }

    void textFileNamesAndContent()
    {
        World w;
        Clock::setNow(QDateTime(QDate(2024, 3, 10), QTime(9, 30, 5, 123)));
        const QString dir = w.env.path("hand");
        QDir().mkpath(dir);
        addLink(w.db.dm(), {1, "TXT", "/opt/cust/reader", "-watch", "", "0", dir + "/tel.txt", "1", "1"});
        addLink(w.db.dm(), {2, "TXT", "/opt/cust/reader", "", "", "0", dir + "/tel.txt", "1", "0"});
        addLink(w.db.dm(), {3, "TXT", "/opt/cust/reader", "", "", "0", dir + "/plain.txt"});
        addLink(w.db.dm(), {4, "TXT", "/opt/cust/reader", "", ""});
        w.links.ExecCustProg(1, "0312345678", 60600);
        w.links.ExecCustProg(2, "0312345678", 0); // by hand: port part "0"
        w.links.ExecCustProg(3, "0300000001", 1);
        w.links.ExecCustProg(3, "0300000002", 1); // replaces the file
        Clock::reset();

        auto read = [&](const QString& name) {
            QFile f(dir + "/" + name);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString("<missing>");
        };
        QCOMPARE(read("tel60600_20240310093005123.txt"), QString("0312345678\n"));
        QCOMPARE(read("tel0.txt"), QString("0312345678\n"));
        QCOMPARE(read("plain.txt"), QString("0300000002\n"));
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 3); // no temporary files left behind
        // The program starts with its command only.
        QCOMPARE(w.launcher.Starts[0].Arguments, QStringList{"-watch"});
        QCOMPARE(w.launcher.Starts[1].Arguments, QStringList{});

        // No text path: warning, nothing started or recorded.
        const int starts = w.launcher.Starts.size();
        w.links.ExecCustProg(4, "0312345678", 0);
        QCOMPARE(MessageService::shownTexts(), QStringList{"テキスト出力先を設定してください。"});
        QCOMPARE(w.launcher.Starts.size(), starts);

        // A folder that cannot be written: the error reaches the caller.
        w.db.dm().ExecSql("update INTERFACE set TEXT_PATH = '/proc/nowhere/tel.txt' where IF_NO = 3");
        QVERIFY_THROWS_EXCEPTION(AppError, w.links.ExecCustProg(3, "0312345678", 0));
    }

    void textLinkToRunningProgramPostsTheStartMessage()
    {
        World w;
        addLink(w.db.dm(), {1, "TXT", "/opt/cust/reader", "", "読取", "0", w.env.path("t.txt")});
        const auto win = w.windows.AddWindow("読取");
        w.links.ExecCustProg(1, "0312345678", 0);
        QVERIFY(w.launcher.Starts.isEmpty());
        QCOMPARE(w.windows.PostedMessages.size(), 1);
        QCOMPARE(w.windows.PostedMessages[0].Window, win);
        QCOMPARE(w.windows.PostedMessages[0].Message, 1029u);
        QCOMPARE(w.windows.PostedMessages[0].WParam, 0u);
    }

    void urlLinks()
    {
        World w;
        addLink(w.db.dm(), {1, "URL", "", "https://crm.example/find?tel=", ""});
        addLink(w.db.dm(), {2, "URL", "/usr/bin/browser", "--new-window https://crm.example/?t=", ""});
        w.links.ExecCustProg(1, "0312345678", 0);
        w.links.ExecCustProg(1, "03&admin=1", 0);
        w.links.ExecCustProg(1, "%41#frag", 0);
        w.links.ExecCustProg(2, "03 --kiosk", 0);
        QCOMPARE(w.launcher.Urls, (QStringList{"https://crm.example/find?tel=0312345678",
                                               "https://crm.example/find?tel=03%26admin%3D1",
                                               "https://crm.example/find?tel=%2541%23frag"}));
        // The whole number reaches the server: no fragment cut off.
        const QUrl sent(w.launcher.Urls.last(), QUrl::TolerantMode);
        QVERIFY(!sent.hasFragment());
        QCOMPARE(QUrlQuery(sent).queryItemValue("tel", QUrl::FullyDecoded), QString("%41#frag"));
        QCOMPARE(w.launcher.Starts.size(), 1);
        QCOMPARE(w.launcher.Starts[0].Arguments,
                 (QStringList{"--new-window", "https://crm.example/?t=03%20--kiosk"}));
    }

    void launchedListRules()
    {
        World w;
        addLink(w.db.dm(), {1, "EXE", "/opt/a/a", "", "Shop", "0", {}, "0", "0", 1, 7});
        addLink(w.db.dm(), {2, "EXE", "/opt/b/b", "", "SHOP", "0", {}, "0", "0", 1, 8});
        addLink(w.db.dm(), {3, "EXE", "/opt/c/c", "", ""});
        w.links.ExecCustProg(1, "1", 0);
        w.links.ExecCustProg(2, "1", 0);
        // Same caption (any case): only the first one is asked to end.
        QCOMPARE(w.links.Launched().size(), 1);
        QCOMPARE(w.links.Launched()[0].EndMessage, QString("1031"));

        // An empty caption: started every time, no window is ever touched or recorded.
        w.windows.AddWindow("");
        w.links.ExecCustProg(3, "1", 0);
        w.links.ExecCustProg(3, "1", 0);
        QCOMPARE(w.launcher.Starts.size(), 4);
        QVERIFY(w.windows.Closed.isEmpty() && w.windows.HandedOver.isEmpty());
        QCOMPARE(w.links.Launched().size(), 1);

        // A failed start is reported and not recorded.
        addLink(w.db.dm(), {4, "EXE", "/opt/d/d", "", "Other"});
        w.launcher.Succeed = false;
        w.links.ExecCustProg(4, "1", 0);
        QCOMPARE(MessageService::shownTexts(), QStringList{"プログラムの起動に失敗しました。"});
        QCOMPARE(w.links.Launched().size(), 1);

        // At the end only windows still there get their end message.
        w.links.SendEndReq();
        QVERIFY(w.windows.PostedMessages.isEmpty());
        const auto shop = w.windows.AddWindow("Shop");
        w.links.SendEndReq();
        QCOMPARE(w.windows.PostedMessages.size(), 1);
        QCOMPARE(w.windows.PostedMessages[0].Window, shop);
        QCOMPARE(w.windows.PostedMessages[0].Message, 1031u);
    }

    void unknownLinkAsksForTheSettings()
    {
        World w;
        int opened = 0;
        w.links.SetOnNoLink([&]() { ++opened; });
        w.links.ExecCustProg(-1, "0312345678", 0);
        QCOMPARE(MessageService::shownTexts(), QStringList{"起動プログラムを設定してください。"});
        QCOMPARE(opened, 1);
        QVERIFY(w.launcher.Starts.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestExternalLinks)
#include "tst_externallinks.moc"
