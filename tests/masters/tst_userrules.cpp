// Who may log in and be chosen today, the statements of the user master, and the private
// hand-over of a restart.

#include "admin/LoginFlow.h"
#include "admin/UserMaster.h"
#include "calls/MasterLists.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"
#include "db/UserRules.h"
#include "support/ProgramRunner.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QtTest>

#include <fcntl.h>

namespace {

struct UserCase
{
    const char* id;
    const char* from;
    const char* to;
    const char* del;
    bool valid;
};

// Today is 2026/05/10.
const UserCase kUsers[] = {
    {"u_none", "null", "null", "null", true},
    {"u_today", "null", "'2026/05/10'", "null", false}, // TODT is exclusive
    {"u_tomor", "null", "'2026/05/11'", "null", true},
    {"u_from1", "'2026/05/11'", "null", "null", false}, // not valid before FROMDT
    {"u_from0", "'2026/05/10'", "null", "null", true},
    {"u_del", "null", "null", "'2026/01/01'", false},
};

void InsertUsers(TdmCmn& dm)
{
    int order = 1;
    for (const UserCase& u : kUsers)
        dm.ExecSql(QStringLiteral("insert into USER_M (USERID, USERNM, PASSWD, AUTH, FROMDT, TODT, DEL_DT, LISTID) "
                                  "values ('%1', '%1さん', 'pw%1', 1, %2, %3, %4, '%5')")
                       .arg(QLatin1String(u.id), QLatin1String(u.from), QLatin1String(u.to), QLatin1String(u.del))
                       .arg(order++));
}

} // namespace

