// Import figures: a customer list of 100,000 rows in the program's own CSV layout (about
// 25 MB): the preview (reading and planning), the writing, the process's peak memory; the
// round trip (the file imported into an empty database and exported again must give the same
// bytes); 1,000 generated vCards with the quirks of phones (2.1 QUOTED-PRINTABLE with
// Shift-JIS, folded lines, groups, 4.0 tel: addresses): every number and reading taken.
//
//   bench_import [--rows N] [--cards N]

#include "core/AppGlobals.h"
#include "core/Cp932.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/SharedData.h"
#include "core/StartupSettings.h"
#include "db/FbEngine.h"
#include "db/FbQuery.h"
#include "db/InitialDatabase.h"
#include "db/SchemaUpgrade.h"
#include "db/TdmCmn.h"
#include "imports/ImportPlan.h"
#include "logs/DataExporter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}
#endif

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double peakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

QByteArray customerCsv(int rows)
{
    QString text = QStringLiteral("顧客名,顧客カナ,生年月日,性別,代表番号,FAX番号,郵便番号,住所,地図URL,電子メール,ＨＰ,担当,備考\r\n");
    QByteArray out = Cp932::encode(text);
    static const char* const sexes[] = {"不明", "男", "女"};
    for (int i = 0; i < rows; ++i) {
        const QString n = QString::number(i);
        const QString birth = i % 5 ? QStringLiteral("19%1/%2/%3 00:00:00")
                                          .arg(50 + i % 50)
                                          .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                                          .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                    : QString();
        const QStringList f{QStringLiteral("山田 太郎") + n, QStringLiteral("ヤマダ タロウ"), birth,
                            QString::fromUtf8(sexes[i % 3]), QStringLiteral("03-%1-%2").arg(1000 + i / 10000).arg(i % 10000, 4, 10, QLatin1Char('0')),
                            i % 2 ? QStringLiteral("03-9999-%1").arg(i % 10000, 4, 10, QLatin1Char('0')) : QString(),
                            QStringLiteral("100-0001"), QStringLiteral("東京都千代田区千代田１－１－") + n, QString(),
                            QStringLiteral("taro%1@example.org").arg(i), QString(), QString(),
                            QStringLiteral("毎週火曜日に来店。\r\n駐車場あり、\"特\"") + n};
        QString line;
        for (const QString& v : f) {
            if (!line.isEmpty())
                line += QLatin1Char(',');
            line += QLatin1Char('"') + QString(v).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
        }
        out += Cp932::encode(line) + "\r\n";
    }
    return out;
}

