#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestDiagLog : public QObject
{
    Q_OBJECT

    static void fill(qint64 bytes)
    {
        QFile f(gCurLogFile);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(bytes, 'x'));
    }
    static QString current()
    {
        QFile f(gCurLogFile);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    static QStringList rolled()
    {
        QStringList names = QDir(gLogDir).entryList({"log_*.txt"}, QDir::Files, QDir::Name);
        names.removeAll(QFileInfo(gCurLogFile).fileName());
        return names;
    }

private slots:
    void lineFormatAndSwitch()
    {
        TestEnv env;
        Clock::setNow(QDateTime(QDate(2024, 1, 31), QTime(23, 59, 58)));
        gTraceOn = true;
        WriteTraceLog("TfrmMain.FormCreate");
        gTraceOn = false;
        WriteTraceLog("hidden");
        WriteLog(QString::fromUtf8("音声合成エンジンの作成に失敗しました。"));
        QCOMPARE(current(), QString::fromUtf8("2024/01/31 23:59:58 TfrmMain.FormCreate\r\n"
                                              "2024/01/31 23:59:58 音声合成エンジンの作成に失敗しました。\r\n"));
    }

    void rollOverBoundary()
    {
        TestEnv env;
        Clock::setNow(QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59)));
        fill(640000); // 5000 blocks: not above the limit
        WriteLog("a");
        QVERIFY(rolled().isEmpty());
        QVERIFY(QFileInfo(gCurLogFile).size() > 640000);

        fill(640128); // 5001 blocks: this line still goes in, then the file moves aside
        WriteLog("b");
        QCOMPARE(rolled(), QStringList{"log_" + gComputerName + "_20240131_235959.txt"});
        QVERIFY(!QFileInfo::exists(gCurLogFile));
        WriteLog("c");
        QCOMPARE(current().right(3), QString("c\r\n"));

        // A second roll-over in the same second keeps the first file.
        fill(640128);
        WriteLog("d");
        QCOMPARE(rolled().size(), 2);
        QFile first(gLogDir + "/log_" + gComputerName + "_20240131_235959.txt");
        QVERIFY(first.open(QIODevice::ReadOnly));
        QVERIFY(first.readAll().endsWith("b\r\n"));
    }

    void purgeByAge()
    {
        TestEnv env;
        const QDateTime now(QDate(2024, 6, 1), QTime(12, 0));
        Clock::setNow(now);
        auto make = [](const QString& name, int daysOld) {
            QFile f(gLogDir + "/" + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
            f.close();
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(Clock::now().addDays(-daysOld), QFileDevice::FileModificationTime));
        };
        make("log_OLD.txt", 101);
        make("TelCom60600_20240201.log", 101);
        make("log_NEW.txt", 99);
        QDir(gLogDir).mkdir("sub");
        DeleteOldLogs(gLogDir, Clock::now().addDays(-100));
        QVERIFY(!QFileInfo::exists(gLogDir + "/log_OLD.txt"));
        QVERIFY(!QFileInfo::exists(gLogDir + "/TelCom60600_20240201.log"));
        QVERIFY(QFileInfo::exists(gLogDir + "/log_NEW.txt"));
        QVERIFY(QFileInfo::exists(gLogDir + "/sub"));
        DeleteOldLogs(gLogDir + "/missing", Clock::now()); // nothing to do, no error
    }

    void osNameNamesTheSystem()
    {
        QVERIFY(!OsName().isEmpty());
        QVERIFY(OsName().contains(QSysInfo::kernelVersion()));
    }
};

QTEST_GUILESS_MAIN(TestDiagLog)
#include "tst_diaglog.moc"