class TestUserRules : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        Clock::reset();
        MessageService::clearShown();
        MessageService::clearAnswers();
    }

    // Login, the master lists and the picker agree on every boundary.
    void validityBoundariesAgreeEverywhere()
    {
        TestEnv env;
        TempDb db;
        Clock::setNow(QDateTime(QDate(2026, 5, 10), QTime(9, 0)));
        InsertUsers(db.dm());
        MasterLists lists(db.dm());
        lists.MakeUserTemp();
        const UserMaster::Found picked = UserMaster::Search(db.dm(), QString(), Clock::today());
        for (const UserCase& u : kUsers) {
            const QString id = QLatin1String(u.id);
            TUser user;
            QCOMPARE(db.dm().CheckLogin(id, QStringLiteral("pw") + id, user), u.valid);
            QCOMPARE(user.UserId, u.valid ? id : QString());
            QCOMPARE(lists.UserIds.contains(id), u.valid);
            QCOMPARE(picked.Ids.contains(id), u.valid);
        }
        QCOMPARE(picked.Ids.size(), picked.Names.size());

        // The in-memory rule on its own.
        const QDate today(2026, 5, 10);
        QVERIFY(!UserRules::IsValidOn(QDate(), today, false, today));
        QVERIFY(UserRules::IsValidOn(today, today.addDays(1), false, today));
        QVERIFY(!UserRules::IsValidOn(QDate(), QDate(), true, today));
    }

    void loginRefusalsAndTheSeededAdministrator()
    {
        TestEnv env;
        TempDb db;
        InsertUsers(db.dm());
        TUser user;
        QVERIFY(db.dm().CheckLogin(QStringLiteral("admin"), QString(), user));
        QCOMPARE(user.Auth, 9999);
        QVERIFY(!db.dm().CheckLogin(QStringLiteral("u_none"), QStringLiteral("wrong"), user));
        QCOMPARE(user.Auth, 0);

        // Every automatic refusal: one warning, the same text, and "reboot Halt".
        for (const char* id : {"u_none", "u_today", "u_del", "nobody"}) {
            MessageService::clearShown();
            QVERIFY(!LoginFlow::LoginAutomatically(db.dm(), {QLatin1String(id), QStringLiteral("bad")}, user));
            QCOMPARE(MessageService::shownTexts(), QStringList{LoginFlow::RefusalMessage()});
        }
        QVERIFY(ProgramRunner::logText().contains(QStringLiteral("reboot Halt")));
    }

    void loggedStatementsNeverHoldAPassword()
    {
        TestEnv env;
        TempDb db;
        TUser user;
        db.dm().CheckLogin(QStringLiteral("admin"), QStringLiteral("s3cr#t"), user);
        TUserInput in{QStringLiteral("suzuki"), QStringLiteral("鈴木"), QStringLiteral("s3cr#t"), 1, QString(),
                      QDate(2026, 1, 1), QDate()};
        const QString logged = UserMaster::InsertSql(in, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)),
                                                     UserRules::LoggedPassword());
        QCOMPARE(logged, QStringLiteral("insert into USER_M (USERID, USERNM, PASSWD, AUTH, LISTID, FROMDT, TODT, UPDT) "
                                        "values ('suzuki', '鈴木', '***', 1, '', '2026/01/01', null, "
                                        "'2026/01/02 03:04:05')"));
        QVERIFY(UserMaster::UpdateSql(in, QDateTime::currentDateTime(), QStringLiteral("'s3cr#t'"))
                    .contains(QStringLiteral("PASSWD = 's3cr#t', AUTH = 1, LISTID = '', FROMDT = '2026/01/01', "
                                             "TODT = null, DEL_DT = null, UPDT = ")));
        const QString log = ProgramRunner::logText();
        QVERIFY(log.contains(QStringLiteral("and PASSWD = '***' and DEL_DT  is null and (FROMDT is null or FROMDT <= ")));
        QVERIFY(!log.contains(QStringLiteral("s3cr#t")));
    }

    void validationOrderAndAuthorityNames()
    {
        TUserInput in;
        QCOMPARE(UserMaster::Validate(in).message, QStringLiteral("ユーザIDを入力してください。"));
        in.UserId = QStringLiteral(" x ");
        in.UserName = QStringLiteral("  ");
        QCOMPARE(UserMaster::Validate(in).message, QStringLiteral("ユーザ名を入力してください。"));
        in.UserName = QStringLiteral("名");
        QCOMPARE(UserMaster::Validate(in).message, QStringLiteral("権限を選択してください。"));
        in.Auth = 9999;
        QCOMPARE(UserMaster::Validate(in).field, UserMaster::Field::None);
        QCOMPARE(UserMaster::AuthName(1), QStringLiteral("一般"));
        QCOMPARE(UserMaster::AuthName(9999), QStringLiteral("管理者"));
        QCOMPARE(UserMaster::AuthName(5), QString());
    }

    void restartHandOverIsTakenOnceAndWinsOverArguments()
    {
        const QByteArray descriptor = LoginFlow::RestartDescriptorVariable().toLatin1();
        const QByteArray legacy = LoginFlow::RestartVariable().toLatin1();
        const int fd = LoginFlow::OpenRestartHandOver(TUser{"田中:1", QString(), "p:w %", 1});
        QVERIFY(fd > 2);
        qputenv(descriptor.constData(), QByteArray::number(fd));
        const auto taken = LoginFlow::AutomaticCredentials({QStringLiteral("other"), QStringLiteral("x")});
        QVERIFY(taken);
        QCOMPARE(taken->UserId, QStringLiteral("田中:1"));
        QCOMPARE(taken->Passwd, QStringLiteral("p:w %"));
        QVERIFY(!qEnvironmentVariableIsSet(descriptor.constData()));
        QCOMPARE(::fcntl(fd, F_GETFD), -1); // read and closed

        // A copy restarted by an earlier version: its variable still logs in, and goes; a
        // number that names no hand-over pipe (here the input) is not read.
        qputenv(legacy.constData(), "sato:pw%3A1");
        qputenv(descriptor.constData(), "0");
        LoginFlow::ReceiveRestartCredentials();
        QVERIFY(!qEnvironmentVariableIsSet(legacy.constData()) && !qEnvironmentVariableIsSet(descriptor.constData()));
        QCOMPARE(LoginFlow::AutomaticCredentials({})->Passwd, QStringLiteral("pw:1"));

        // Then the two arguments; anything else asks.
        QCOMPARE(LoginFlow::AutomaticCredentials({QStringLiteral("a"), QStringLiteral("b")})->Passwd,
                 QStringLiteral("b"));
        QVERIFY(!LoginFlow::AutomaticCredentials({QStringLiteral("a")}));
        // Nobody logged in: nothing to hand over.
        QCOMPARE(LoginFlow::OpenRestartHandOver(TUser()), -1);
    }

    // The restarted copy's environment never holds the password; its inherited pipe does.
    void restartedCopyGetsThePipeNotTheEnvironment()
    {
        QTemporaryDir dir;
        QFile script(dir.filePath("copy.sh"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n{ cat; echo; cat /proc/$$/environ; } <&\"$ZUVARO_RESTART_FD\" > \"$0.part\"\n"
                     "mv \"$0.part\" \"$0.out\"\n");
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(LoginFlow::StartRestartedCopy(script.fileName(), TUser{"tanaka", QString(), "Zq7!secret", 1}));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(script.fileName() + ".out"), 20000);
        QFile out(script.fileName() + ".out");
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QByteArray handed = out.readLine(), env = out.readAll();
        QCOMPARE(handed, QByteArray("tanaka:Zq7%21secret\n"));
        QVERIFY(env.contains("ZUVARO_RESTART_FD="));
        QVERIFY(!env.contains("Zq7!secret") && !env.contains("ZUVARO_RESTART_LOGIN"));
    }
};

QTEST_GUILESS_MAIN(TestUserRules)
#include "tst_userrules.moc"
