// The phone book dialog and the memo window, driven as a user would, on a real database.
#include "admin/TfrmMemo.h"
#include "admin/TfrmTels.h"
#include "admin/ui/AdminActions.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

namespace {
int rows(const QString& sql)
{
    dmCmn->sqlWork.setSql(sql);
    dmCmn->sqlWork.open();
    const int n = dmCmn->sqlWork.field(0).asInteger();
    dmCmn->sqlWork.close();
    return n;
}
} // namespace

class TestFrmTels : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        MessageService::clearShown();
        MessageService::clearAnswers();
    }

    void modesAndStore()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        TfrmTels dialog(nullptr);
        dialog.Load("0300000000");
        // Not in the phone book: empty fields, no edit or delete.
        QVERIFY(dialog.edtTelNo->text().isEmpty());
        QVERIFY(!dialog.btnEdit->isEnabled() && !dialog.btnDelete->isEnabled() && dialog.btnAdd->isEnabled());
        dialog.btnAddClick();
        QVERIFY(dialog.edtTelNo->isEnabled() && dialog.btnOk->isEnabled() && !dialog.btnClose->isEnabled());
        // An empty number is refused with a warning; nothing is stored.
        QVERIFY(!dialog.btnOkClick());
        QCOMPARE(MessageService::shownTexts(), QStringList{"電話番号を入力してください。"});
        QCOMPARE(rows("select count(*) from TELS"), 0);
        QCOMPARE(dialog.Mode(), TelsBook::Mode::Add);

        // The customer question: Cancel stores nothing, No stores the entry only.
        dialog.edtTelNo->setText("03-1111-2222");
        dialog.edtCaller->setText("田中");
        MessageService::setNextAnswer(MsgResult::Cancel);
        QVERIFY(!dialog.btnOkClick());
        QCOMPARE(MessageService::shownTexts().last(), QString("この電話帳データを顧客情報にも登録しますか？"));
        QCOMPARE(rows("select count(*) from TELS"), 0);
        MessageService::setNextAnswer(MsgResult::No);
        QVERIFY(dialog.btnOkClick());
        QCOMPARE(rows("select count(*) from TELS where TEL_NO = '0311112222'"), 1);
        QCOMPARE(rows("select count(*) from CUSTOMER"), 0);
        QCOMPARE(dialog.edtTelNo->text(), QString("0311112222"));
        QVERIFY(dialog.Changed());
        QCOMPARE(dialog.Mode(), TelsBook::Mode::Browse);

        // Yes creates the customer as well.
        dialog.btnAddClick();
        dialog.edtTelNo->setText("0322223333");
        dialog.edtCaller->setText("鈴木");
        MessageService::setNextAnswer(MsgResult::Yes);
        QVERIFY(dialog.btnOkClick());
        QCOMPARE(rows("select count(*) from CUSTOMER where CUST_TEL_NON = '0322223333'"), 1);
        // The unknown caller and another representative number are never offered.
        const int asked = MessageService::shownTexts().size();
        dialog.btnAddClick();
        dialog.edtTelNo->setText("0344445555");
        dialog.edtCaller->setText("発信者不明");
        QVERIFY(dialog.btnOkClick());
        dialog.btnEditClick();
        dialog.edtCustTelNon->setText("03-2222-3333");
        QVERIFY(dialog.btnOkClick());
        QCOMPARE(MessageService::shownTexts().size(), asked);
        QCOMPARE(dialog.edtCustTelNon->text(), QString("0322223333"));

        // 要注意 and its note: only while editing, stored with the entry, shown when loaded again.
        QVERIFY(!dialog.chkCaution->isEnabled());
        dialog.btnEditClick();
        QVERIFY(dialog.chkCaution->isEnabled() && dialog.edtCautionNote->isEnabled());
        dialog.chkCaution->setChecked(true);
        dialog.edtCautionNote->setText(" 無言電話 ");
        QVERIFY(dialog.btnOkClick());
        QCOMPARE(rows("select count(*) from TELS where TEL_NO = '0344445555' and CAUTION = '1' and "
                      "CAUTION_NOTE = '無言電話'"),
                 1);
        dialog.Load("0344445555");
        QVERIFY(dialog.chkCaution->isChecked());
        QCOMPARE(dialog.edtCautionNote->text(), QString("無言電話"));
        dialog.btnEditClick();
        dialog.chkCaution->setChecked(false);
        QVERIFY(dialog.btnOkClick());
        QCOMPARE(rows("select count(*) from TELS where TEL_NO = '0344445555' and CAUTION is null and "
                      "CAUTION_NOTE is null"),
                 1);

        // Cancel puts the fields back.
        dialog.btnEditClick();
        dialog.edtCaller->setText("変更");
        dialog.btnCancelClick();
        QCOMPARE(dialog.edtCaller->text(), QString("発信者不明"));
        // Delete by the number shown.
        MessageService::setNextAnswer(MsgResult::Yes);
        dialog.btnDeleteClick();
        QCOMPARE(rows("select count(*) from TELS where TEL_NO = '0344445555'"), 0);
        QVERIFY(dialog.edtTelNo->text().isEmpty());
    }

    void mainWindowOpensPhoneBookAndMemo()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        TfrmMain form;
        QVERIFY(form.FormCreate());
        // The memo window exists from start-up.
        QVERIFY(form.findChild<TfrmMemo*>("frmMemo"));
        dmCmn->InsertTels(TTels{"0311112222", "0311112222", "田中", "たなか"});
        TLog log;
        log.DtFrom = QDateTime::currentDateTime();
        log.TelNo = "0311112222";
        log.TelType = "着信";
        const int logNo = dmCmn->InsertLog(log);
        form.MakeLogGrid();
        QCOMPARE(form.sgdLog->text(0, 9), QString::number(logNo));

        // Column 1: the phone book on that number; closing hands its entry to the number field.
        QTimer::singleShot(0, &form, [&]() {
            auto* dialog = qobject_cast<TfrmTels*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->edtCaller->text(), QString("田中"));
            dialog->btnClose->click();
        });
        emit form.logCellDoubleClicked(0, 1);
        QCOMPARE(form.edtCall->text(), QString("0311112222"));
        QCOMPARE(form.pnlCallName->text(), QString("田中"));

        // Column 5: the memo; exactly 4000 bytes pass, one more is refused.
        auto* memo = form.findChild<TfrmMemo*>("frmMemo");
        QTimer::singleShot(0, &form, [&]() {
            // Two lines: the stored line break takes two bytes, one in the editor.
            memo->memMemo->setPlainText(QString(3998, 'x') + "\nx");
            memo->btnOk->click();
            QVERIFY(memo->isVisible());
            QCOMPARE(MessageService::shownTexts().last(), QString("文字数が規定範囲を超えています。(最大半角4000文字)"));
            memo->memMemo->setPlainText(QString(3997, 'x') + "\nx\n");
            memo->btnOk->click();
        });
        emit form.logCellDoubleClicked(0, 5);
        QCOMPARE(form.sgdLog->text(0, 5).size(), 4000);
        // Cancel writes nothing.
        QTimer::singleShot(0, &form, [&]() {
            memo->memMemo->setPlainText("changed");
            memo->btnCancel->click();
        });
        AdminActions::EditMemo(form, QString::number(logNo), "x");
        QCOMPARE(form.sgdLog->text(0, 5).size(), 4000);
        // A one-line memo ended with Enter is stored as that line.
        QTimer::singleShot(0, &form, [&]() {
            memo->memMemo->setPlainText("折り返し電話希望\n");
            memo->btnOk->click();
        });
        AdminActions::EditMemo(form, QString::number(logNo), "x");
        QCOMPARE(TestDatabase::Scalar(QString("select TEL_MEMO from LOG where LOG_NO = %1").arg(logNo)), QString("折り返し電話希望"));
        // "メモ" with no call selected says what to select; a row without a call number does nothing.
        MessageService::clearShown();
        form.sgdLog->clearSelection();
        form.sgdLog->setCurrentIndex(QModelIndex());
        form.findChild<QPushButton*>("btnMemo")->click();
        QCOMPARE(MessageService::shownTexts(), QStringList{AdminActions::NoCallSelectedMessage()});
        QVERIFY(!memo->isVisible());
        AdminActions::EditMemo(form, "x", "x");
        QCOMPARE(MessageService::shownTexts().size(), 1);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestFrmTels t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_frmtels.moc"
