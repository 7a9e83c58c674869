// The initial database and the tool that makes it.

#include "core/Cp932.h"
#include "core/MessageService.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/TestEnv.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString scalar(TdmCmn& dm, const QString& sql)
{
    dm.sqlWork.setSql(sql);
    dm.sqlWork.open();
    const QString v = dm.sqlWork.eof() ? QString() : dm.sqlWork.field(0).asString();
    dm.sqlWork.close();
    return v;
}

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run initdb(const QStringList& args)
{
    QProcess p;
    p.start(TestEnv::binary(QStringLiteral("tools/zuvaro3-initdb/zuvaro3-initdb")), args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class TstInitialDb : public QObject
{
    Q_OBJECT

private:
    TestEnv FEnv;

private slots:
    void createsTheBaseSchema()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a/b/ZUVARODB.FDB")); // parents missing
        InitialDatabase::Create(path);
        QVERIFY(QFileInfo::exists(path));

        TdmCmn dm(path);
        QCOMPARE(scalar(dm, QStringLiteral("select MON$SQL_DIALECT from MON$DATABASE")), QStringLiteral("1"));
        QCOMPARE(scalar(dm, QStringLiteral("select RDB$CHARACTER_SET_NAME from RDB$DATABASE")), QStringLiteral("NONE"));
        for (const char* t : {"LOG", "TELS", "CUSTOMER", "INTERFACE", "USER_M", "OPTION_M", "PRINT1"})
            QVERIFY2(dm.ExistsKey(QStringLiteral("RDB$RELATIONS"), QStringLiteral("RDB$RELATION_NAME"),
                                  QStringLiteral("'%1'").arg(QLatin1String(t))),
                     t);
        QVERIFY(!dm.ExistsKey(QStringLiteral("RDB$RELATIONS"), QStringLiteral("RDB$RELATION_NAME"),
                              QStringLiteral("'PREF_M'")));
        // The totals' work table holds each attachment's own rows from the start.
        QCOMPARE(scalar(dm, QStringLiteral("select RDB$RELATION_TYPE from RDB$RELATIONS where RDB$RELATION_NAME = 'PRINT1'")),
                 QStringLiteral("4"));
        QCOMPARE(scalar(dm, QStringLiteral("select count(*) from USER_M")), QStringLiteral("0"));
        QCOMPARE(dm.GetGenId(QStringLiteral("SEQ_LOG_NO")), 1);
        QCOMPARE(dm.GetGenId(QStringLiteral("SEQ_CUST_NO")), 1);
        QVERIFY(dm.GetFieldLength(QStringLiteral("CUSTOMER"), QStringLiteral("OPTION_20")) > 0);
        QVERIFY(dm.GetFieldLength(QStringLiteral("CUSTOMER"), QStringLiteral("AVATER")) > 0);
        // Left short on purpose, so that the upgrade has its work to do.
        QVERIFY(dm.GetFieldLength(QStringLiteral("LOG"), QStringLiteral("TEL_MEMO")) < 4000);
        QVERIFY(dm.GetFieldLength(QStringLiteral("CUSTOMER"), QStringLiteral("MAP_URL")) < 600);
        QCOMPARE(dm.GetFieldLength(QStringLiteral("LOG"), QStringLiteral("PORT_NO")), 2);
        // INTERFACE declares its key.
        QCOMPARE(scalar(dm, QStringLiteral("select count(*) from RDB$RELATION_CONSTRAINTS where RDB$RELATION_NAME = "
                                           "'INTERFACE' and RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'")),
                 QStringLiteral("1"));
    }

    void toolCreatesButNeverOverwrites()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new/ZUVARODB.FDB"));
        const Run first = initdb({path});
        QCOMPARE(first.code, 0);
        QVERIFY(QFileInfo::exists(path));
        const QDateTime stamp = QFileInfo(path).lastModified();
        const qint64 size = QFileInfo(path).size();

        const Run second = initdb({path});
        QVERIFY(second.code != 0);
        QVERIFY2(second.err.contains(QLatin1String("already exists")), qPrintable(second.err));
        QCOMPARE(QFileInfo(path).lastModified(), stamp);
        QCOMPARE(QFileInfo(path).size(), size);

        QVERIFY(initdb({}).code != 0);
    }

    void toolLoadsThePostalMasters()
    {
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("postal.csv"));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(Cp932::encode(QStringLiteral("郵便番号,県コード,県名,市コード,市名,町域\r\n"
                                             "100-0001,13,東京都,13101,千代田区,千代田\r\n"
                                             "\"1000002\",13,東京都,13101,千代田区,\"皇居外苑, 一丁目\"\r\n"
                                             "0600000,01,北海道,01101,札幌市中央区,以下に掲載がない場合\r\n")));
        f.close();
        const QString path = dir.filePath(QStringLiteral("ZUVARODB.FDB"));
        const Run r = initdb({QStringLiteral("--postal-csv"), csv, path});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(r.out.contains(QLatin1String("Loaded 3 postal codes")));

        TdmCmn dm(path);
        MessageService::setNextAnswer(MsgResult::Yes);
        InitTables(dm, nullptr);
        QVERIFY(dm.PostalLookupAvailable);
        QCOMPARE(dm.GetZipAddress(QStringLiteral("100-0001")), QStringLiteral("東京都千代田区千代田"));
        QCOMPARE(dm.GetZipAddress(QStringLiteral("1000002")), QStringLiteral("東京都千代田区皇居外苑, 一丁目"));
        QCOMPARE(dm.GetZipAddress(QStringLiteral("060－0000")), QStringLiteral("北海道札幌市中央区以下に掲載がない場合"));
    }

    // Bad rows are skipped, each named by its own line; the good ones are loaded. A file that
    // cannot be read leaves no database behind.
    void toolSkipsBadPostalRows()
    {
        QTemporaryDir dir;
        const QString csv = dir.filePath(QStringLiteral("postal.csv"));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("郵便番号,県コード,県名,市コード,市名,町域\n"
                               "100-0001,13,東京都,13101,千代田区,千代田\n"
                               "1000002,13,東京都,13101,千代田区\n"
                               "12345,13,東京都,13101,千代田区,短い\n")
                    .toUtf8() +
                Cp932::encode(QStringLiteral("1000003,13,東京都,13101,千代田区,大手町\n")) +
                QStringLiteral("0600000,01,北海道,01101,札幌市中央区,中央\n").toUtf8());
        f.close();
        const QString path = dir.filePath(QStringLiteral("ZUVARODB.FDB"));
        const Run r = initdb({QStringLiteral("--postal-csv"), csv, path});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QLatin1String("Loaded 2 postal codes")), qPrintable(r.out));
        for (int line : {3, 4, 5})
            QVERIFY2(r.err.contains(QStringLiteral("line %1:").arg(line)), qPrintable(r.err));
        QCOMPARE(r.err.count(QLatin1String("skipped")), 3);
        {
            TdmCmn dm(path);
            MessageService::setNextAnswer(MsgResult::Yes);
            InitTables(dm, nullptr);
            QCOMPARE(dm.GetZipAddress(QStringLiteral("0600000")), QStringLiteral("北海道札幌市中央区中央"));
            QCOMPARE(dm.GetZipAddress(QStringLiteral("1000003")), QString());
        }

        const QString other = dir.filePath(QStringLiteral("OTHER.FDB"));
        QVERIFY(initdb({QStringLiteral("--postal-csv"), dir.filePath(QStringLiteral("missing.csv")), other}).code != 0);
        QVERIFY(!QFileInfo::exists(other));
    }
};

QTEST_GUILESS_MAIN(TstInitialDb)
#include "tst_initialdb.moc"
