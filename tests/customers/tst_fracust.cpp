// The customer frame on its tab of the real main window, over a real database.
#include "calls/TfrmMain.h"
#include "core/AppError.h"
#include "core/Clock.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "customers/TfraCust.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QtTest>

namespace {
// A tab's caption as the frames write it: the shown label and the mode letter kept in the
// tab's data.
QString caption(const QTabWidget* pages, int index)
{
    return pages->tabText(index) + pages->tabBar()->tabData(index).toString();
}
struct World
{
    TestEnv env;
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<TfrmMain> form;

    explicit World(const QString& ini = QString())
    {
        env.writeIni(ini);
        db = std::make_unique<TestDatabase>(env.path("shop.fdb"));
        LoadStartupSettings();
        form = std::make_unique<TfrmMain>();
        if (!form->FormCreate())
            qFatal("FormCreate failed");
        MessageService::clearShown();
        MessageService::clearAnswers();
    }
    TfraCust* open(const QString& number)
    {
        const int index = form->OpenCustTab(number);
        QCoreApplication::processEvents();
        return qobject_cast<TfraCust*>(form->PageMain->widget(index));
    }
    TdmCmn& dm() { return *dmCmn; }
    int count(const QString& sql)
    {
        dmCmn->sqlWork.setSql(sql);
        dmCmn->sqlWork.open();
        const int n = dmCmn->sqlWork.field(0).asInteger();
        dmCmn->sqlWork.close();
        return n;
    }
    QString scalar(const QString& sql) { return TestDatabase::Scalar(sql); }
    // An incoming call stored straight away; returns its LOG_NO.
    int addCall(const QString& number, const QDateTime& at = QDateTime(QDate(2026, 1, 5), QTime(10, 0)))
    {
        TLog log;
        log.DtFrom = at;
        log.TelNo = number;
        log.TelType = "着信";
        return dmCmn->InsertLog(log);
    }
    int addCustomer(const QString& tel, const QString& name)
    {
        TCust c;
        c.CustTel = tel;
        c.CustTelNon = tel;
        c.CustName = name;
        return dmCmn->InsertCustData(c);
    }
};
} // namespace

class TestFraCust : public QObject
{
    Q_OBJECT
private slots:
    // 要注意 on a related number: ticked and noted in the list, stored at once, shown again.
    void relatedNumberFlaggedInPlace()
    {
        World w;
        w.addCustomer("0311112222", "山田商店");
        w.dm().InsertTels(TTels{"0311112222", "0311112222", "山田商店", "ヤマダショウテン"});
        w.dm().InsertTels(TTels{"09012345678", "0311112222", "山田携帯", "ヤマダ"});
        TfraCust* f = w.open("0311112222");
        QVERIFY(f);
        QCOMPARE(f->sgdTels->item(1, 0)->text(), QString("090-1234-5678"));
        QCOMPARE(f->sgdTels->item(1, 3)->checkState(), Qt::Unchecked);
        f->sgdTels->item(1, 4)->setText("無言電話");
        f->sgdTels->item(1, 3)->setCheckState(Qt::Checked);
        TTels t;
        QVERIFY(w.dm().GetTels("09012345678", t));
        QVERIFY(t.Caution);
        QCOMPARE(t.CautionNote, QString("無言電話"));
        QVERIFY(w.dm().GetTels("0311112222", t));
        QVERIFY(!t.Caution);
        f->MakeTelsGrid();
        QCOMPARE(f->sgdTels->item(1, 3)->checkState(), Qt::Checked);
        QCOMPARE(f->sgdTels->item(1, 4)->text(), QString("無言電話"));
        f->sgdTels->item(1, 3)->setCheckState(Qt::Unchecked);
        QVERIFY(w.dm().GetTels("09012345678", t));
        QVERIFY(!t.Caution);
    }

