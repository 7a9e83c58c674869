// The help: where a program finds its pages (beside it, or installed below its prefix), the
// pages the build ships with every link in place, and the main window's button.

#include "calls/TfrmHelp.h"
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/HelpLocation.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "support/RecordingLauncher.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QDirIterator>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QRegularExpression>
#include <QtTest>

namespace {
void writeIndex(const QString& folder)
{
    QDir().mkpath(folder);
    QFile f(folder + "/index.html");
    f.open(QIODevice::WriteOnly);
    f.write("<html></html>");
}
} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void lookupRule_data()
    {
        QTest::addColumn<QStringList>("indexes");
        QTest::addColumn<QString>("exeDir");
        QTest::addColumn<QString>("found");
        QTest::addRow("build tree") << QStringList{"build/help"} << "build" << "build/help/index.html";
        QTest::addRow("installed") << QStringList{"usr/share/zuvaro3/help"} << "usr/bin" << "usr/share/zuvaro3/help/index.html";
        QTest::addRow("beside wins") << QStringList{"usr/bin/help", "usr/share/zuvaro3/help"} << "usr/bin"
                                     << "usr/bin/help/index.html";
        QTest::addRow("other prefix") << QStringList{"opt/z/share/zuvaro3/help"} << "opt/z/bin"
                                      << "opt/z/share/zuvaro3/help/index.html";
        QTest::addRow("none") << QStringList{"usr/share/doc/zuvaro3/help"} << "usr/bin" << "";
    }

    void lookupRule()
    {
        QFETCH(QStringList, indexes);
        QFETCH(QString, exeDir);
        QFETCH(QString, found);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath(exeDir));
        QDir().mkpath(dir.filePath("usr/bin/help")); // a folder without pages does not count
        for (const QString& i : indexes)
            writeIndex(dir.filePath(i));
        const QString page = HelpLocation::IndexPage(dir.filePath(exeDir) + "/");
        QCOMPARE(page, found.isEmpty() ? QString() : dir.filePath(found));
    }

    // Every page the build ships, and every picture and page they refer to, is there.
    void buildTreeHelpComplete()
    {
        const QString index = HelpLocation::IndexPage(QStringLiteral(ZUVARO_BIN_DIR "/"));
        QCOMPARE(index, QStringLiteral(ZUVARO_BIN_DIR "/help/index.html"));
        const QDir help = QFileInfo(index).dir();
        static const QRegularExpression ref(QStringLiteral("(?:href|src)=\"([^\"#:]+)(?:#[^\"]*)?\""));
        int pages = 0;
        QStringList linked;
        QDirIterator it(help.path(), {"*.html"});
        while (it.hasNext()) {
            QFile f(it.next());
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll());
            QVERIFY2(text.contains("<meta charset=\"utf-8\">"), qPrintable(f.fileName()));
            ++pages;
            for (auto m = ref.globalMatch(text); m.hasNext();) {
                const QString target = m.next().captured(1);
                linked << target;
                QVERIFY2(help.exists(target), qPrintable(f.fileName() + " → " + target));
            }
        }
        QVERIFY(pages >= 10);
        // Every page can be reached from the start page's links.
        QDirIterator again(help.path(), {"*.html"});
        while (again.hasNext()) {
            const QString name = QFileInfo(again.next()).fileName();
            QVERIFY2(name == "index.html" || linked.contains(name), qPrintable(name));
        }
    }

    // The button shows the pages inside the program: links followed there, pictures drawn,
    // web addresses and "ブラウザで開く" through the browser, and a stop request ends it.
    void buttonOpensTheHelp()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        RecordingLauncher launcher;
        TfrmMain form;
        QVERIFY(form.FormCreate());
        form.SetHelpLauncher(&launcher);
        auto* button = form.findChild<QPushButton*>("btnHelp");

        // The test program's folder has no help.
        gExeDir = env.path("bin") + "/";
        button->click();
        QCOMPARE(MessageService::shownTexts().last(), QStringLiteral("ヘルプファイルが見つかりません。"));
        QVERIFY(!form.findChild<TfrmHelp*>());

        gExeDir = QStringLiteral(ZUVARO_BIN_DIR "/");
        const QUrl index = QUrl::fromLocalFile(QStringLiteral(ZUVARO_BIN_DIR "/help/index.html"));
        button->click();
        QPointer<TfrmHelp> help = form.findChild<TfrmHelp*>();
        QVERIFY(help && help->isVisible());
        QVERIFY(launcher.Urls.isEmpty()); // no browser needed
        QCOMPARE(help->CurrentPage(), index);
        QCOMPARE(help->txtHelp->documentTitle(), QStringLiteral("Zuvaro３ ヘルプ - Zuvaro３ ヘルプ"));
        const QVariant picture =
            help->txtHelp->document()->resource(QTextDocument::ImageResource, QUrl("images/main-window.png"));
        QVERIFY(!qvariant_cast<QPixmap>(picture).isNull());

        emit help->txtHelp->anchorClicked(QUrl("phone.html#allow"));
        QCOMPARE(help->CurrentPage().fileName(), QStringLiteral("phone.html"));
        QVERIFY(help->txtHelp->toPlainText().contains(QStringLiteral("接続を許可する端末")));
        QVERIFY(help->btnBack->isEnabled());
        help->btnBack->click();
        QCOMPARE(help->CurrentPage(), index);
        emit help->txtHelp->anchorClicked(QUrl("phone.html"));
        emit help->txtHelp->anchorClicked(QUrl("https://example.org/app"));
        QCOMPARE(launcher.Urls, QStringList{"https://example.org/app"});
        QCOMPARE(help->CurrentPage().fileName(), QStringLiteral("phone.html"));
        help->btnBrowser->click();
        QCOMPARE(launcher.Urls.last(), QUrl::fromLocalFile(QStringLiteral(ZUVARO_BIN_DIR "/help/phone.html")).toString());
        const int shown = MessageService::shownTexts().size();
        launcher.Succeed = false;
        help->btnBrowser->click();
        QCOMPARE(MessageService::shownTexts().size(), shown + 1);
        QCOMPARE(MessageService::shownTexts().last(), QStringLiteral("プログラムの起動に失敗しました。"));

        // One help window: the button brings it back up.
        button->click();
        QCOMPARE(form.findChildren<TfrmHelp*>().size(), 1);

        StopRequest::ResetForTests();
        StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
        StopRequest::Request(QStringLiteral("test"));
        QTRY_VERIFY(!help);
        StopRequest::ResetForTests();
        form.Teardown();
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
