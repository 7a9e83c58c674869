#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/ProfileFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

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

    void controlCharactersCannotForgeLines()
    {
        TestEnv env;
        Clock::setNow(QDateTime(QDate(2024, 1, 31), QTime(23, 59, 58)));
        WriteLog(QStringLiteral("TelNo=03\x1b[2J\t12\n2024/01/31 00:00:00 forged\r\x01\x7f") + QChar(0x2028) +
                 QStringLiteral("電話"));
        QCOMPARE(current(), QStringLiteral("2024/01/31 23:59:58 TelNo=03\\x1B[2J\\t12\\n2024/01/31 00:00:00 "
                                           "forged\\r\\x01\\x7F\\x2028電話\r\n"));
    }

    void filesAreNotForOtherUsers()
    {
        TestEnv env;
        WriteLog("a");
        struct stat log, folder;
        QCOMPARE(::stat(QFile::encodeName(gCurLogFile).constData(), &log), 0);
        QCOMPARE(::stat(QFile::encodeName(gLogDir).constData(), &folder), 0);
        QCOMPARE(log.st_mode & 07777, mode_t(0660));
        QCOMPARE(log.st_gid, folder.st_gid);
        // A log left readable by an older version loses the others' access at the next line.
        QVERIFY(QFile::setPermissions(gCurLogFile, QFile::permissions(gCurLogFile) | QFileDevice::ReadOther));
        WriteLog("b");
        QCOMPARE(int(QFile::permissions(gCurLogFile) & QFileDevice::ReadOther), 0);
        // The settings file too, created by its first write.
        QFile::remove(gIniFile);
        ProfileFile ini(gIniFile);
        QVERIFY(ini.WriteString("S", "K", "v"));
        QCOMPARE(int(QFile::permissions(gIniFile) & (QFileDevice::ReadOther | QFileDevice::WriteOther)), 0);
        QVERIFY(QFile::permissions(gIniFile) & QFileDevice::ReadGroup);
    }

    void failedWritesAreSaidOnceAMinute()
    {
        TestEnv env;
        QTemporaryFile err;
        QVERIFY(err.open());
        const int saved = ::dup(2);
        ::dup2(err.handle(), 2);
        Clock::setNow(QDateTime(QDate(2024, 1, 31), QTime(12, 0)));
        gCurLogFile = QStringLiteral("/dev/full"); // every write fails: the disk is full
        for (int i = 0; i < 100; ++i)
            WriteLog("lost");
        Clock::advance(61000);
        WriteLog("lost");
        gCurLogFile = env.path("missing/folder/log.txt");
        WriteLog("lost"); // within the minute: not said again
        ::dup2(saved, 2);
        ::close(saved);
        err.seek(0);
        const QByteArray said = err.readAll();
        QCOMPARE(said.count("zuvaro3: cannot write /dev/full"), 2);
        QCOMPARE(said.count("cannot write"), 2);
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