    void opensTheCustomerOfAnyOfItsNumbers()
    {
        World w;
        const int custNo = w.addCustomer("0311112222", "山田商店");
        w.dm().InsertTels(TTels{"0311112222", "0311112222", "山田商店", "ヤマダショウテン"});
        w.dm().InsertTels(TTels{"09012345678", "0311112222", "山田携帯", "ヤマダ"});
        w.addCall("09012345678");

        TfraCust* f = w.open("09012345678");
        QVERIFY(f);
        QCOMPARE(f->FCustNo, custNo);
        QCOMPARE(f->FCustTelNon, QString("0311112222"));
        QCOMPARE(f->property("CustTelNon").toString(), QString("0311112222"));
        QCOMPARE(f->edtCustName->text(), QString("山田商店"));
        QVERIFY(f->Browsing());
        QCOMPARE(caption(w.form->PageMain, 2), QString("0311112222     B"));
        // Only the label shows on the tab, also while it is not the active one.
        QCOMPARE(w.form->PageMain->tabText(2), QString("0311112222     "));
        QCOMPARE(f->sgdTels->rowCount(), 2);
        QCOMPARE(f->sgdLog->rowCount(), 1);
        QCOMPARE(f->sgdLog->item(0, 1)->text(), QString("090-1234-5678"));
        // Found again by the representative number: no second tab.
        QCOMPARE(w.form->OpenCustTab("0311112222"), 2);
        QCOMPARE(w.form->PageMain->count(), 3);
        // Browse mode: new, edit, delete on; save and cancel off.
        QVERIFY(f->btnEdit->isEnabled() && f->btnDelete->isEnabled() && !f->btnOk->isEnabled());
    }

    void numbersWithoutCustomer()
    {
        World w;
        w.dm().InsertTels(TTels{"0499998888", "0400000000", "子番号", ""});
        // In the phone book but tied to no customer: a new customer with the entry's key.
        TfraCust* f = w.open("0499998888");
        QCOMPARE(f->FCustNo, -1);
        QCOMPARE(f->edtTel->text(), QString("0400000000"));
        QVERIFY(!f->Browsing());
        QVERIFY(!f->btnAdd->isEnabled() && f->btnOk->isEnabled());
        // Nobody has it: prefilled with the number.
        f = w.open("0555555555");
        QCOMPARE(f->edtTel->text(), QString("0555555555"));
        // Empty: a blank new customer.
        f = w.open(QString());
        QVERIFY(f->edtTel->text().isEmpty());
        QCOMPARE(caption(w.form->PageMain, w.form->PageMain->indexOf(f)), QString(" 新 規           E"));
        // Cancelling a new customer closes its tab.
        const int before = w.form->PageMain->count();
        f->btnCancelClick();
        QTest::qWait(10);
        QCOMPARE(w.form->PageMain->count(), before - 1);
    }

    void saveNewWithHyphensNoBirthNoPicture()
    {
        World w;
        TfraCust* f = w.open(QString());
        f->btnOkClick();
        QCOMPARE(MessageService::shownTexts(), QStringList{"代表電話番号を入力してください。"});
        f->edtTel->setText("03-5555-6666");
        f->edtCustName->setText("佐藤");
        f->btnOkClick();
        QVERIFY(f->FCustNo > 0);
        QCOMPARE(f->FCustTelNon, QString("0355556666"));
        QCOMPARE(caption(w.form->PageMain, w.form->PageMain->indexOf(f)), QString("0355556666     B"));
        QCOMPARE(w.scalar("select CUST_TEL_NON from CUSTOMER"), QString("0355556666"));
        QCOMPARE(w.scalar("select CUST_TEL from CUSTOMER"), QString("03-5555-6666"));
        // A picker showing blanks stores no date; without a picture of its own nothing is stored.
        QCOMPARE(w.count("select count(*) from CUSTOMER where BIRTH_DT is null"), 1);
        QCOMPARE(w.count("select count(*) from CUSTOMER where AVATER is null"), 1);
        QVERIFY(f->pnlAge->text().isEmpty());
    }

