#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/StopRequest.h"
#include "devices/TTelCom.h"
#include "support/ProgramRunner.h"
#include "support/TestEnv.h"
#include "ui/QtMessagePresenter.h"
#include "ui/ZuvaroApplication.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

// A stop request inside nested dialogs, message boxes and device waits, in one process;
// the real program's ending is tested from outside in tests/app.
class TestApplication : public QObject
{
    Q_OBJECT

    static bool anyDialogVisible()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QDialog*>(w) && w->isVisible())
                return true;
        return false;
    }

    // Runs the main loop until the stop request ends it (exec() also resets Qt's
    // "quit now" state for the next test).
    static int runMainLoop(const std::function<void()>& work)
    {
        QTimer::singleShot(0, qApp, work);
        return QApplication::exec();
    }

private slots:
    void init()
    {
        StopRequest::ResetForTests();
        StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
        MessageService::clearShown();
        MessageService::clearAnswers();
    }

    void cleanupTestCase() { StopRequest::ResetForTests(); }

    void endsNestedDialogsMessageBoxesAndWaits()
    {
        TestEnv env;
        QtMessagePresenter presenter;
        MessageService::setPresenter(&presenter);

        // A device request waiting for a phone that never answers.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const int port = probe.serverPort();
        probe.close();
        TTelCom device;
        device.Connect(port, dtAndroidWifi, true, 30000, gLogDir, false);
        QTcpSocket phone;
        phone.connectToHost(QHostAddress::LocalHost, quint16(port));
        QVERIFY(phone.waitForConnected(5000));
        QTRY_VERIFY(device.ClientConnecting());

        int dialogResult = -2;
        bool answer = true;
        QString ownNumber = QStringLiteral("unset");
        bool askedAfterStop = true;
        QElapsedTimer sinceStop;
        // dialog → question → device wait → stop request, each inside the one before.
        const int rc = runMainLoop([&] {
            QDialog dialog;
            dialog.setObjectName(QStringLiteral("outer"));
            QTimer::singleShot(50, &dialog, [&] {
                QTimer::singleShot(50, qApp, [&] {
                    QTimer::singleShot(200, qApp, [&] {
                        QVERIFY(anyDialogVisible());
                        sinceStop.start();
                        StopRequest::Request(QStringLiteral("test"));
                    });
                    ownNumber = device.GetOwnTellNo(20000);
                });
                answer = MessageService::Ask(QStringLiteral("続けますか？"));
            });
            dialogResult = dialog.exec();
            // Later questions are not shown and get the cautious answer.
            askedAfterStop = MessageService::Ask(QStringLiteral("保存しますか？"));
        });
        QCOMPARE(rc, 0);
        QVERIFY(sinceStop.isValid());
        QVERIFY2(sinceStop.elapsed() < 1000, qPrintable(QString::number(sinceStop.elapsed())));
        QCOMPARE(ownNumber, QString());
        QCOMPARE(answer, false);
        QCOMPARE(dialogResult, int(QDialog::Rejected));
        QCOMPARE(askedAfterStop, false);
        QVERIFY(!anyDialogVisible());
        QVERIFY(StopRequest::Requested());
        MessageService::setPresenter(nullptr);
        device.Disconnect();
    }

    void japaneseStandardButtons()
    {
        QMessageBox before(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(before.button(QMessageBox::Yes)->text().remove('&'), QString("Yes"));
        QVERIFY(ZuvaroApplication::InstallJapaneseQtTexts(qApp));
        QMessageBox box(QMessageBox::Question, "t", "q", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QVERIFY2(box.button(QMessageBox::Yes)->text().startsWith(QString::fromUtf8("はい")),
                 qPrintable(box.button(QMessageBox::Yes)->text()));
        QVERIFY(box.button(QMessageBox::No)->text().startsWith(QString::fromUtf8("いいえ")));
        QVERIFY(box.button(QMessageBox::Cancel)->text().startsWith(QString::fromUtf8("キャンセル")));
    }

    void requestBeforeTheMainLoop()
    {
        TestEnv env;
        StopRequest::Request(QStringLiteral("early"));
        StopRequest::Request(QStringLiteral("again")); // idempotent
        QDialog dialog;
        QElapsedTimer t;
        t.start();
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        QCOMPARE(StopRequest::Exec(loop), -1);
        QVERIFY(t.elapsed() < 1000);
        QCOMPARE(ProgramRunner::logText().count(QStringLiteral("Stop requested:")), 1);
        // Reset Qt's "quit now" state for later tests.
        StopRequest::ResetForTests();
        QCOMPARE(runMainLoop([] { QCoreApplication::exit(0); }), 0);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestApplication t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_application.moc"
