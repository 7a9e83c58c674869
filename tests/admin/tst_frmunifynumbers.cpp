// The dialog that unifies stored numbers: it lists, asks, rewrites, and a stop request ends it.
#include "admin/TfrmUnifyNumbers.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/TdmCmn.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {
void addOlderRows()
{
    dmCmn->ExecSql("insert into TELS (TEL_NO, CUST_TEL_NON, CALLER, READ_NAME) values "
                   "('+81 3-1234-5678', '+81 3-1234-5678', '山田商店', 'やまだ')");
    dmCmn->ExecSql("insert into LOG (LOG_NO, DT_FROM, TEL_NO, TEL_TYPE, PORT_NO) values "
                   "(1, '2024/05/01 10:00:00', '+81 3-1234-5678', '着信', 1)");
}
} // namespace

class TestFrmUnifyNumbers : public QObject
{
    Q_OBJECT
private slots:
    void listsAsksAndRewrites()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        addOlderRows();
        TfrmUnifyNumbers dlg;
        QSignalSpy unified(&dlg, &TfrmUnifyNumbers::numbersUnified);
        dlg.show();
        QCOMPARE(dlg.lblSummary->text(), QString("次の 2 件を書き換えます。"));
        QVERIFY(dlg.memChanges->toPlainText().contains("電話帳: +81 3-1234-5678 → 0312345678（山田商店）"));

        // No: nothing changes.
        MessageService::setNextAnswer(MsgResult::No);
        dlg.btnExecute->click();
        QCOMPARE(unified.size(), 0);
        QCOMPARE(TestDatabase::Scalar("select TEL_NO from LOG"), QString("+81 3-1234-5678"));

        MessageService::setNextAnswer(MsgResult::Yes);
        dlg.btnExecute->click();
        QCOMPARE(MessageService::shownTexts(), (QStringList{"一覧の 2 件の電話番号を書き換えます。よろしいですか？",
                                                            "一覧の 2 件の電話番号を書き換えます。よろしいですか？",
                                                            "電話番号の表記を統一しました。"}));
        QCOMPARE(unified.size(), 1);
        QCOMPARE(TestDatabase::Scalar("select TEL_NO from LOG"), QString("0312345678"));
        QCOMPARE(dlg.lblSummary->text(), QString("書き換える電話番号はありません。"));
        QVERIFY(!dlg.btnExecute->isEnabled());

        // With the form switched off, stored numbers must stay as the calls arrive.
        GNumberForm = false;
        dlg.FormShow();
        QVERIFY(!dlg.btnExecute->isEnabled());
        QVERIFY(dlg.lblSummary->text().contains("オフ"));
    }

    void stopRequestEndsTheDialog()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        addOlderRows();
        StopRequest::ResetForTests();
        StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
        TfrmUnifyNumbers dlg;
        QTimer::singleShot(50, [] { StopRequest::Request(QStringLiteral("test")); });
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QCOMPARE(TestDatabase::Scalar("select TEL_NO from LOG"), QString("+81 3-1234-5678"));
        StopRequest::ResetForTests();
    }
};

QTEST_MAIN(TestFrmUnifyNumbers)
#include "tst_frmunifynumbers.moc"