    void duplicateKeyWritesNothing()
    {
        World w;
        w.addCustomer("0311112222", "先客");
        w.dm().InsertTels(TTels{"0311112222", "0311112222", "先客", ""});
        TfraCust* f = w.open(QString());
        f->edtTel->setText("03-1111-2222");
        f->edtCustName->setText("後客");
        QTemporaryDir dir;
        QImage big(300, 200, QImage::Format_RGB32);
        big.fill(Qt::red);
        QVERIFY(big.save(dir.filePath("p.png")));
        QVERIFY(f->LoadPictureFile(dir.filePath("p.png")));
        MessageService::setNextAnswer(MsgResult::No);
        f->btnOkClick();
        QCOMPARE(MessageService::shownTexts().value(0),
                 QString("既に同じ代表電話番号が存在するため登録できません。\r\n登録済みの顧客情報を開いて確認しますか？"));
        QCOMPARE(w.count("select count(*) from CUSTOMER"), 1);
        QCOMPARE(w.count("select count(*) from CUSTOMER where AVATER is not null"), 0);
        QCOMPARE(w.scalar("select CALLER from TELS"), QString("先客"));
        QCOMPARE(f->FCustNo, -1);
        QVERIFY(!f->Browsing());
        // Yes opens the existing customer.
        MessageService::setNextAnswer(MsgResult::Yes);
        f->btnOkClick();
        auto* shown = qobject_cast<TfraCust*>(w.form->PageMain->currentWidget());
        QVERIFY(shown && shown != f);
        QCOMPARE(shown->edtCustName->text(), QString("先客"));
    }

    // Editing a customer to the representative number of another: the question a new customer
    // gets, and neither row changes.
    void editToAnotherCustomersNumberIsRefused()
    {
        World w;
        w.addCustomer("0311112222", "先客");
        w.addCustomer("0322223333", "後客");
        TfraCust* f = w.open("0322223333");
        f->btnEditClick();
        f->edtTel->setText("03-1111-2222");
        f->edtCustName->setText("後客改");
        MessageService::setNextAnswer(MsgResult::No);
        f->btnOkClick();
        QCOMPARE(MessageService::shownTexts(),
                 QStringList{"既に同じ代表電話番号が存在するため登録できません。\r\n登録済みの顧客情報を開いて確認しますか？"});
        QCOMPARE(w.count("select count(*) from CUSTOMER where CUST_TEL_NON = '0311112222'"), 1);
        QCOMPARE(w.scalar("select CUST_NAME from CUSTOMER where CUST_TEL_NON = '0322223333'"), QString("後客"));
        QVERIFY(!f->Browsing());
        // Its own number, unchanged, is no duplicate.
        f->edtTel->setText("0322223333");
        f->btnOkClick();
        QVERIFY(f->Browsing());
        QCOMPARE(w.scalar("select CUST_NAME from CUSTOMER where CUST_TEL_NON = '0322223333'"), QString("後客改"));
    }