// Cards of the three versions in turn, with the quirks phones write.
QByteArray vcards(int cards, int* numbers, int* readings)
{
    QByteArray out;
    *numbers = *readings = 0;
    for (int i = 0; i < cards; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray tel = "090-" + QByteArray::number(2000 + i / 10000) + "-" + QByteArray::number(i % 10000).rightJustified(4, '0');
        switch (i % 3) {
        case 0: {
            QByteArray qp;
            for (char c : Cp932::encode(QStringLiteral("佐藤 花子") + QString::number(i)))
                qp += '=' + QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0');
            out += "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" + qp.left(12) + "=\r\n" +
                   qp.mid(12) + ";;;;\r\nX-PHONETIC-LAST-NAME;CHARSET=SHIFT_JIS:" + Cp932::encode(QStringLiteral("さとう")) +
                   "\r\nTEL;CELL:" + tel + "\r\nTEL;WORK;VOICE:03-" + QByteArray::number(3000 + i / 10000) + "-" +
                   QByteArray::number(i % 10000).rightJustified(4, '0') + "\r\nEND:VCARD\r\n";
            *numbers += 2;
            break;
        }
        case 1:
            out += "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Suzuki\r\n  Ichiro " + n + "\r\nN:Suzuki;Ichiro;;;\r\n"
                   "SORT-STRING:すずき いちろう\r\nitem1.TEL;TYPE=HOME:+81 90 " + tel.mid(4) + "\r\nNOTE:a\\, b\\nc\r\nEND:VCARD\r\n";
            *numbers += 1;
            break;
        default:
            out += "BEGIN:VCARD\nVERSION:4.0\nFN:田中 " + n + "\nX-PHONETIC-FIRST-NAME:じろう\nTEL;VALUE=uri;TYPE=\"voice,main\":tel:" +
                   tel + "\nEND:VCARD\n";
            *numbers += 1;
            break;
        }
        ++*readings;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"rows", "Customers in the CSV.", "N", "100000"});
    parser.addOption({"cards", "vCards.", "N", "1000"});
    parser.process(app);
    const int rows = parser.value("rows").toInt();
    const int cards = parser.value("cards").toInt();

    QTemporaryDir tmp;
    qputenv("ZUVARO_DATA_ROOT", tmp.path().toUtf8());
    qputenv("ZUVARO_UNATTENDED", "yes");
    SharedData::PrepareProcess();
    InitProcessValues();
    CreateDataFolders();
    OpenSettingsFile();
    LoadStartupSettings();
    gTraceOn = false;
    const QString backup = tmp.path() + "/backup";
    QDir().mkpath(backup);

    const QString csvPath = tmp.path() + "/customers.csv";
    {
        QFile f(csvPath);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(customerCsv(rows));
    }
    std::printf("customer CSV: %d rows, %.1f MB; peak before: %.1f MB\n", rows, QFileInfo(csvPath).size() / 1048576.0, peakMb());

    const QString dbPath = tmp.path() + "/import.fdb";
    InitialDatabase::Create(dbPath);
    int rc = 0;
    {
        TdmCmn dm(dbPath);
        MessageService::setNextAnswer(MsgResult::Yes);
        InitTables(dm, nullptr);
        MessageService::clearAnswers();

        ImportPlanner planner(dm);
        QElapsedTimer t;
        t.start();
        double cpu = cpuSeconds();
        planner.Load(csvPath, ImportTarget::Customers);
        const ImportPlan& plan = planner.Plan(ImportOptions());
        std::printf("preview:  %7.2f s (cpu %6.2f s)  %s\n", t.nsecsElapsed() / 1e9, cpuSeconds() - cpu,
                    qPrintable(plan.Summary()));
        ImportWriter writer(dm);
        writer.setBackup(dbPath, backup, 2);
        t.restart();
        cpu = cpuSeconds();
        const ImportWriter::Outcome out = writer.Write(plan, ImportTarget::Customers);
        std::printf("import:   %7.2f s (cpu %6.2f s)  %d rows  %s  peak %.1f MB\n", t.nsecsElapsed() / 1e9,
                    cpuSeconds() - cpu, writer.written(), out == ImportWriter::Done ? "done" : "FAILED", peakMb());

        const QString again = tmp.path() + "/again.csv";
        DataExporter exporter(dm.IBDatabase1);
        ExportRequest r;
        r.kind = ExportKind::Customers;
        r.path = again;
        r.removeLineBreaks = false;
        r.askBeforeOverwrite = false;
        exporter.Run(r);
        QFile a(csvPath), b(again);
        a.open(QIODevice::ReadOnly);
        b.open(QIODevice::ReadOnly);
        const bool same = a.readAll() == b.readAll();
        std::printf("round trip: exported again %s\n", same ? "byte-identical" : "DIFFERENT");
        if (!same || out != ImportWriter::Done)
            rc = 1;

        int numbers = 0, readings = 0;
        const QByteArray v = vcards(cards, &numbers, &readings);
        dm.ExecSql(QStringLiteral("delete from CUSTOMER"));
        dm.ExecSql(QStringLiteral("delete from TELS"));
        t.restart();
        ImportPlanner vp(dm);
        vp.LoadText(v, ImportTarget::Customers);
        const ImportPlan& vplan = vp.Plan(ImportOptions());
        ImportWriter vw(dm);
        vw.setBackup(dbPath, backup, 2);
        if (vw.Write(vplan, ImportTarget::Customers) != ImportWriter::Done)
            std::printf("vCards not written: %s (%s)\n", qPrintable(vw.failure()), qPrintable(vplan.Summary()));
        auto count = [&dm](const QString& sql) {
            FbQuery q(dm.IBDatabase1);
            q.setSql(sql);
            q.open();
            const int n = q.field(0).asInteger();
            q.release();
            return n;
        };
        const int stored = count(QStringLiteral("select count(*) from CUSTOMER")) + count(QStringLiteral("select count(*) from TELS"));
        const int read = count(QStringLiteral("select count(*) from CUSTOMER where CUST_KANA <> ''"));
        std::printf("vCards:   %d cards in %.2f s: numbers %d of %d, readings %d of %d, refused %d\n", cards,
                    t.nsecsElapsed() / 1e9, stored, numbers, read, readings, vplan.refused);
        if (stored != numbers || read != readings)
            rc = 1;
    }
    ShutdownEngine();
    return rc;
}
