// The Firebird layer on its own: attach on first use, rows by name, types, blobs, errors,
// the CP932 boundary and commits.

#include "core/AppError.h"
#include "db/DatabaseError.h"
#include "db/FbDatabase.h"
#include "db/FbQuery.h"
#include "db/InitialDatabase.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

class TstFbDatabase : public QObject
{
    Q_OBJECT

private:
    TestEnv FEnv;

    // A fresh database with a table T of several column types, attached lazily.
    struct Db
    {
        QTemporaryDir dir;
        QString path;
        FbDatabase db;
        Db()
        {
            path = dir.filePath(QStringLiteral("t.fdb"));
            FbDatabase::createDatabase(path, QStringLiteral("SYSDBA"), QStringLiteral("pinewoodx"));
            db.setDatabaseName(path);
            db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=pinewoodx"),
                          QStringLiteral("lc_ctype=NONE")});
            db.setSqlDialect(1);
            db.execute(QStringLiteral("create table T (ID integer, S smallint, TXT varchar(40), C char(4), "
                                      "D double precision, N numeric(9,2), DT date, B blob sub_type 0, "
                                      "M blob sub_type 1)"));
            db.close();
        }
    };

private slots:
    // First of the slots: only a process's first attachment reads the engine's configuration
    // folders, where Firebird 4 looped for ever when errno still said EINTR from earlier.
    void firstAttachmentAfterAnInterruptedCall()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("made.fdb"));
        // Made by the engine's own tool, so that this process has not used the engine yet.
        QProcess isql;
        isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q")});
        isql.write(QStringLiteral("create database '%1' user SYSDBA;\n").arg(path).toUtf8());
        isql.closeWriteChannel();
        QVERIFY(isql.waitForFinished(60000));
        QVERIFY2(QFileInfo::exists(path), isql.readAll().constData());
        FbDatabase db;
        db.setDatabaseName(path);
        db.setParams({QStringLiteral("user_name=SYSDBA"), QStringLiteral("lc_ctype=NONE")});
        db.setSqlDialect(1);
        errno = EINTR;
        db.open();
        QVERIFY(db.connected());
        db.close();
    }

    void attachesOnFirstUse()
    {
        Db t;
        QVERIFY(!t.db.connected());
        FbQuery q(t.db);
        q.setSql(QStringLiteral("select count(*) as N from T"));
        q.open();
        QVERIFY(t.db.connected());
        QCOMPARE(q.fieldByName(QStringLiteral("n")).asInteger(), 0);
        q.close();
        QVERIFY(!q.isOpen());
    }

    void readsRowsByNameWithTheirTypes()
    {
        Db t;
        FbQuery q(t.db);
        q.setSql(QStringLiteral("insert into T (ID, S, TXT, C, D, N, DT, M) values (1, -2, 'O''Brien', 'ab', 0.5, "
                                "12.34, '2024/02/29 23:59:58', '発信者不明')"));
        q.exec();
        q.setSql(QStringLiteral("insert into T (ID) values (2)"));
        q.exec();
        q.setSql(QStringLiteral("select * from T order by ID"));
        q.open();
        QVERIFY(!q.eof());
        QCOMPARE(q.fieldByName(QStringLiteral("id")).asInteger(), 1);
        QCOMPARE(q.fieldByName(QStringLiteral("S")).asInteger(), -2);
        QCOMPARE(q.fieldByName(QStringLiteral("TXT")).asString(), QStringLiteral("O'Brien"));
        QCOMPARE(q.fieldByName(QStringLiteral("C")).asString(), QStringLiteral("ab")); // padding dropped
        QCOMPARE(q.fieldByName(QStringLiteral("D")).asDouble(), 0.5);
        QCOMPARE(q.fieldByName(QStringLiteral("N")).asDouble(), 12.34);
        // Dialect 1: a DATE column holds the time of day too.
        QCOMPARE(q.fieldByName(QStringLiteral("DT")).asDateTime(), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
        QCOMPARE(q.fieldByName(QStringLiteral("M")).asString(), QStringLiteral("発信者不明"));
        QVERIFY(q.fieldByName(QStringLiteral("B")).isNull());
        q.next();
        QVERIFY(!q.eof());
        QCOMPARE(q.fieldByName(QStringLiteral("ID")).asInteger(), 2);
        QVERIFY(q.fieldByName(QStringLiteral("TXT")).isNull());
        QCOMPARE(q.fieldByName(QStringLiteral("TXT")).asString(), QString());
        QCOMPARE(q.fieldByName(QStringLiteral("DT")).asDateTime(), QDateTime());
        q.next();
        QVERIFY(q.eof());
        QVERIFY_THROWS_EXCEPTION(AppError, q.fieldByName(QStringLiteral("NO_SUCH")));
        q.close();
    }

    void storesTextAsCp932Bytes()
    {
        Db t;
        FbQuery q(t.db);
        q.setSql(QStringLiteral("insert into T (ID, TXT) values (1, '髙①～')"));
        q.exec();
        // Two bytes a character in CP932 (UTF-8 would take three).
        q.setSql(QStringLiteral("select octet_length(TXT) as L, TXT from T"));
        q.open();
        QCOMPARE(q.fieldByName(QStringLiteral("L")).asInteger(), 6);
        QCOMPARE(q.fieldByName(QStringLiteral("TXT")).asString(), QStringLiteral("髙①～"));
        q.close();
    }

    void refusesTextCp932CannotHold()
    {
        Db t;
        int statements = 0;
        t.db.setStatementHook([&](const QString&) { ++statements; });
        FbQuery q(t.db);
        q.setSql(QStringLiteral("insert into T (ID, TXT) values (1, 'smile 😀')"));
        try {
            q.exec();
            QFAIL("the statement was not refused");
        } catch (const AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("データベースに登録できない文字（😀）が含まれています。"));
        }
        QCOMPARE(statements, 0);
        q.setSql(QStringLiteral("select count(*) from T"));
        q.open();
        QCOMPARE(q.field(0).asInteger(), 0);
        q.close();
    }

    void blobParameterRoundTrip()
    {
        Db t;
        QByteArray data;
        for (int i = 0; i < 100000; ++i) // more than one segment, every byte value
            data.append(char(i % 256));
        FbQuery q(t.db);
        q.setSql(QStringLiteral("insert into T (ID) values (7)"));
        q.exec();
        q.setSql(QStringLiteral("update T set B = :B where ID = 7 and TXT is null and ':B' = ':B'"));
        q.setBlobParam(QStringLiteral("b"), data);
        q.exec();
        q.setSql(QStringLiteral("select B from T where ID = 7"));
        q.open();
        QCOMPARE(q.fieldByName(QStringLiteral("B")).asBytes(), data);
        q.close();
        q.setSql(QStringLiteral("update T set B = :B where ID = 7"));
        q.setBlobParam(QStringLiteral("B"), QByteArray());
        q.exec();
        q.setSql(QStringLiteral("select B from T where ID = 7"));
        q.open();
        QVERIFY(q.field(0).isNull());
        q.close();
    }

    void generatorValues()
    {
        Db t;
        t.db.execute(QStringLiteral("create generator G"));
        FbQuery q(t.db);
        for (int expected = 1; expected <= 3; ++expected) {
            q.setSql(QStringLiteral("select gen_id(G,1) as GENID FROM RDB$DATABASE"));
            q.open();
            QCOMPARE(q.fieldByName(QStringLiteral("GENID")).asInteger(), expected);
            q.close();
        }
    }

    void errorsCarryTheServersText()
    {
        Db t;
        FbQuery q(t.db);
        q.setSql(QStringLiteral("select * from NO_SUCH_TABLE"));
        try {
            q.open();
            QFAIL("no error");
        } catch (const DatabaseError& e) {
            QVERIFY2(e.message().contains(QLatin1String("Table unknown")), qPrintable(e.message()));
            QCOMPARE(e.sql(), QStringLiteral("select * from NO_SUCH_TABLE"));
        }
        QVERIFY(!q.isOpen());
        // The query is usable again afterwards.
        q.setSql(QStringLiteral("select count(*) from T"));
        q.open();
        QCOMPARE(q.field(0).asInteger(), 0);
        q.close();

        FbDatabase missing;
        missing.setDatabaseName(t.dir.filePath(QStringLiteral("missing.fdb")));
        missing.setParams(t.db.params());
        QVERIFY_THROWS_EXCEPTION(DatabaseError, missing.open());
        QVERIFY(!missing.connected());
    }

    void eachWriteIsCommittedAtOnce()
    {
        Db t;
        FbDatabase other;
        other.setDatabaseName(t.path);
        other.setParams(t.db.params());
        FbQuery reader(other);
        reader.setSql(QStringLiteral("select count(*) from T"));
        reader.open();
        reader.close();

        FbQuery writer(t.db);
        writer.setSql(QStringLiteral("insert into T (ID) values (1)"));
        writer.exec();
        reader.open();
        QCOMPARE(reader.field(0).asInteger(), 1);
        reader.close();

        // A failing statement leaves nothing behind.
        writer.setSql(QStringLiteral("insert into T (ID, S) values (2, 99999999)"));
        QVERIFY_THROWS_EXCEPTION(DatabaseError, writer.exec());
        reader.open();
        QCOMPARE(reader.field(0).asInteger(), 1);
        reader.close();
    }

    // A lookup kept prepared gives each run its own parameter's rows, also after an error
    // and after the connection was closed under it.
    void keptStatementRunsWithNewParameters()
    {
        Db t;
        t.db.execute(QString::fromUtf8("insert into T (ID, TXT) values (1, '山田')"));
        t.db.execute(QStringLiteral("insert into T (ID, TXT) values (2, 'O''Brien')"));
        FbQuery q(t.db);
        q.setSql(QStringLiteral("select ID from T where TXT = ?"));
        q.setKeepPrepared(true);
        auto lookup = [&q](const QString& text) {
            q.setTextParams({text});
            q.open();
            const int id = q.eof() ? 0 : q.field(0).asInteger();
            q.close();
            return id;
        };
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(lookup(QString::fromUtf8("山田")), 1);
            QCOMPARE(lookup(QStringLiteral("O'Brien")), 2);
            QCOMPARE(lookup(QStringLiteral("nobody")), 0);
            QCOMPARE(lookup(QString::fromUtf8("山田")), 1);
            t.db.close();
        }
        // Left open (no close) before the next run: the next open starts afresh.
        q.setTextParams({QStringLiteral("O'Brien")});
        q.open();
        QCOMPARE(lookup(QString::fromUtf8("山田")), 1);
        // Too wide for the column: an error, and the statement works again afterwards.
        QVERIFY_THROWS_EXCEPTION(DatabaseError, lookup(QString(60, QLatin1Char('x'))));
        QCOMPARE(lookup(QStringLiteral("O'Brien")), 2);
    }

    void closingTheConnectionReleasesQueries()
    {
        Db t;
        t.db.execute(QStringLiteral("insert into T (ID) values (1)"));
        FbQuery q(t.db);
        q.setSql(QStringLiteral("select ID from T"));
        q.open();
        QVERIFY(q.isOpen());
        t.db.close();
        QVERIFY(!q.isOpen());
        QVERIFY(!t.db.connected());
        q.open();
        QCOMPARE(q.field(0).asInteger(), 1);
        q.close();
    }
};

QTEST_GUILESS_MAIN(TstFbDatabase)
#include "tst_fbdatabase.moc"