    // A value the database cannot hold: the frame stays as typed, in edit mode, on the field.
    void refusedSaveKeepsWhatWasTyped_data()
    {
        QTest::addColumn<bool>("existing");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("page");
        QTest::newRow("new, name") << false << "edtCustName" << "顧客名" << 0;
        QTest::newRow("new, remarks") << false << "memOthers" << "備考" << 1;
        QTest::newRow("edited, option 12") << true << "edtOption" << "補足項目12" << 4;
        QTest::newRow("edited, address") << true << "edtAddress" << "住所" << 0;
    }
    void refusedSaveKeepsWhatWasTyped()
    {
        QFETCH(bool, existing);
        QFETCH(QString, field);
        QFETCH(QString, caption);
        QFETCH(int, page);
        World w;
        w.dm().ExecSql("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE) values (12, '趣味', 's')");
        w.form->RefreshTables(TUpTable::With({TUpTable::OptionTable, TUpTable::OptionDTable}));
        if (existing)
            w.addCustomer("0311112222", "山田商店");
        w.form->show();
        w.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        TfraCust* f = w.open(existing ? "0311112222" : QString());
        if (existing)
            f->btnEditClick();
        f->edtTel->setText("0311112222");
        f->edtCustName->setText("山田商店");
        const QString typed = "山田😀商店";
        if (field == "memOthers")
            f->memOthers->setPlainText(typed);
        else if (field == "edtAddress")
            f->edtAddress->setText(typed);
        else if (field == "edtOption") {
            f->PageCust->setCurrentIndex(4);
            f->ShowOptionEditor(1, 1);
            f->edtOption->setText(typed);
            f->PageCust->setCurrentIndex(0);
        } else
            f->edtCustName->setText(typed);
        QVERIFY_THROWS_NO_EXCEPTION(f->btnOkClick());
        QCOMPARE(MessageService::shownTexts(), QStringList{"「" + caption + "」に登録できない文字（😀）が含まれています。"});
        QCOMPARE(MessageService::shown().last().kind, MsgKind::Warning);
        QVERIFY(!f->Browsing());
        QVERIFY(f->btnOk->isEnabled() && f->edtCustName->isEnabled());
        QCOMPARE(f->PageCust->currentIndex(), page);
        QWidget* focus = f->findChild<QWidget*>(field);
        QVERIFY(focus && focus->hasFocus());
        QCOMPARE(field == "memOthers" ? f->memOthers->toPlainText()
                 : field == "edtOption" ? f->sgdOption20->item(1, 1)->text()
                                        : f->findChild<QLineEdit*>(field)->text(),
                 typed);
        QCOMPARE(w.count("select count(*) from CUSTOMER"), existing ? 1 : 0);
        QCOMPARE(w.count("select count(*) from CUSTOMER where ADDRESS <> '' or OPTION_12 <> ''"), 0);
    }

    void pictureIsScaledAndKept()
    {
        World w;
        TfraCust* f = w.open("0311112222");
        f->edtCustName->setText("画像");
        QTemporaryDir dir;
        QImage big(3000, 1500, QImage::Format_RGB32);
        big.fill(Qt::blue);
        QVERIFY(big.save(dir.filePath("p.jpg")));
        QVERIFY(f->LoadPictureFile(dir.filePath("p.jpg")));
        f->btnOkClick();
        QImage stored;
        QVERIFY(w.dm().LoadImage("CUSTOMER", "AVATER", "CUST_NO", QString::number(f->FCustNo), stored));
        QCOMPARE(stored.size(), QSize(1024, 512));
        // Saving again without loading a picture leaves the stored one.
        TfraCust* again = w.open("0311112222");
        QVERIFY(again->HasOwnPicture());
        again->btnEditClick();
        again->edtAddress->setText("東京");
        again->btnOkClick();
        QVERIFY(w.dm().LoadImage("CUSTOMER", "AVATER", "CUST_NO", QString::number(f->FCustNo), stored));
        QCOMPARE(stored.width(), 1024);
    }

