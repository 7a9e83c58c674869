#include "core/HelpLocation.h"
#include "support/TestEnv.h"

#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

// What the package ships, checked on an installation of the built tree into a staging
// folder (the package itself is built by scripts/package.sh from the same install rules).
class TestPackage : public QObject
{
    Q_OBJECT

    QTemporaryDir FStage;
    QString FUsr;

    static QString run(const QString& program, const QStringList& args, int* rc)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForFinished(120000)) {
            *rc = -1;
            return QString();
        }
        *rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return QString::fromUtf8(p.readAll());
    }

    static void requireTool(const QString& name)
    {
        if (QStandardPaths::findExecutable(name).isEmpty())
            QSKIP(qPrintable(name + " is not installed (scripts/deps.sh --tests installs it)"));
    }

private slots:
    void initTestCase()
    {
        FUsr = FStage.filePath("usr");
        int rc = 0;
        const QString out =
            run(QStringLiteral("cmake"), {"--install", QStringLiteral(ZUVARO_BIN_DIR), "--prefix", FUsr}, &rc);
        QVERIFY2(rc == 0, qPrintable(out));
    }

    void filesInPlace()
    {
        QStringList files;
        QDirIterator it(FUsr, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next().mid(FUsr.size() + 1);
        const QStringList expected{
            "bin/zuvaro3",
            "bin/zuvaro3-initdb",
            "bin/zuvaro3-export",
            "bin/zuvaro3-import",
            "bin/zuvaro3-backup",
            "bin/zuvaro3-report",
            "bin/zuvaro-phone",
            "share/applications/zuvaro3.desktop",
            "share/zuvaro3/autostart/zuvaro3.desktop",
            "share/metainfo/jp.ordova.zuvaro3.metainfo.xml",
            "share/icons/hicolor/scalable/apps/zuvaro3.svg",
            "share/man/man1/zuvaro3.1",
            "share/man/man1/zuvaro3-export.1",
            "share/man/man1/zuvaro3-import.1",
            "share/man/man1/zuvaro3-report.1",
            "share/man/man1/zuvaro-phone.1",
            "share/man/man8/zuvaro3-initdb.8",
            "share/man/man8/zuvaro3-backup.8",
            "share/doc/zuvaro3/README.md",
            "share/zuvaro3/help/index.html",
            "share/zuvaro3/help/images/main-window.png",
            "share/zuvaro3/help/images/customer.png",
            "share/zuvaro3/help/images/totals.png",
            "share/zuvaro3/help/images/settings.png",
            "share/zuvaro3/help/images/import.png",
        };
        for (const QString& f : expected)
            QVERIFY2(files.contains(f), qPrintable(f));
        // Development tools stay in the tree.
        for (const QString& f : files)
            QVERIFY2(!f.contains("screenshot") && !f.contains("tst_") && !f.contains("bench"), qPrintable(f));

        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString png = QStringLiteral("%1/share/icons/hicolor/%2x%2/apps/zuvaro3.png").arg(FUsr).arg(size);
            const QImage icon(png);
            QVERIFY2(!icon.isNull(), qPrintable(png));
            QCOMPARE(icon.size(), QSize(size, size));
        }
    }

    // The installed program finds the installed help by its own folder.
    void helpFoundFromTheProgram()
    {
        QCOMPARE(HelpLocation::IndexPage(FUsr + "/bin/"), FUsr + "/share/zuvaro3/help/index.html");
    }

    // One version everywhere: the build's, the changelog's and the metainfo's.
    void oneVersion()
    {
        const QString version = QStringLiteral(ZUVARO_VERSION);
        QFile changelog(QStringLiteral(ZUVARO_SOURCE_DIR "/debian/changelog"));
        QVERIFY(changelog.open(QIODevice::ReadOnly));
        const QString first = QString::fromUtf8(changelog.readLine());
        QVERIFY2(first.startsWith("zuvaro3 (" + version + ") "), qPrintable(first));
        QFile metainfo(FUsr + "/share/metainfo/jp.ordova.zuvaro3.metainfo.xml");
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(metainfo.readAll()).contains("<release version=\"" + version + "\""));
    }

    void desktopEntriesValid()
    {
        requireTool("desktop-file-validate");
        for (const QString& entry : {FUsr + "/share/applications/zuvaro3.desktop",
                                     FUsr + "/share/zuvaro3/autostart/zuvaro3.desktop"}) {
            int rc = 0;
            const QString out = run("desktop-file-validate", {entry}, &rc);
            // A hint too: two main categories put the entry twice into some menus.
            QVERIFY2(rc == 0 && !out.contains("error:") && !out.contains("warning:") && !out.contains("hint:"),
                     qPrintable(entry + "\n" + out));
        }
        QFile entry(FUsr + "/share/applications/zuvaro3.desktop");
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.contains("MimeType=x-scheme-handler/zuvaro;"));
        QVERIFY(text.contains("Exec=zuvaro3 /s %u"));
        QVERIFY(text.contains("Icon=zuvaro3\n"));
    }

    void metainfoValid()
    {
        requireTool("appstreamcli");
        int rc = 0;
        QStringList args{"validate", "--no-net"};
        // AppStream 1.0 (Debian 13) warns of a missing homepage, which the program does not
        // have; 0.16 (Debian 12) does not know that check and refuses to override it.
        static const QRegularExpression version(QStringLiteral("AppStream version: (\\d+)\\."));
        if (version.match(run("appstreamcli", {"--version"}, &rc)).captured(1).toInt() >= 1)
            args << "--override=url-homepage-missing=info";
        const QString out = run("appstreamcli", args << FUsr + "/share/metainfo/jp.ordova.zuvaro3.metainfo.xml", &rc);
        QVERIFY2(rc == 0, qPrintable(out));

        // Software centres offer the package for each program it provides: every one installed.
        QFile metainfo(FUsr + "/share/metainfo/jp.ordova.zuvaro3.metainfo.xml");
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(metainfo.readAll());
        const QStringList programs = QDir(FUsr + "/bin").entryList(QDir::Files);
        QVERIFY(!programs.isEmpty());
        for (const QString& program : programs)
            QVERIFY2(text.contains("<binary>" + program + "</binary>"), qPrintable(program));
        QVERIFY(text.contains("<project_license>GPL-3.0-or-later</project_license>"));
    }

    // Every manual page renders without a warning and names every option its program knows.
    void manualPages()
    {
        requireTool("man");
        const struct
        {
            const char* page;
            const char* program;
        } pages[] = {{"man1/zuvaro3.1", nullptr},
                     {"man8/zuvaro3-initdb.8", "tools/zuvaro3-initdb/zuvaro3-initdb"},
                     {"man8/zuvaro3-backup.8", "tools/zuvaro3-backup/zuvaro3-backup"},
                     {"man1/zuvaro3-export.1", "tools/zuvaro3-export/zuvaro3-export"},
                     {"man1/zuvaro3-import.1", "tools/zuvaro3-import/zuvaro3-import"},
                     {"man1/zuvaro3-report.1", "tools/zuvaro3-report/zuvaro3-report"},
                     {"man1/zuvaro-phone.1", "tools/zuvaro-phone/zuvaro-phone"}};
        for (const auto& p : pages) {
            const QString page = FUsr + "/share/man/" + p.page;
            QProcess man;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("MANWIDTH", "100");
            env.insert("LC_ALL", "C.UTF-8");
            man.setProcessEnvironment(env);
            man.start("man", {"--warnings", "-l", page});
            QVERIFY(man.waitForFinished(60000));
            const QString text = QString::fromUtf8(man.readAllStandardOutput());
            const QString warnings = QString::fromUtf8(man.readAllStandardError());
            QVERIFY2(man.exitCode() == 0 && warnings.isEmpty(), qPrintable(page + "\n" + warnings));
            QVERIFY2(text.contains("SYNOPSIS"), qPrintable(page));
            if (!p.program)
                continue;
            int rc = 0;
            const QString help = run(TestEnv::binary(QString::fromLatin1(p.program)), {"--help"}, &rc);
            QCOMPARE(rc, 0);
            static const QRegularExpression option(QStringLiteral("--([a-z][a-z-]+)"));
            for (auto m = option.globalMatch(help); m.hasNext();) {
                const QString name = m.next().captured(0);
                if (name == "--help-all") // Qt's own addition to --help
                    continue;
                QVERIFY2(text.contains(name), qPrintable(page + " lacks " + name));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
