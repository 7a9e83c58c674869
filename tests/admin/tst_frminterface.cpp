// The external program master: which fields apply to which link type, the browse and edit
// states, and what is stored.

#include "admin/InterfaceTable.h"
#include "admin/TfrmInterface.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
struct World
{
    TestEnv env;
    TempDb db;
    World()
    {
        dmCmn = &db.dm();
        LoadStartupSettings();
        db.dm().ExecSql("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, TEXT_PATH, CAPTION, START_REQ, END_REQ, "
                        "EVERY_CLOSE, TEXT_PORT, TEXT_DT) values (2, 'reader', 'TXT', '/tmp/t.txt', 'R', 3, 4, '0', '1', '0')");
        db.dm().ExecSql("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE, EVERY_CLOSE) values (5, 'crm', 'EXE', '1')");
    }
    ~World() { dmCmn = nullptr; }
};
} // namespace

class TestFrmInterface : public QObject
{
    Q_OBJECT
private slots:
    void fieldRulesByTypeAndRestart_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("everyClose");
        QTest::addColumn<QString>("expected"); // text, caption, startVisible, start, end, label
        QTest::newRow("EXE") << "EXE" << false << "0 1 0 0 1 1";
        QTest::newRow("EXE restart") << "EXE" << true << "0 1 0 0 0 0";
        QTest::newRow("TXT") << "TXT" << false << "1 1 1 1 1 1";
        QTest::newRow("TXT restart") << "TXT" << true << "1 1 1 0 0 0";
        QTest::newRow("URL") << "URL" << false << "0 0 1 0 0 0";
    }
    void fieldRulesByTypeAndRestart()
    {
        QFETCH(QString, type);
        QFETCH(bool, everyClose);
        QFETCH(QString, expected);
        const InterfaceFieldRules r = InterfaceFieldRules::For(type, everyClose);
        auto b = [](bool v) { return v ? QString("1") : QString("0"); };
        QCOMPARE(QStringList({b(r.TextPath), b(r.Caption), b(r.StartReqVisible), b(r.StartReq), b(r.EndReq),
                              b(r.RequestLabel)}).join(' '),
                 expected);
        QCOMPARE(r.TextFlags, r.TextPath);
        QCOMPARE(r.EveryClose, r.Caption);
        QCOMPARE(r.StartLabel, QString(type == "EXE" && !everyClose ? "開始リクエスト =  WM_COPYDATA"
                                                                      : "開始リクエスト =  WM_USER + "));
    }

    void switchingTypesAndEditing()
    {
        World w;
        TfrmInterface dlg;
        dlg.show();
        // Browsing the first row (TXT).
        QCOMPARE(dlg.edtIfNo->text(), QString("2"));
        QVERIFY(!dlg.pnlInput->isEnabled());
        QVERIFY(dlg.btnAdd->isEnabled() && dlg.btnDelete->isEnabled() && !dlg.btnOK->isEnabled());
        QVERIFY(dlg.chkTextPort->isChecked() && !dlg.chkTextDt->isChecked());
        QVERIFY(!dlg.findChild<QPushButton*>("btnSearch")); // no search plugged in, no dead button

        dlg.btnEdit->click();
        QVERIFY(dlg.pnlInput->isEnabled());
        QVERIFY(!dlg.edtIfNo->isEnabled()); // a stored row keeps its number
        QVERIFY(dlg.edtTextPath->isEnabled() && dlg.edtStartReq->isEnabled());
        QVERIFY(!dlg.btnAdd->isEnabled() && dlg.btnOK->isEnabled());
        dlg.cbxIfType->setCurrentText("URL");
        for (QWidget* x : {(QWidget*)dlg.edtTextPath, (QWidget*)dlg.chkTextPort, (QWidget*)dlg.chkTextDt,
                           (QWidget*)dlg.edtCaption, (QWidget*)dlg.chkEveryClose, (QWidget*)dlg.edtStartReq,
                           (QWidget*)dlg.edtEndReq})
            QVERIFY2(!x->isEnabled(), qPrintable(x->objectName()));
        dlg.cbxIfType->setCurrentText("TXT");
        QVERIFY(dlg.edtTextPath->isEnabled() && dlg.edtCaption->isEnabled() && dlg.edtEndReq->isEnabled());
        QCOMPARE(dlg.edtTextPath->text(), QString("/tmp/t.txt"));
        QVERIFY(dlg.chkTextPort->isChecked());
        dlg.chkEveryClose->setChecked(true);
        QVERIFY(!dlg.edtStartReq->isEnabled() && !dlg.edtEndReq->isEnabled() && !dlg.lblRequest->isEnabled());
        dlg.edtIfName->setText("reader2");
        dlg.btnOKClick();
        QVERIFY(!dlg.pnlInput->isEnabled());
        QCOMPARE(w.db.scalar("select IF_NAME || EVERY_CLOSE || TEXT_PORT || TEXT_DT from INTERFACE where IF_NO = 2"),
                 QString("reader2110"));

        // EXE: no start-request field; its label tells the number goes as a hand-over.
        dlg.btnLast->click();
        QCOMPARE(dlg.edtIfNo->text(), QString("5"));
        QVERIFY(dlg.chkEveryClose->isChecked());
        dlg.btnEdit->click();
        dlg.chkEveryClose->setChecked(false);
        QVERIFY(dlg.edtStartReq->isHidden());
        QCOMPARE(dlg.lblStartReq->text(), QString("開始リクエスト =  WM_COPYDATA"));
        QVERIFY(dlg.edtEndReq->isEnabled());

        // Closing during the edit: No keeps it.
        MessageService::setNextAnswer(MsgResult::No);
        QVERIFY(!dlg.close());
        QVERIFY(dlg.btnOK->isEnabled());
        QCOMPARE(MessageService::shownTexts().last(),
                 QString("データが編集状態です。キャンセルして画面を閉じてもよろしいですか？"));
        dlg.btnCancelClick();
        QVERIFY(dlg.chkEveryClose->isChecked()); // the stored value again
    }

    void addingStoresAndRefusesBadRows()
    {
        World w;
        TfrmInterface dlg;
        dlg.show();
        dlg.btnAdd->click();
        QVERIFY(dlg.edtIfNo->isEnabled());
        QCOMPARE(dlg.edtIfNo->text(), QString());
        QVERIFY(!dlg.chkEveryClose->isChecked());

        // An existing number is refused by the database; the input stays and so does the state.
        dlg.edtIfNo->setText("5");
        dlg.cbxIfType->setCurrentText("EXE");
        dlg.edtIfName->setText("dup");
        dlg.btnOKClick();
        QCOMPARE(MessageService::shown().size(), 1);
        QVERIFY(dlg.btnOK->isEnabled());
        QCOMPARE(dlg.edtIfName->text(), QString("dup"));

        // No type: refused too.
        dlg.edtIfNo->setText("7");
        dlg.cbxIfType->setCurrentIndex(-1);
        dlg.btnOKClick();
        QCOMPARE(MessageService::shown().size(), 2);

        dlg.cbxIfType->setCurrentText("URL");
        dlg.edtCommand->setText("https://crm.example/?t='x'");
        dlg.btnOKClick();
        QVERIFY(!dlg.btnOK->isEnabled());
        QCOMPARE(dlg.edtIfNo->text(), QString("7"));
        QCOMPARE(w.db.scalar("select COMMAND from INTERFACE where IF_NO = 7"), QString("https://crm.example/?t='x'"));

        // Deleting every row leaves delete disabled.
        for (int i = 0; i < 3; ++i) {
            MessageService::setNextAnswer(MsgResult::Yes);
            dlg.btnDelete->click();
        }
        QCOMPARE(w.db.count("INTERFACE"), 0);
        QVERIFY(!dlg.btnDelete->isEnabled());
        QCOMPARE(dlg.edtIfNo->text(), QString());
    }

    void searchMovesToTheChosenRow()
    {
        World w;
        TfrmInterface::SetSearch([](QWidget*) { return QString("5"); });
        TfrmInterface dlg;
        TfrmInterface::SetSearch(nullptr);
        dlg.show();
        QVERIFY(dlg.btnSearch);
        dlg.btnSearch->click();
        QCOMPARE(dlg.edtIfNo->text(), QString("5"));
    }
};

QTEST_MAIN(TestFrmInterface)
#include "tst_frminterface.moc"
