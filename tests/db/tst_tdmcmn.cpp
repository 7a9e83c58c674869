// The data module against a real database: each case on a database of its own.

#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "db/DatabaseError.h"
#include "db/StorableText.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

QStringList logLines()
{
    QFile f(gCurLogFile);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.size() > 20)
            lines << line.mid(20); // without the time stamp
    }
    return lines;
}

QString logText()
{
    QFile f(gCurLogFile);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void clearLog()
{
    QFile::remove(gCurLogFile);
}

TCust sampleCustomer()
{
    TCust c;
    c.CustTel = QStringLiteral("03-1111-2222");
    c.CustTelNon = QStringLiteral("stale value the insert must ignore");
    c.CustName = QStringLiteral("髙橋 O'Brien");
    c.CustKana = QStringLiteral("タカハシ");
    c.FaxNo = QStringLiteral("03-1111-3333");
    c.ZipCd = QStringLiteral("100-0001");
    c.Address = QStringLiteral("東京都千代田区千代田１－１ ①号室");
    c.MapUrl = QStringLiteral("https://example.org/map?q=1&r='2'");
    c.Email = QStringLiteral("o'brien@example.org");
    c.Sex = 2;
    c.Others = QStringLiteral("備考～\r\n二行目");
    c.UserId = QStringLiteral("admin");
    c.Option[1] = QStringLiteral("一");
    c.Option[20] = QStringLiteral("二十");
    return c;
}

QImage samplePicture()
{
    QImage img(48, 32, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.fillRect(0, 0, 24, 32, QColor(200, 30, 30));
    p.end();
    return img;
}

} // namespace

class TstTdmCmn : public QObject
{
    Q_OBJECT

private:
    TestEnv FEnv;

private slots:
    void init()
    {
        clearLog();
        gTraceOn = true;
        gCurrentUser = TUser();
        Clock::reset();
    }

    void phoneBookMatchesNumbersExactly()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.InsertTels({QStringLiteral("03-1234-5678"), QStringLiteral("0312345678"), QStringLiteral("O'Brien"),
                       QStringLiteral("おぶらいえん")});
        QVERIFY(logLines().contains(QStringLiteral("strSql=insert into TELS ( TEL_NO, CUST_TEL_NON, CALLER, READ_NAME, "
                                                   "UPDT) values ('03-1234-5678', '0312345678', 'O''Brien', "
                                                   "'おぶらいえん',  CURRENT_TIMESTAMP )")));
        TTels t;
        QVERIFY(dm.GetTels(QStringLiteral("03-1234-5678"), t));
        QCOMPARE(t.Caller, QStringLiteral("O'Brien"));
        QCOMPARE(t.ReadName, QStringLiteral("おぶらいえん"));
        QCOMPARE(t.CustTelNon, QStringLiteral("0312345678"));
        QVERIFY(!dm.GetTels(QStringLiteral("0312345678"), t)); // no normalisation

        // A number holding a quote is an ordinary key.
        const QString odd = QStringLiteral("12'34");
        dm.InsertTels({odd, odd, QStringLiteral("発信者不明"), QStringLiteral("はっしんしゃふめい")});
        dm.UpdateTels({odd, QString(), QStringLiteral("～髙①"), QString()});
        QVERIFY(dm.GetTels(odd, t));
        QCOMPARE(t.Caller, QStringLiteral("～髙①"));
        QCOMPARE(t.CustTelNon, QString());
        QVERIFY(logLines().contains(QStringLiteral("strSql=update TELS set CUST_TEL_NON = '',  CALLER = '～髙①',  "
                                                   "READ_NAME = '',  UPDT = CURRENT_TIMESTAMP  where TEL_NO = "
                                                   "'12''34'")));
        QVERIFY(logLines().contains(QStringLiteral("TdmCmn.GetTels TelNo=12'34")));
    }

    void customerRoundTrip()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        TCust c = sampleCustomer();
        const int no = dm.InsertCustData(c);
        QCOMPARE(no, 1);
        QCOMPARE(dm.InsertCustData(TCust()), 2);

        TCust r;
        QVERIFY(!dm.GetCustData(QStringLiteral("03-1111-2222"), r));
        QVERIFY(dm.GetCustData(QStringLiteral("0311112222"), r));
        QCOMPARE(r.CustNo, 1);
        QCOMPARE(r.CustTelNon, QStringLiteral("0311112222")); // recomputed, the record's value ignored
        QCOMPARE(r.FaxNoNon, QStringLiteral("0311113333"));
        QCOMPARE(r.CustName, c.CustName);
        QCOMPARE(r.Address, c.Address);
        QCOMPARE(r.MapUrl, c.MapUrl);
        QCOMPARE(r.Email, c.Email);
        QCOMPARE(r.Others, c.Others);
        QVERIFY(!r.BirthDt.isValid()); // stored as null
        QCOMPARE(db.count(QStringLiteral("CUSTOMER"), QStringLiteral("BIRTH_DT is null")), 2);
        QCOMPARE(r.Sex, qint16(2));
        QCOMPARE(r.Option[1], QStringLiteral("一"));
        QCOMPARE(r.Option[20], QStringLiteral("二十"));

        r.CustTel = QStringLiteral("045-000-0000");
        r.BirthDt = QDate(1980, 12, 31);
        r.CustName = QStringLiteral("変更後");
        r.Option[20].clear();
        dm.UpdateCustData(r);
        const QString log = logText();
        QVERIFY(log.contains(QStringLiteral("strSql=update CUSTOMER set CUST_NAME = '変更後',  CUST_KANA = 'タカハシ',  "
                                            "BIRTH_DT = '1980/12/31',  SEX = 2,  CUST_TEL = '045-000-0000',  "
                                            "CUST_TEL_NON = '0450000000',  FAX_NO = '03-1111-3333',  FAX_NO_NON = ")));
        QVERIFY(log.contains(QStringLiteral(",  OPTION_19 = '',  OPTION_20 = '',  UPDT =  CURRENT_TIMESTAMP where "
                                            "CUST_NO = 1\r\n")));
        TCust u;
        QVERIFY(dm.GetCustData(QStringLiteral("0450000000"), u));
        QCOMPARE(u.BirthDt, QDate(1980, 12, 31));
        QCOMPARE(u.CustName, QStringLiteral("変更後"));
        QCOMPARE(u.Option[20], QString());

        // A customer row with null SEX reads as 0.
        dm.ExecSql(QStringLiteral("update CUSTOMER set SEX = null where CUST_NO = 1"));
        QVERIFY(dm.GetCustData(QStringLiteral("0450000000"), u));
        QCOMPARE(u.Sex, qint16(0));
    }

    void customerOfANumber()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.InsertCustData(sampleCustomer());
        dm.InsertTels({QStringLiteral("0311112222"), QStringLiteral("0311112222"), QString(), QString()});
        dm.InsertTels({QStringLiteral("0399999999"), QStringLiteral("0388888888"), QString(), QString()});
        QString key = QStringLiteral("junk");
        QVERIFY(dm.GetCustTelNon(QStringLiteral("0311112222"), key));
        QCOMPARE(key, QStringLiteral("0311112222"));
        QVERIFY(!dm.GetCustTelNon(QStringLiteral("0399999999"), key)); // points to no customer
        QCOMPARE(key, QString());

        QString name, kana;
        QVERIFY(dm.GetCustInfo(QStringLiteral("0311112222"), name, kana));
        QCOMPARE(name, QStringLiteral("髙橋 O'Brien"));
        QCOMPARE(kana, QStringLiteral("タカハシ"));
        QVERIFY(logLines().contains(QStringLiteral("strSql=select CUST_TEL_NON, CUST_NAME, CUST_KANA from CUSTOMER "
                                                   "where CUST_TEL_NON = '0311112222'")));
        // A quote in the number stays inside the literal.
        QVERIFY(!dm.GetCustInfo(QStringLiteral("x' or '1'='1"), name, kana));
        QVERIFY(logLines().contains(QStringLiteral("strSql=select CUST_TEL_NON, CUST_NAME, CUST_KANA from CUSTOMER "
                                                   "where CUST_TEL_NON = 'x'' or ''1''=''1'")));
        // Errors are swallowed.
        dm.ExecSql(QStringLiteral("drop table CUSTOMER"));
        QVERIFY(!dm.GetCustInfo(QStringLiteral("0311112222"), name, kana));
    }

    void callLog()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        TLog log;
        log.DtFrom = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
        log.TelNo = QStringLiteral(" ");
        log.TelType = QStringLiteral("着信");
        log.TelTerm = QStringLiteral("0:00:00");
        log.PortNo = 3;
        QCOMPARE(dm.InsertLog(log), 1);
        QVERIFY(logLines().contains(QStringLiteral("strSql=insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, DT_TO, "
                                                   "TEL_TERM, TEL_MEMO, TEL_TIME, PORT_NO) values (1, '2024/05/06 "
                                                   "07:08:09', ' ', '着信', null, '0:00:00', '', 0, 3)")));
        log.TelNo = QStringLiteral("09012345678");
        log.DtTo = log.DtFrom.addSecs(90);
        log.TelTime = 1.5;
        QCOMPARE(dm.InsertLog(log), 2);

        const QString memo = QString(2000, QChar(0x9AD9)); // 4000 CP932 bytes: the widest memo
        dm.UpdateTelMemo(1, memo);
        dm.UpdateTelMemo(2, QStringLiteral("it's"));
        FbQuery& q = dm.sqlWork;
        q.setSql(QStringLiteral("select * from LOG order by LOG_NO"));
        q.open();
        QCOMPARE(q.fieldByName(QStringLiteral("TEL_NO")).asString(), QStringLiteral(" "));
        QVERIFY(q.fieldByName(QStringLiteral("DT_TO")).isNull());
        QCOMPARE(q.fieldByName(QStringLiteral("TEL_MEMO")).asString(), memo);
        QCOMPARE(q.fieldByName(QStringLiteral("PORT_NO")).asInteger(), 3);
        q.next();
        QCOMPARE(q.fieldByName(QStringLiteral("DT_TO")).asDateTime(), log.DtTo);
        QCOMPARE(q.fieldByName(QStringLiteral("TEL_TIME")).asDouble(), 1.5);
        QCOMPARE(q.fieldByName(QStringLiteral("TEL_MEMO")).asString(), QStringLiteral("it's"));
        q.next();
        QVERIFY(q.eof());
        q.close();
        // A number drawn for a row that fails is lost, the row is not written, and the next
        // insert works normally.
        log.TelNo = QString(41, QLatin1Char('9'));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, dm.InsertLog(log));
        QCOMPARE(db.count(QStringLiteral("LOG")), 2);
        log.TelNo = QStringLiteral("0120000000");
        QCOMPARE(dm.InsertLog(log), 4);
        QCOMPARE(db.count(QStringLiteral("LOG")), 3);

        // A memo beyond the column is the database's error, and nothing changes.
        QVERIFY_THROWS_EXCEPTION(DatabaseError, dm.UpdateTelMemo(2, QString(4001, QLatin1Char('x'))));
        QCOMPARE(db.scalar(QStringLiteral("select TEL_MEMO from LOG where LOG_NO = 2")), QStringLiteral("it's"));
    }

    void unencodableTextIsRefusedBeforeAnyWrite()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        TCust c = sampleCustomer();
        c.CustName = QStringLiteral("顧客😀");
        try {
            dm.InsertCustData(c);
            QFAIL("not refused");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("「顧客名」に登録できない文字（😀）が含まれています。"));
        }
        QCOMPARE(db.count(QStringLiteral("CUSTOMER")), 0);
        // Not even a customer number was drawn.
        QCOMPARE(db.scalar(QStringLiteral("select gen_id(SEQ_CUST_NO, 0) from RDB$DATABASE")), QStringLiteral("0"));
        QVERIFY(logLines().filter(QStringLiteral("「顧客名」に登録できない文字")).size() == 1);

        QVERIFY_THROWS_EXCEPTION(AppError, dm.InsertTels({QStringLiteral("1"), QString(), QStringLiteral("€"), QString()}));
        QCOMPARE(db.count(QStringLiteral("TELS")), 0);
        // Anything else that reaches the database boundary is refused there.
        try {
            dm.ExecSql(QStringLiteral("insert into PRINT1 (TEL_NO) values ('한')"));
            QFAIL("not refused");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("データベースに登録できない文字（한）が含まれています。"));
        }
        QCOMPARE(db.count(QStringLiteral("PRINT1")), 0);

        // The helper dialogs call per field.
        CheckStorableText(QStringLiteral("件名"), QStringLiteral("～①髙ﾊﾝｶｸ"));
        QVERIFY_THROWS_EXCEPTION(AppError, CheckStorableText(QStringLiteral("件名"), QStringLiteral("🙂")));
    }

    void responses()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        gCurrentUser.UserId = QStringLiteral("admin");
        TAccept a;
        a.ActDt = QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5));
        a.Title = QStringLiteral("O'Brien 様");
        a.Content = QStringLiteral("一行目\r\n二行目 ～");
        a.CustNo = QStringLiteral("7");
        const int first = dm.InsertAccept(a); // from an add button: no call
        a.LogNo = QStringLiteral("12");
        a.TypeId = QStringLiteral("0001");
        const int second = dm.InsertAccept(a);
        QCOMPARE(second, first + 1);
        QVERIFY(logText().contains(QStringLiteral(
            "strSql=insert into ACCEPT_T (ACT_NO, ACT_DT, USERID, TYPE_ID, RESULT_ID, TITLE, CONTENT, LOG_NO, CUST_NO, "
            "UPUSERID, UPDT) values (1, '2024/01/02 03:04:05', '', '', '', 'O''Brien 様', '一行目\\r\\n二行目 ～', null, "
            "7, 'admin',  CURRENT_TIMESTAMP)")));
        QCOMPARE(db.count(QStringLiteral("ACCEPT_T"), QStringLiteral("ACT_NO = 1 and LOG_NO is null")), 1);
        // Empty choices are stored as empty texts, not null.
        QCOMPARE(db.count(QStringLiteral("ACCEPT_T"), QStringLiteral("ACT_NO = 1 and USERID = '' and RESULT_ID = ''")), 1);

        TAccept r;
        QVERIFY(dm.GetAcceptData(second, r));
        QCOMPARE(r.ActNo, second);
        QCOMPARE(r.ActDt, a.ActDt);
        QCOMPARE(r.Title, a.Title);
        QCOMPARE(r.Content, a.Content);
        QCOMPARE(r.TypeId, QStringLiteral("0001"));
        QCOMPARE(r.LogNo, QStringLiteral("12"));
        QCOMPARE(r.CustNo, QString()); // not read back

        r.CustNo = QStringLiteral("7");
        r.Title = QStringLiteral("変更");
        r.LogNo = QStringLiteral("99"); // the call link of a stored response never changes
        dm.UpdateAccept(r);
        QVERIFY(logText().contains(QStringLiteral(
            "strSql=update ACCEPT_T set ACT_DT = '2024/01/02 03:04:05',  USERID = '',  TYPE_ID = '0001',  RESULT_ID = "
            "'',  TITLE = '変更',  CONTENT = '一行目\\r\\n二行目 ～',  CUST_NO = 7,  UPUSERID = 'admin',  UPDT = "
            "CURRENT_TIMESTAMP where ACT_NO = 2")));
        QVERIFY(dm.GetAcceptData(second, r));
        QCOMPARE(r.Title, QStringLiteral("変更"));
        QCOMPARE(r.LogNo, QStringLiteral("12"));
        QVERIFY(!dm.GetAcceptData(999, r));

        // Call and customer numbers go into the statement bare, so they must be numbers.
        a.LogNo = QStringLiteral("1 or 1=1");
        QVERIFY_THROWS_EXCEPTION(AppError, dm.InsertAccept(a));
        QCOMPARE(db.count(QStringLiteral("ACCEPT_T")), 2);
    }

    void genericKeyOperations()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        QVERIFY(dm.ExistsKey(QStringLiteral("USER_M"), QStringLiteral("USERID"), QStringLiteral("'admin'")));
        QCOMPARE(dm.GetDelState(QStringLiteral("USER_M"), QStringLiteral("USERID"), QStringLiteral("'admin'")), 0);
        dm.ExecSql(QStringLiteral("update USER_M set DEL_DT = CURRENT_TIMESTAMP where USERID = 'admin'"));
        QCOMPARE(dm.GetDelState(QStringLiteral("USER_M"), QStringLiteral("USERID"), QStringLiteral("'admin'")), 1);
        QCOMPARE(dm.GetDelState(QStringLiteral("USER_M"), QStringLiteral("USERID"), QStringLiteral("'nobody'")), -1);

        int statements = 0;
        dm.IBDatabase1.setStatementHook([&](const QString&) { ++statements; });
        QCOMPARE(dm.GetDelState(QStringLiteral("USER_M"), QStringLiteral("USERID"), QString()), -1);
        QCOMPARE(dm.GetDelState(QStringLiteral("USER_M"), QStringLiteral("USERID"), QStringLiteral("'")), -1);
        QCOMPARE(statements, 0);
        dm.IBDatabase1.setStatementHook(nullptr);

        dm.DeleteByKey(QStringLiteral("USER_M"), QStringLiteral("USERID"), QStringLiteral("'admin'"));
        QVERIFY(!dm.ExistsKey(QStringLiteral("USER_M"), QStringLiteral("USERID"), QStringLiteral("'admin'")));

        QCOMPARE(dm.GetFieldLength(QStringLiteral("LOG"), QStringLiteral("TEL_MEMO")), 4000);
        QCOMPARE(dm.GetFieldLength(QStringLiteral("LOG"), QStringLiteral("NO_SUCH")), -1);
        QCOMPARE(dm.GetGenId(QStringLiteral("SEQ_LOG_NO")), 1);
        QVERIFY_THROWS_EXCEPTION(DatabaseError, dm.GetGenId(QStringLiteral("NO_SUCH_GENERATOR")));

        dm.InsertPrint({QStringLiteral("0311112222"), QStringLiteral("O'Brien"), 5});
        QCOMPARE(db.scalar(QStringLiteral("select CALLER from PRINT1 where TOTAL = 5")), QStringLiteral("O'Brien"));
        dm.ExecSql(QStringLiteral("delete from PRINT1"));
        QCOMPARE(db.count(QStringLiteral("PRINT1")), 0);
    }

    void interfaceAndPostalLookups()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.ExecSql(QStringLiteral("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EXEC_PATH, START_REQ, EVERY_CLOSE, "
                                  "TEXT_PORT) values (3, '販売管理', 'EXE', '/usr/bin/true', 1024, '1', '1')"));
        TInterfaceInfo info;
        info.IfName = QStringLiteral("left over");
        QVERIFY(!dm.GetInterfaceInfo(4, info));
        QCOMPARE(info.IfName, QString());
        QVERIFY(dm.GetInterfaceInfo(3, info));
        QCOMPARE(info.IfName, QStringLiteral("販売管理"));
        QCOMPARE(info.IfType, QStringLiteral("EXE"));
        QCOMPARE(info.StartReq, 1024);
        QCOMPARE(info.EndReq, 0);
        QCOMPARE(info.EveryClose, QStringLiteral("1"));
        QCOMPARE(info.TextPort, QStringLiteral("1"));
        QCOMPARE(info.TextDt, QString());

        dm.ExecSql(QStringLiteral("create table PREF_M (PREF_CD varchar(4), PREF_NAME varchar(20))"));
        dm.ExecSql(QStringLiteral("create table CITY_M (CITY_CD varchar(10), CITY_NAME varchar(40))"));
        dm.ExecSql(QStringLiteral("create table POST_M (POST_NO varchar(10), PREF_CD varchar(4), CITY_CD varchar(10), "
                                  "AREA_NAME varchar(100))"));
        dm.ExecSql(QStringLiteral("insert into PREF_M values ('13', '東京都')"));
        dm.ExecSql(QStringLiteral("insert into CITY_M values ('13101', '千代田区')"));
        dm.ExecSql(QStringLiteral("insert into POST_M values ('1000001', '13', '13101', '千代田')"));
        QCOMPARE(dm.GetZipAddress(QStringLiteral("100－0001")), QStringLiteral("東京都千代田区千代田"));
        QCOMPARE(dm.GetZipAddress(QStringLiteral("100-0001")), QStringLiteral("東京都千代田区千代田"));
        QCOMPARE(dm.GetZipAddress(QStringLiteral("999-9999")), QString());
    }

    void users()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        Clock::setNow(QDateTime(QDate(2024, 6, 10), QTime(12, 0)));
        TUser u;
        QVERIFY(dm.CheckLogin(QStringLiteral("admin"), QString(), u));
        QCOMPARE(u.UserName, QStringLiteral("管理者"));
        QCOMPARE(u.Auth, 9999);
        QVERIFY(!dm.CheckLogin(QStringLiteral("admin"), QStringLiteral("' or ''='"), u));
        QCOMPARE(u.UserId, QString());
        QCOMPARE(u.Auth, 0);

        // Valid from FROMDT, up to the day before TODT.
        dm.ExecSql(QStringLiteral("insert into USER_M (USERID, USERNM, PASSWD, AUTH, FROMDT, TODT) values ('tanaka', "
                                  "'田中', 'pw', 1, '2024/06/10', '2024/06/11')"));
        QVERIFY(dm.CheckLogin(QStringLiteral("tanaka"), QStringLiteral("pw"), u));
        Clock::setNow(QDateTime(QDate(2024, 6, 11), QTime(0, 0)));
        QVERIFY(!dm.CheckLogin(QStringLiteral("tanaka"), QStringLiteral("pw"), u));
        Clock::setNow(QDateTime(QDate(2024, 6, 9), QTime(23, 59)));
        QVERIFY(!dm.CheckLogin(QStringLiteral("tanaka"), QStringLiteral("pw"), u));

        gTraceOn = false; // the user name lines are written regardless
        QCOMPARE(dm.GetUserName(QStringLiteral("tanaka")), QStringLiteral("田中"));
        QCOMPARE(dm.GetUserName(QStringLiteral("  ")), QStringLiteral("該当者なし"));
        QCOMPARE(dm.GetUserName(QStringLiteral("nobody")), QStringLiteral("該当者なし"));
        const QStringList lines = logLines();
        QVERIFY(lines.contains(QStringLiteral("TdmCmn.GetUserName UserId=tanaka")));
        QVERIFY(lines.contains(QStringLiteral("USERNM=田中")));
        QCOMPARE(lines.filter(QStringLiteral("TdmCmn.GetUserName end")).size(), 3);
    }

    void pictures_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("bitmap") << QByteArray("BMP") << QByteArray("BM");
        QTest::newRow("jpeg") << QByteArray("JPG") << QByteArray("\xFF\xD8", 2);
    }

    void pictures()
    {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, magic);
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.InsertCustData(sampleCustomer());
        dm.InsertCustData(TCust());
        const QImage picture = samplePicture();
        dm.SaveImage(QStringLiteral("CUSTOMER"), QStringLiteral("AVATER"), QStringLiteral("CUST_NO"),
                     QStringLiteral("1"), picture, format.constData());
        QVERIFY(logLines().contains(QStringLiteral("strSql=update CUSTOMER set AVATER = :AVATER where CUST_NO = 1")));

        FbQuery& q = dm.sqlWork;
        q.setSql(QStringLiteral("select AVATER from CUSTOMER where CUST_NO = 1"));
        q.open();
        QVERIFY(q.field(0).asBytes().startsWith(magic));
        q.close();

        QImage loaded;
        QVERIFY(dm.LoadImage(QStringLiteral("CUSTOMER"), QStringLiteral("AVATER"), QStringLiteral("CUST_NO"),
                             QStringLiteral("1"), loaded));
        QCOMPARE(loaded.size(), picture.size());
        const QColor left = loaded.pixelColor(5, 16);
        QVERIFY(qAbs(left.red() - 200) < 20 && left.green() < 60);
        QVERIFY(loaded.pixelColor(40, 16).lightness() > 230);

        // A customer without a picture: the image is cleared.
        QVERIFY(!dm.LoadImage(QStringLiteral("CUSTOMER"), QStringLiteral("AVATER"), QStringLiteral("CUST_NO"),
                              QStringLiteral("2"), loaded));
        QVERIFY(loaded.isNull());
    }

    void unreadablePictureGivesFalse()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.InsertCustData(TCust());
        FbQuery& q = dm.sqlWork;
        q.setSql(QStringLiteral("update CUSTOMER set AVATER = :AVATER where CUST_NO = 1"));
        q.setBlobParam(QStringLiteral("AVATER"), QByteArray("not a picture at all"));
        q.exec();
        QImage img = samplePicture();
        QVERIFY(!dm.LoadImage(QStringLiteral("CUSTOMER"), QStringLiteral("AVATER"), QStringLiteral("CUST_NO"),
                              QStringLiteral("1"), img));
        QVERIFY(img.isNull());
    }

    void reconnection()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        const QString before = db.scalar(QStringLiteral("select CURRENT_CONNECTION from RDB$DATABASE"));

        clearLog();
        dm.ReDBConnect(QStringLiteral("Error: Table unknown")); // no "connection": nothing but the log
        QCOMPARE(logLines(), QStringList({QStringLiteral("TfrmMain.ReDBConnect ErrorMsg=Error: Table unknown"),
                                          QStringLiteral("TfrmMain.ReDBConnect end")}));
        QCOMPARE(db.scalar(QStringLiteral("select CURRENT_CONNECTION from RDB$DATABASE")), before);
        dm.ReDBConnect(QStringLiteral("error writing data to the connection")); // case matters
        QCOMPARE(db.scalar(QStringLiteral("select CURRENT_CONNECTION from RDB$DATABASE")), before);

        clearLog();
        dm.ReDBConnect(QStringLiteral("Error reading data from the connection."));
        QVERIFY(dm.IBDatabase1.connected());
        const QString after = db.scalar(QStringLiteral("select CURRENT_CONNECTION from RDB$DATABASE"));
        QVERIFY(after != before);
        TTels t;
        QVERIFY(!dm.GetTels(QStringLiteral("1"), t));
        QCOMPARE(logLines().first(), QStringLiteral("TfrmMain.ReDBConnect ErrorMsg=Error reading data from the connection."));

        // A database that cannot be reached is logged, not raised.
        dm.IBDatabase1.close();
        dm.IBDatabase1.setDatabaseName(db.dir() + QStringLiteral("/gone.fdb"));
        clearLog();
        dm.ReDBConnect(QStringLiteral("Error writing data to the connection."));
        QCOMPARE(logLines().filter(QStringLiteral("dmCmn.IBDatabase1.Connected error")).size(), 2);
        QCOMPARE(logLines().last(), QStringLiteral("TfrmMain.ReDBConnect end"));
    }

    void sharedQueryWalk()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        for (const char* no : {"3", "1", "2"})
            dm.InsertTels({QLatin1String(no), QString(), QStringLiteral("名%1").arg(QLatin1String(no)), QString()});
        FbQuery& q = dm.sqlWork2;
        q.setSql(QStringLiteral("select TEL_NO, CALLER from TELS order by TEL_NO"));
        q.open();
        QStringList seen;
        while (!q.eof()) {
            seen << q.fieldByName(QStringLiteral("TEL_NO")).asString() + q.fieldByName(QStringLiteral("caller")).asString();
            q.next();
        }
        q.close();
        QCOMPARE(seen, QStringList({QStringLiteral("1名1"), QStringLiteral("2名2"), QStringLiteral("3名3")}));
    }
};

QTEST_GUILESS_MAIN(TstTdmCmn)
#include "tst_tdmcmn.moc"
