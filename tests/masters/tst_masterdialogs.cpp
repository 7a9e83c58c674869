// The master dialogs driven through their widgets: response types and results, users, the
// login with its picker, and their place in the main window.

#include "admin/TfrmInterface.h"
#include "admin/TfrmLogin.h"
#include "admin/TfrmSearchUser.h"
#include "admin/TfrmTels.h"
#include "admin/TfrmUser.h"
#include "calls/MasterLists.h"
#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "responses/TfrmAcceptMaster.h"
#include "support/ProgramRunner.h"
#include "support/TempDb.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/DialogKit.h"
#include "ui/MasterGrid.h"
#include "ui/MasterPanel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

namespace {

QStringList Column(const QTableWidget* grid, int column)
{
    QStringList texts;
    for (int r = 0; r < grid->rowCount(); ++r)
        texts << MasterGrid::Text(grid, r, column);
    return texts;
}

int SelectedRow(const QTableWidget* grid)
{
    const auto rows = grid->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

void Type(QLineEdit* edit, const QString& text)
{
    edit->clear();
    edit->insert(text);
}

} // namespace

class TestMasterDialogs : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        MessageService::clearShown();
        MessageService::clearAnswers();
        Clock::reset();
    }

    void acceptMasters_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow("types") << 0;
        QTest::newRow("results") << 1;
    }

    // Register new, existing, deleted (Cancel, then OK), the text order and the grey rows.
    void acceptMasters()
    {
        QFETCH(int, which);
        const AcceptMasterDef& def = which == 0 ? AcceptMaster::Types() : AcceptMaster::Results();
        TestEnv env;
        TempDb db;
        TfrmAcceptMaster d(def, db.dm());
        d.show();
        QCOMPARE(d.windowTitle(), def.Caption);
        QCOMPARE(Column(d.pnlMaster->sgdMain, 0), (QStringList{"0001", "0002"}));

        // Validation, in order.
        d.btnInsertClick();
        Type(d.pnlMaster->edtId, QStringLiteral("10"));
        d.btnInsertClick();
        QCOMPARE(MessageService::shownTexts(), (QStringList{def.IdMessage, def.NameMessage}));
        MessageService::clearShown();

        // New rows; LIST_ID is text, so "10" lists before "9". The new row stays selected.
        for (const char* key : {"10", "9"}) {
            Type(d.pnlMaster->edtId, QLatin1String(key));
            Type(d.pnlMaster->edtName, QStringLiteral("名") + QLatin1String(key));
            Type(d.pnlMaster->edtListId, QLatin1String(key));
            d.btnInsertClick();
            QCOMPARE(MasterGrid::Text(d.pnlMaster->sgdMain, SelectedRow(d.pnlMaster->sgdMain), 0), QLatin1String(key));
        }
        QCOMPARE(Column(d.pnlMaster->sgdMain, 0), (QStringList{"0001", "0002", "10", "9"}));
        QVERIFY(ProgramRunner::logText().contains(QStringLiteral("strSql=insert into ") + def.Table + " (" +
                                                  def.IdColumn + ", " + def.NameColumn +
                                                  ", LIST_ID) values ('9', '名9', '9')"));

        // An active identifier is overwritten without a question.
        d.sgdMainClick(3);
        QCOMPARE(d.pnlMaster->edtName->text(), QStringLiteral("名9"));
        Type(d.pnlMaster->edtName, QStringLiteral("改名"));
        d.btnInsertClick();
        QVERIFY(MessageService::shownTexts().isEmpty());
        QCOMPARE(db.scalar("select " + def.NameColumn + " from " + def.Table + " where " + def.IdColumn + " = '9'"),
                 QStringLiteral("改名"));

        // Delete: asks, then the row leaves the grid; shown again grey with the box on.
        Type(d.pnlMaster->edtId, QStringLiteral("9"));
        MessageService::setNextAnswer(MsgResult::Ok);
        d.btnDeleteClick();
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("削除してよろしいですか？")});
        QCOMPARE(Column(d.pnlMaster->sgdMain, 0), (QStringList{"0001", "0002", "10"}));
        d.pnlMaster->cbxDeleteView->setChecked(true);
        d.cbxDeleteViewClick();
        QCOMPARE(Column(d.pnlMaster->sgdMain, 0), (QStringList{"0001", "0002", "10", "9"}));
        QVERIFY(MasterGrid::IsGrey(d.pnlMaster->sgdMain, 3));
        QVERIFY(!MasterGrid::IsGrey(d.pnlMaster->sgdMain, 2));
        QVERIFY(!MasterGrid::Text(d.pnlMaster->sgdMain, 3, 3).isEmpty());

        // A deleted identifier: Cancel keeps it deleted, OK revives it with the new values.
        const QString delDt = "select DEL_DT from " + def.Table + " where " + def.IdColumn + " = '9'";
        for (MsgResult answer : {MsgResult::Cancel, MsgResult::Ok}) {
            MessageService::clearShown();
            d.sgdMainClick(3);
            Type(d.pnlMaster->edtListId, QStringLiteral("0000"));
            MessageService::setNextAnswer(answer);
            d.btnInsertClick();
            QCOMPARE(MessageService::shownTexts(),
                     QStringList{QStringLiteral("既に削除されたIDですが再登録してよろしいですか？")});
            QCOMPARE(db.scalar(delDt).isEmpty(), answer == MsgResult::Ok);
        }
        QCOMPARE(Column(d.pnlMaster->sgdMain, 0), (QStringList{"9", "0001", "0002", "10"}));
    }

    // A Japanese name at its byte limit is stored whole; one more character is refused as typed.
    void nameAtItsByteLimit()
    {
        TestEnv env;
        TempDb db;
        TfrmAcceptType d(db.dm());
        d.show();
        QCOMPARE(DialogKit::ByteLimit(d.pnlMaster->edtId), 4);
        QCOMPARE(DialogKit::ByteLimit(d.pnlMaster->edtName), 20);
        const QString ten = QStringLiteral("一二三四五六七八九十");
        d.pnlMaster->edtName->setFocus();
        for (const QChar c : ten + QStringLiteral("余"))
            QTest::sendKeyEvent(QTest::Click, d.pnlMaster->edtName, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QCOMPARE(d.pnlMaster->edtName->text(), ten);
        Type(d.pnlMaster->edtId, QStringLiteral("J"));
        d.btnInsertClick();
        QCOMPARE(db.scalar("select TYPE_NAME from ACCEPT_TYPE where TYPE_ID = 'J'"), ten);
    }

    // Every limited field of the phone book and the master dialogs, full to its limit, refuses
    // a character typed at the front or in the middle and keeps its text whole.
    void fullFieldsRefuseTypingAnywhere()
    {
        TestEnv env;
        TempDb db;
        dmCmn = &db.dm();
        TfrmAcceptType types(db.dm());
        TfrmAcceptResult results(db.dm());
        TfrmUser users(db.dm());
        TfrmSearchUser picker(db.dm());
        TfrmInterface programs;
        TfrmTels tels(nullptr);
        tels.Load("0300000000");
        tels.btnAddClick();
        QStringList checked;
        for (QWidget* dialog : std::initializer_list<QWidget*>{&types, &results, &users, &picker, &programs, &tels}) {
            dialog->show();
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
                const int limit = DialogKit::ByteLimit(edit);
                if (limit <= 0 || !edit->isVisible() || !edit->isEnabled() || edit->isReadOnly() || edit->validator())
                    continue;
                const QString full = QString(limit / 2, QChar(0x3042)) + QString(limit % 2, QLatin1Char('x'));
                edit->setText(full);
                for (const int at : {0, int(full.size()) / 2}) {
                    edit->setCursorPosition(at);
                    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QStringLiteral("字"), Qt::NoModifier);
                    QTest::keyClick(edit, Qt::Key_A);
                    QVERIFY2(edit->text() == full, qPrintable(dialog->objectName() + "." + edit->objectName()));
                    QCOMPARE(edit->cursorPosition(), at);
                }
                checked << edit->objectName();
            }
        }
        QVERIFY2(checked.size() >= 12, qPrintable(checked.join(' ')));
        dmCmn = nullptr;
    }

    void userMaster()
    {
        TestEnv env;
        TempDb db;
        Clock::setNow(QDateTime(QDate(2026, 5, 10), QTime(9, 0)));
        TfrmUser d(db.dm());
        d.show();
        QCOMPARE(Column(d.sgdMain, TfrmUser::colId), QStringList{"admin"});
        QCOMPARE(MasterGrid::Text(d.sgdMain, 0, TfrmUser::colAuthName), QStringLiteral("管理者"));
        QVERIFY(d.sgdMain->isColumnHidden(TfrmUser::colPasswd));
        QCOMPARE(DialogKit::ByteLimit(d.edtUserName), 20);

        // No authority chosen.
        Type(d.edtUserId, QStringLiteral("tanaka"));
        Type(d.edtUserName, QStringLiteral("田中"));
        d.cbxAuth->setCurrentIndex(-1);
        d.btnInsertClick();
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("権限を選択してください。")});
        MessageService::clearShown();

        // New user valid until today (exclusive), with a password that never reaches the log.
        d.cbxAuth->setCurrentIndex(0);
        Type(d.edtPasswd, QStringLiteral("Pw#9x"));
        d.chkToDt->setChecked(true);
        d.dtpToDt->setDate(QDate(2026, 5, 10));
        d.btnInsertClick();
        QVERIFY(MessageService::shownTexts().isEmpty());
        QCOMPARE(db.scalar("select PASSWD from USER_M where USERID = 'tanaka'"), QStringLiteral("Pw#9x"));
        QVERIFY(db.scalar("select FROMDT from USER_M where USERID = 'tanaka'").isEmpty());
        const int row = SelectedRow(d.sgdMain);
        QCOMPARE(MasterGrid::Text(d.sgdMain, row, TfrmUser::colTo), QStringLiteral("2026/05/10"));
        QCOMPARE(MasterGrid::Text(d.sgdMain, row, TfrmUser::colAuthName), QStringLiteral("一般"));

        // The row click restores inputs; an unchecked date stays null on update.
        d.MakeGrid();
        d.sgdMainClick(row);
        QCOMPARE(d.edtPasswd->text(), QStringLiteral("Pw#9x"));
        QVERIFY(d.chkToDt->isChecked());
        QVERIFY(!d.chkFromDt->isChecked());
        QCOMPARE(d.dtpFromDt->date(), QDate(2026, 5, 10));
        d.cbxAuth->setCurrentIndex(1);
        d.btnInsertClick();
        QCOMPARE(db.scalar("select AUTH from USER_M where USERID = 'tanaka'"), QStringLiteral("9999"));

        // Delete, then revive with OK.
        Type(d.edtUserId, QStringLiteral("tanaka"));
        MessageService::setNextAnswer(MsgResult::Ok);
        d.btnDeleteClick();
        QVERIFY(!db.scalar("select DEL_DT from USER_M where USERID = 'tanaka'").isEmpty());
        Type(d.edtUserId, QStringLiteral("tanaka"));
        Type(d.edtUserName, QStringLiteral("田中"));
        MessageService::setNextAnswer(MsgResult::Ok);
        d.btnInsertClick();
        QVERIFY(db.scalar("select DEL_DT from USER_M where USERID = 'tanaka'").isEmpty());

        const QString log = ProgramRunner::logText();
        QVERIFY(log.contains(QStringLiteral("strSql=update USER_M set USERNM = '田中', PASSWD = '***', AUTH = ")));
        QVERIFY(log.contains(QStringLiteral("strSql=insert into USER_M (USERID, USERNM, PASSWD, AUTH, LISTID, FROMDT, "
                                            "TODT, UPDT) values ('tanaka', '田中', '***', 1, '', null, '2026/05/10', "
                                            "'2026/05/10 09:00:00')")));
        QVERIFY(!log.contains(QStringLiteral("Pw#9x")));
    }

    void loginDialogAndPicker()
    {
        TestEnv env;
        TempDb db;
        Clock::setNow(QDateTime(QDate(2026, 5, 10), QTime(9, 0)));
        db.dm().ExecSql("insert into USER_M (USERID, USERNM, PASSWD, AUTH, LISTID) values ('sato', '佐藤', 'pw', 1, '1')");
        db.dm().ExecSql("insert into USER_M (USERID, USERNM, PASSWD, AUTH, TODT) values ('old', '佐藤旧', 'pw', 1, "
                        "'2026/05/10')");
        TfrmLogin d(db.dm());
        d.show();
        QCOMPARE(d.pnlUserName->text(), QStringLiteral("該当者なし"));

        // Wrong password: one warning, the dialog stays.
        Type(d.edtUserId, QStringLiteral("sato"));
        d.edtUserIdExit();
        QCOMPARE(d.pnlUserName->text(), QStringLiteral("佐藤"));
        d.btnLoginClick();
        QCOMPARE(MessageService::shownTexts(),
                 QStringList{QStringLiteral("ユーザIDかパスワードが無効です。もしくは有効期限が過ぎています。")});
        QCOMPARE(d.result(), int(QDialog::Rejected));

        // The picker offers only users valid today; choosing one fills the identifier.
        QTimer::singleShot(0, &d, [&] {
            auto* picker = d.findChild<TfrmSearchUser*>();
            QVERIFY(picker);
            QCOMPARE(picker->lstName->count(), 2); // admin and 佐藤, not 佐藤旧
            QVERIFY(!picker->btnSearch->isEnabled()); // until the name is edited
            Type(picker->edtName, QStringLiteral("佐藤"));
            QVERIFY(picker->btnSearch->isEnabled());
            picker->btnSearch->click();
            QCOMPARE(picker->lstName->count(), 1);
            picker->lstName->setCurrentRow(0);
            picker->btnOkClick();
        });
        Type(d.edtPasswd, QStringLiteral("stale"));
        d.btnSearchClick();
        QCOMPARE(d.edtUserId->text(), QStringLiteral("sato"));
        QVERIFY(d.edtPasswd->text().isEmpty());
        Type(d.edtPasswd, QStringLiteral("pw"));
        d.btnLoginClick();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.User().UserName, QStringLiteral("佐藤"));
    }

    // With login on, closing the dialog ends start-up: the database is detached and the
    // program ends normally. The master menu holds the four entries in order.
    void mainWindowLoginAndMenu()
    {
        TestEnv env;
        gIni->WriteString("BASIC", "LOGIN_AUTH", "1");
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        {
            TfrmMain form;
            QStringList entries;
            for (QAction* a : form.PopMaster->actions())
                entries << a->text();
            QCOMPARE(entries.mid(0, 4), (QStringList{"担当者登録", "対応区分登録", "対応結果登録", "顧客補足登録"}));
            QTimer::singleShot(0, &form, [] {
                auto* login = qobject_cast<TfrmLogin*>(QApplication::activeModalWidget());
                QVERIFY(login);
                login->btnClose->click();
            });
            QVERIFY(!form.FormCreate());
            QVERIFY(form.LoginRefused());
            QVERIFY(!dmCmn->IBDatabase1.connected());
            QVERIFY(gCurrentUser.UserId.isEmpty());
        }
        {
            TfrmMain form;
            QTimer::singleShot(0, &form, [] {
                auto* login = qobject_cast<TfrmLogin*>(QApplication::activeModalWidget());
                QVERIFY(login);
                Type(login->edtUserId, QStringLiteral("admin"));
                login->btnLoginClick();
            });
            QVERIFY(form.FormCreate());
            QCOMPARE(gCurrentUser.UserId, QStringLiteral("admin"));
            QCOMPARE(gCurrentUser.Auth, 9999);

            // A type added in its dialog reaches the master lists when the dialog closes.
            QTimer::singleShot(0, &form, [] {
                auto* d = qobject_cast<TfrmAcceptMaster*>(QApplication::activeModalWidget());
                QVERIFY(d);
                Type(d->pnlMaster->edtId, QStringLiteral("0003"));
                Type(d->pnlMaster->edtName, QStringLiteral("新区分"));
                Type(d->pnlMaster->edtListId, QStringLiteral("0003"));
                d->btnInsertClick();
                d->btnClose->click();
            });
            form.PopMaster->actions().at(1)->trigger();
            QCOMPARE(form.Masters()->TypeNames.last(), QStringLiteral("新区分"));
        }
        gCurrentUser = TUser();
    }
};

QTEST_MAIN(TestMasterDialogs)
#include "tst_masterdialogs.moc"