    void optionValues()
    {
        World w;
        w.dm().ExecSql("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE) values (1, '血液型', 'm')");
        w.dm().ExecSql("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE) values (2, '来店日', 'd')");
        w.dm().ExecSql("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE) values (12, '趣味', 's')");
        w.dm().ExecSql("insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID) values (1, 'A', 'A型', '1')");
        w.dm().ExecSql("insert into OPTION_D_M (OPTION_ID, DID, DNAME, LIST_ID, DEL_DT) values (1, 'X', '旧', '2', "
                       "'2020/01/01')");
        w.form->RefreshTables(TUpTable::With({TUpTable::OptionTable, TUpTable::OptionDTable}));
        TCust c;
        c.CustTel = c.CustTelNon = "0311112222";
        c.CustName = "補足";
        c.Option[1] = "X"; // no longer an active choice
        c.Option[2] = "2024/02/03";
        c.Option[12] = "釣り";
        w.dm().InsertCustData(c);

        TfraCust* f = w.open("0311112222");
        QCOMPARE(f->sgdOption10->item(0, 0)->text(), QString("血液型"));
        QVERIFY(f->sgdOption10->item(0, 1)->text().isEmpty());
        QCOMPARE(f->sgdOption10->item(1, 1)->text(), QString("2024/02/03"));
        QCOMPARE(f->sgdOption20->item(1, 1)->text(), QString("釣り"));
        f->btnEditClick();
        // Editors only over rows with a caption.
        f->ShowOptionEditor(0, 5);
        QVERIFY(!f->cbxOption->isVisible() && !f->edtOption->isVisible());
        f->PageCust->setCurrentIndex(3);
        f->ShowOptionEditor(0, 0);
        QCOMPARE(f->cbxOption->count(), 2);
        f->cbxOption->setCurrentIndex(1);
        QCOMPARE(f->sgdOption10->item(0, 1)->text(), QString("A型"));
        QCOMPARE(f->sgdOption10->item(0, 2)->text(), QString("A"));
        f->ShowOptionEditor(0, 1);
        QVERIFY(f->chkOptionDate->isChecked());
        f->chkOptionDate->setChecked(false);
        QVERIFY(f->sgdOption10->item(1, 1)->text().isEmpty());
        f->btnOkClick();
        QCOMPARE(w.scalar("select OPTION_01 from CUSTOMER"), QString("A"));
        QCOMPARE(w.scalar("select OPTION_02 from CUSTOMER"), QString());
        QCOMPARE(w.scalar("select OPTION_12 from CUSTOMER"), QString("釣り"));
    }

    void inactiveChoiceSavesEmpty()
    {
        World w;
        w.dm().ExecSql("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE) values (1, '血液型', 'm')");
        w.form->RefreshTables(TUpTable::With({TUpTable::OptionTable, TUpTable::OptionDTable}));
        TCust c;
        c.CustTel = c.CustTelNon = "0311112222";
        c.CustName = "補足";
        c.Option[1] = "OLD";
        w.dm().InsertCustData(c);
        TfraCust* f = w.open("0311112222");
        f->btnEditClick();
        f->btnOkClick();
        QCOMPARE(w.scalar("select OPTION_01 from CUSTOMER"), QString());
    }

    // A deleted field keeps its values through a save; reviving it shows them again.
    void deletedFieldKeepsItsValues()
    {
        World w;
        w.dm().ExecSql("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE) values (1, '趣味', 's')");
        w.dm().ExecSql("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, DEL_DT) values (3, '来店日', 'd', "
                       "'2025/01/01')");
        w.form->RefreshTables(TUpTable::With({TUpTable::OptionTable, TUpTable::OptionDTable}));
        TCust c;
        c.CustTel = c.CustTelNon = "0311112222";
        c.CustName = "補足";
        c.Option[3] = "2024/02/03";
        w.dm().InsertCustData(c);
        TfraCust* f = w.open("0311112222");
        QVERIFY(f->sgdOption10->item(2, 1)->text().isEmpty());
        f->btnEditClick();
        f->PageCust->setCurrentIndex(3);
        f->ShowOptionEditor(0, 0);
        f->edtOption->setText("釣り");
        f->btnOkClick();
        QCOMPARE(w.scalar("select OPTION_01 from CUSTOMER"), QString("釣り"));
        QCOMPARE(w.scalar("select OPTION_03 from CUSTOMER"), QString("2024/02/03"));

        w.dm().ExecSql("update OPTION_M set DEL_DT = null where OPTION_ID = 3");
        w.form->RefreshTables(TUpTable::With({TUpTable::OptionTable, TUpTable::OptionDTable}));
        delete f; // a tab keeps the definitions it was opened with
        QCOMPARE(w.open("0311112222")->sgdOption10->item(2, 1)->text(), QString("2024/02/03"));
    }

