// The LOG event: the upgrade's trigger posts it for every new call, and a listener on an
// attachment of its own reports it on the main thread.

#include "core/Clock.h"
#include "db/FbDatabase.h"
#include "db/FbEventListener.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QSignalSpy>
#include <QtTest>

class TestEventListener : public QObject
{
    Q_OBJECT
private slots:
    void serverPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("server");
        QTest::newRow("host") << "dbhost:/var/lib/firebird/3.0/data/Z.FDB" << true;
        QTest::newRow("host and port") << "127.0.0.1/3051:/srv/Z.FDB" << true;
        QTest::newRow("local") << "/var/lib/ordova/common/ZUVARODB.FDB" << false;
        QTest::newRow("colon in a local folder") << "/srv/a:/Z.FDB" << false;
        QTest::newRow("relative") << "data/Z.FDB" << false;
        QTest::newRow("drive letter") << "C:/data/Z.FDB" << false;
    }
    void serverPaths()
    {
        QFETCH(QString, path);
        QFETCH(bool, server);
        QCOMPARE(FbDatabase::IsServerPath(path), server);
    }

    void everyInsertIsReported()
    {
        TestEnv env;
        TempDb db;
        FbEventListener listener(db.path(), TdmCmn::ConnectionParams(), QLatin1String(kLogInsertedEvent));
        QSignalSpy posted(&listener, &FbEventListener::posted);
        QVERIFY(listener.start());
        QVERIFY(listener.listening());
        QTest::qWait(200); // the first delivery only tells the count so far
        QCOMPARE(posted.count(), 0);

        TLog log;
        log.DtFrom = Clock::now();
        log.TelNo = QStringLiteral("0312345678");
        log.TelType = QStringLiteral("着信");
        db.dm().InsertLog(log);
        QTRY_COMPARE(posted.count(), 1);
        QCOMPARE(posted.at(0).at(0).toInt(), 1);
        // Two calls in one transaction arrive as one report of two.
        db.dm().IBDatabase1.executeInOneTransaction(
            {QStringLiteral("insert into LOG (LOG_NO, TEL_NO) values (gen_id(SEQ_LOG_NO, 1), '1')"),
             QStringLiteral("insert into LOG (LOG_NO, TEL_NO) values (gen_id(SEQ_LOG_NO, 1), '2')")});
        QTRY_COMPARE(posted.count(), 2);
        QCOMPARE(posted.at(1).at(0).toInt(), 2);

        listener.stop();
        QVERIFY(!listener.listening());
        db.dm().InsertLog(log);
        QTest::qWait(300);
        QCOMPARE(posted.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestEventListener)
#include "tst_eventlistener.moc"
