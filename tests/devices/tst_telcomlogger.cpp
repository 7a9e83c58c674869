#include "core/Clock.h"
#include "devices/TTelComLogger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <thread>
#include <vector>
#include <QTest>

namespace {
QStringList FileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    // Every line ends with CR LF.
    if (!all.isEmpty() && !all.endsWith("\r\n"))
        return {QStringLiteral("<no CR LF at end>")};
    QStringList lines = QString::fromUtf8(all).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}
} // namespace

class TestTelComLogger : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }

    void lineFormatAndFileName()
    {
        QTemporaryDir dir;
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(9, 8, 7, 6)));
        {
            TTelComLogger log(dir.path(), QStringLiteral("log"), QStringLiteral("TelCom60600"));
            log.Enqueue(QStringLiteral("COM60600: connected."));
            log.Enqueue(QStringLiteral("電話番号"));
        }
        const QString file = dir.filePath(QStringLiteral("TelCom60600_20240501.log"));
        QCOMPARE(FileLines(file), (QStringList{QStringLiteral("2024/05/01 09:08:07.006 COM60600: connected."),
                                               QStringLiteral("2024/05/01 09:08:07.006 電話番号")}));
        // A forged line inside a message stays on its own line; the file is not for others.
        {
            TTelComLogger log(dir.path(), QStringLiteral("log"), QStringLiteral("TelCom60600"));
            log.Enqueue(QStringLiteral("TelNo=03\r\n2024/05/01 09:08:07.006 forged\x1b[0m"));
        }
        QCOMPARE(FileLines(file).last(),
                 QStringLiteral("2024/05/01 09:08:07.006 TelNo=03\\r\\n2024/05/01 09:08:07.006 forged\\x1B[0m"));
        QCOMPARE(int(QFileInfo(file).permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther)), 0);
        // Folder with separator and extension with dot name the same file.
        TTelComLogger other(dir.path() + QLatin1Char('/'), QStringLiteral(".log"), QStringLiteral("TelCom60600"));
        QCOMPARE(other.FileNameFor(Clock::now()), file);
    }

    void linesQueuedBeforeMidnightGoToTheDayTheyAreWritten()
    {
        QTemporaryDir dir;
        TTelComLogger log(dir.path(), QStringLiteral(".log"), QStringLiteral("TelCom1"));
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(23, 59, 59, 990)));
        log.Enqueue(QStringLiteral("before"));
        log.Flush();
        log.SetWriting(false);
        log.Enqueue(QStringLiteral("queued late"));
        Clock::setNow(QDateTime(QDate(2024, 5, 2), QTime(0, 0, 0, 20)));
        log.SetWriting(true);
        log.Flush();
        QCOMPARE(FileLines(dir.filePath(QStringLiteral("TelCom1_20240501.log"))),
                 QStringList{QStringLiteral("2024/05/01 23:59:59.990 before")});
        QCOMPARE(FileLines(dir.filePath(QStringLiteral("TelCom1_20240502.log"))),
                 QStringList{QStringLiteral("2024/05/01 23:59:59.990 queued late")});
    }

    void destructionWritesEveryQueuedLine()
    {
        QTemporaryDir dir;
        const int n = 20000;
        {
            TTelComLogger log(dir.path(), QStringLiteral(".log"), QStringLiteral("TelCom2"));
            log.SetWriting(false);
            for (int i = 0; i < n; ++i)
                log.Enqueue(QStringLiteral("line %1").arg(i));
        }
        QDir d(dir.path());
        const QStringList files = d.entryList({QStringLiteral("TelCom2_*.log")});
        QCOMPARE(files.size(), 1);
        const QStringList lines = FileLines(d.filePath(files.first()));
        QCOMPARE(lines.size(), n);
        QVERIFY(lines.first().endsWith(QStringLiteral(" line 0")));
        QVERIFY(lines.last().endsWith(QStringLiteral(" line 19999")));
    }

    void manyProducersLoseNothing()
    {
        QTemporaryDir dir;
        {
            TTelComLogger log(dir.path(), QStringLiteral(".log"), QStringLiteral("TelCom3"));
            std::vector<std::thread> producers;
            for (int t = 0; t < 4; ++t)
                producers.emplace_back([&log, t] {
                    for (int i = 0; i < 2000; ++i)
                        log.Enqueue(QStringLiteral("t%1 %2").arg(t).arg(i));
                });
            for (auto& p : producers)
                p.join();
        }
        const QStringList files = QDir(dir.path()).entryList({QStringLiteral("TelCom3_*.log")});
        QCOMPARE(files.size(), 1);
        QCOMPARE(FileLines(dir.filePath(files.first())).size(), 8000);
    }

    void vanishedFolderLosesLinesUntilItIsBack()
    {
        QTemporaryDir base;
        const QString folder = base.filePath(QStringLiteral("log"));
        QDir().mkpath(folder);
        Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(12, 0)));
        TTelComLogger log(folder, QStringLiteral(".log"), QStringLiteral("TelCom4"));
        QDir(folder).removeRecursively();
        log.Enqueue(QStringLiteral("lost"));
        log.Flush();
        QDir().mkpath(folder);
        log.Enqueue(QStringLiteral("kept"));
        log.Flush();
        QCOMPARE(FileLines(log.FileNameFor(Clock::now())), QStringList{QStringLiteral("2024/05/01 12:00:00.000 kept")});
    }
};

QTEST_GUILESS_MAIN(TestTelComLogger)
#include "tst_telcomlogger.moc"