    // A birth date typed in the form the picker shows is the date stored, over a blank or a
    // shown date; a blank picker's calendar opens at today.
    void birthDateTypedWhole()
    {
        World w;
        Clock::setNow(QDateTime(QDate(2026, 7, 15), QTime(10, 0)));
        w.form->show();
        w.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form.get()));
        TfraCust* f = w.open("0311112222");
        auto* calendar = f->dtpCustBirth->calendarWidget();
        calendar->parentWidget()->show(); // as the picker's button opens it
        QCOMPARE(calendar->yearShown(), 2026);
        QCOMPARE(calendar->monthShown(), 7);
        calendar->parentWidget()->hide();
        f->edtCustName->setText("誕生");
        f->dtpCustBirth->setFocus();
        QTest::keyClicks(f->dtpCustBirth, "1990/05/20");
        QCOMPARE(f->pnlAge->text(), QString("36"));
        f->btnOkClick();
        TCust c;
        QVERIFY(w.dm().GetCustData("0311112222", c));
        QCOMPARE(c.BirthDt, QDate(1990, 5, 20));

        f->btnEditClick();
        f->dtpCustBirth->setFocus();
        QTest::keyClicks(f->dtpCustBirth, "2001/2/3");
        QTest::keyClick(f->dtpCustBirth, Qt::Key_Tab);
        f->btnOkClick();
        QVERIFY(w.dm().GetCustData("0311112222", c));
        QCOMPARE(c.BirthDt, QDate(2001, 2, 3));
    }

    void deleteKeepsCallsAndPhoneBook()
    {
        World w;
        const int custNo = w.addCustomer("0311112222", "消す");
        w.dm().InsertTels(TTels{"0311112222", "0311112222", "消す", ""});
        const int logNo = w.addCall("0311112222", QDateTime::currentDateTime());
        TAccept a;
        a.CustNo = QString::number(custNo);
        a.LogNo = QString::number(logNo);
        a.Title = "件名";
        a.ActDt = QDateTime::currentDateTime();
        w.dm().InsertAccept(a);
        TfraCust* f = w.open("0311112222");
        MessageService::setNextAnswer(MsgResult::Yes);
        f->btnDeleteClick();
        QTest::qWait(10);
        QCOMPARE(w.count("select count(*) from CUSTOMER"), 0);
        QCOMPARE(w.count("select count(*) from ACCEPT_T"), 0);
        QCOMPARE(w.count("select count(*) from TELS"), 1);
        QCOMPARE(w.count("select count(*) from LOG"), 1);
        QCOMPARE(w.form->PageMain->count(), 2);
    }

    void readingFollowsTheName_data()
    {
        QTest::addColumn<int>("kanaType");
        QTest::addColumn<QString>("reading");
        QTest::newRow("full-width") << 0 << QString("ヤマダタロウ");
        QTest::newRow("none") << 1 << QString();
        QTest::newRow("half-width") << 2 << QString("ﾔﾏﾀﾞﾀﾛｳ");
    }
    void readingFollowsTheName()
    {
        QFETCH(int, kanaType);
        QFETCH(QString, reading);
        World w(QString("[COMMON]\nKANA_TYPE=%1\n").arg(kanaType));
        QCOMPARE(GKanaType, kanaType);
        TfraCust* f = w.open(QString());
        f->edtCustName->insert("山田");
        f->edtCustName->insert("太郎");
        QCOMPARE(f->edtCustKana->text(), reading);
        // A reading typed by hand is left alone.
        f->edtCustKana->setText("テ");
        f->edtCustName->insert("様");
        QCOMPARE(f->edtCustKana->text(), QString("テ"));
    }

    void aCallReloadsOnlyItsCustomersTab()
    {
        World w;
        w.addCustomer("0311112222", "山田商店");
        w.addCustomer("0633334444", "大阪商会");
        w.dm().InsertTels(TTels{"0311112222", "0311112222", "山田商店", "ヤマダ"});
        w.dm().InsertTels(TTels{"0633334444", "0633334444", "大阪商会", "オオサカ"});
        w.addCall("0633334444");
        auto call = [&](const QString& number) {
            QSignalSpy loaded(w.form.get(), &TfrmMain::logGridLoaded);
            w.form->OnDemoActivate(number);
            QTRY_VERIFY(!loaded.isEmpty());
        };
        call("0500000000"); // the day's log shows calls: the next ones are read as new calls
        TfraCust* a = w.open("0311112222");
        TfraCust* b = w.open("0633334444");
        QCOMPARE(a->sgdLog->rowCount(), 0);
        // A mark the other tab's history keeps until it is loaded again.
        b->sgdLog->item(0, 1)->setData(Qt::UserRole, "shown");

        call("0311112222");
        QTRY_COMPARE(a->sgdLog->rowCount(), 1);
        QCOMPARE(b->sgdLog->item(0, 1)->data(Qt::UserRole).toString(), QString("shown"));
        // "再表示" still reloads every tab.
        w.form->BtnRefreshClick();
        QTRY_VERIFY(b->sgdLog->item(0, 1)->data(Qt::UserRole).isNull());
    }

    // Calls from numbers nobody has share one untouched new-customer tab; beyond the limit
    // the oldest untouched tabs close; a tab typed into stays however old.
    void customerTabsStayBounded()
    {
        World w("[BASIC]\nAUTO_CUST_INFO=1\nUSE_ACCEPT=1\nMAX_CUST_TABS=3\n");
        QTabWidget* pages = w.form->PageMain;
        auto call = [&](const QString& number) {
            QSignalSpy loaded(w.form.get(), &TfrmMain::logGridLoaded);
            w.form->OnDemoActivate(number);
            QTRY_VERIFY(!loaded.isEmpty());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        };
        auto current = [&]() { return qobject_cast<TfraCust*>(pages->currentWidget()); };
        for (int i = 0; i < 5; ++i)
            call(QString("050000000%1").arg(i));
        QCOMPARE(pages->count(), 3);
        QCOMPARE(current()->edtTel->text(), QString("0500000004"));
        // The new response of the call is on it, and still counts as untouched.
        QCOMPARE(current()->PageHistory->count(), 3);
        call("0500000005");
        QCOMPARE(pages->count(), 3);

        TfraCust* typed = current();
        typed->edtCustName->setFocus();
        QTest::keyClicks(typed->edtCustName, "Abc");
        call("0500000006");
        QCOMPARE(pages->count(), 4);
        QVERIFY(current() != typed);

        for (const char* tel : {"0311110001", "0311110002", "0311110003"}) {
            w.addCustomer(tel, "顧客");
            w.dm().InsertTels(TTels{tel, tel, "顧客", "コキャク"});
            call(tel);
        }
        // Closed: the untouched new customer, then the first known one.
        QCOMPARE(pages->count(), 5);
        QCOMPARE(pages->indexOf(typed), 2);
        QCOMPARE(typed->edtCustName->text(), QString("Abc"));
        QCOMPARE(qobject_cast<TfraCust*>(pages->widget(3))->FCustTelNon, QString("0311110002"));
        QCOMPARE(current()->FCustTelNon, QString("0311110003"));

        // Typed into the response of a call: that tab is kept too.
        QPlainTextEdit* content = nullptr;
        for (QPlainTextEdit* e : current()->PageHistory->widget(2)->findChildren<QPlainTextEdit*>())
            if (!e->isReadOnly())
                content = e;
        QVERIFY(content);
        QTest::keyClicks(content, "x");
        call("0500000007");
        call("0500000008");
        QCOMPARE(pages->count(), 5);
        QCOMPARE(pages->indexOf(typed), 2);
        QCOMPARE(qobject_cast<TfraCust*>(pages->widget(3))->FCustTelNon, QString("0311110003"));
        QCOMPARE(current()->edtTel->text(), QString("0500000008"));
    }

    void memoButtonFollowsTheHistoryPage()
    {
        World w;
        auto* memo = w.form->findChild<QPushButton*>("btnMemo");
        TfraCust* f = w.open("0311112222");
        QVERIFY(memo->isEnabled());
        f->PageHistory->setCurrentIndex(1);
        QVERIFY(!memo->isEnabled());
        w.form->PageMain->setCurrentIndex(0);
        QVERIFY(memo->isEnabled());
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestFraCust t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_fracust.moc"
