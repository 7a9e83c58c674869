// The customer option fields: the twenty positions, editing a field's kind, its choices, and
// the master lists rebuilt from them.

#include "calls/MasterLists.h"
#include "core/MessageService.h"
#include "customers/CustOption.h"
#include "customers/TfrmCustOptEdt.h"
#include "customers/TfrmCustOption.h"
#include "db/TdmCmn.h"
#include "support/TempDb.h"
#include "support/TestEnv.h"
#include "ui/MasterGrid.h"
#include "ui/MasterPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

namespace {

void Type(QLineEdit* edit, const QString& text)
{
    edit->clear();
    edit->insert(text);
}

// Opens the editor for the selected position and confirms caption and kind.
void EditSelected(TfrmCustOption& d, const QString& caption, int kind)
{
    QTimer::singleShot(0, &d, [&d, caption, kind] {
        auto* edt = d.findChild<TfrmCustOptEdt*>();
        QVERIFY(edt);
        Type(edt->edtDespName, caption);
        edt->cbxFieldType->setCurrentIndex(kind);
        edt->btnOkClick();
    });
    d.btnEditClick();
}

} // namespace

class TestCustOption : public QObject
{
    Q_OBJECT
private slots:
    void cleanup()
    {
        MessageService::clearShown();
        MessageService::clearAnswers();
    }

    void positionsKindsAndChoices()
    {
        TestEnv env;
        TempDb db;
        for (const char* row : {"1, '血液型', 's'", "2, '趣味', 'n'", "15, '紹介者', 'd'"})
            db.dm().ExecSql(QStringLiteral("insert into OPTION_M (OPTION_ID, DESP_NAME, FIELD_TYPE, LIST_NO) values (%1, 0)")
                                .arg(QString::fromUtf8(row)));
        MasterLists lists(db.dm());
        lists.MakeAll();
        QCOMPARE(lists.OptionNames1, (QStringList{"血液型", "趣味", "", "", "", "", "", "", "", ""}));
        QCOMPARE(lists.OptionNames2, (QStringList{"", "", "", "", "紹介者", "", "", "", "", ""}));
        QCOMPARE(lists.OptionTypes.size(), 20);

        TfrmCustOption d(db.dm());
        d.show();
        QCOMPARE(d.lstOption->count(), 20);
        QCOMPARE(d.lstOption->item(0)->text(), QStringLiteral("血液型"));
        QCOMPARE(d.lstOption->item(2)->text(), QStringLiteral("(予備03)"));
        QCOMPARE(d.lstOption->item(19)->text(), QStringLiteral("(予備20)"));
        QCOMPARE(d.SelectedPosition(), 1);
        QCOMPARE(d.pnlFieldType->text(), QStringLiteral("全角文字"));
        QVERIFY(d.pnlMaster->isHidden());

        // A placeholder: nothing to delete; editing it defines the field at its position.
        d.lstOption->setCurrentRow(2);
        QVERIFY(!d.btnFieldDelete->isEnabled());
        EditSelected(d, QStringLiteral("地域"), 2);
        QCOMPARE(d.lstOption->item(2)->text(), QStringLiteral("地域"));
        QCOMPARE(db.scalar("select LIST_NO from OPTION_M where OPTION_ID = 3"), QStringLiteral("3"));

        // Kind "s" to "m": the choice panel appears.
        d.lstOption->setCurrentRow(0);
        EditSelected(d, QStringLiteral("血液型"), 6);
        QCOMPARE(d.SelectedPosition(), 1);
        QCOMPARE(d.pnlFieldType->text(), QStringLiteral("マスタデータ"));
        QVERIFY(!d.pnlMaster->isHidden());
        QCOMPARE(db.scalar("select FIELD_TYPE from OPTION_M where OPTION_ID = 1"), QStringLiteral("m"));

        // Choices, ordered by LIST_ID as text.
        d.btnInsertClick();
        QCOMPARE(MessageService::shownTexts(), QStringList{QStringLiteral("IDを入力してください。")});
        for (const char* key : {"9", "10"}) {
            Type(d.pnlMaster->edtId, QLatin1String(key));
            Type(d.pnlMaster->edtName, QStringLiteral("型") + QLatin1String(key));
            Type(d.pnlMaster->edtListId, QLatin1String(key));
            d.btnInsertClick();
        }
        QCOMPARE(MasterGrid::Text(d.pnlMaster->sgdMain, 0, 0), QStringLiteral("10"));
        QCOMPARE(MasterGrid::Text(d.pnlMaster->sgdMain, 1, 0), QStringLiteral("9"));

        // Delete a choice, then revive it after OK with a new name and order.
        Type(d.pnlMaster->edtId, QStringLiteral("9"));
        MessageService::setNextAnswer(MsgResult::Ok);
        d.btnDeleteClick();
        QCOMPARE(d.pnlMaster->sgdMain->rowCount(), 1);
        Type(d.pnlMaster->edtId, QStringLiteral("9"));
        Type(d.pnlMaster->edtName, QStringLiteral("Ｏ型"));
        Type(d.pnlMaster->edtListId, QStringLiteral("0"));
        MessageService::clearShown();
        MessageService::setNextAnswer(MsgResult::Ok);
        d.btnInsertClick();
        QCOMPARE(MessageService::shownTexts(),
                 QStringList{QStringLiteral("既に削除されたIDですが再登録してよろしいですか？")});
        QCOMPARE(MasterGrid::Text(d.pnlMaster->sgdMain, 0, 1), QStringLiteral("Ｏ型"));

        // The main window's refresh with flags 6 and 7 rebuilds the caches.
        const MasterLists::ChoicePair* held = nullptr;
        lists.MakeCustOptionTemp();
        lists.MakeCustOptionDataTemp();
        held = lists.Choices(1);
        QVERIFY(held);
        QCOMPARE(held->Ids, (QStringList{"", "9", "10"}));
        QCOMPARE(held->Names, (QStringList{"", "Ｏ型", "型10"}));
        QCOMPARE(lists.OptionType(1), QStringLiteral("m"));
        QCOMPARE(lists.OptionName(3), QStringLiteral("地域"));

        // Deleting the field keeps its choices and the position becomes a placeholder;
        // editing the placeholder revives it with them.
        MessageService::setNextAnswer(MsgResult::Ok);
        d.btnFieldDeleteClick();
        QCOMPARE(d.lstOption->item(0)->text(), QStringLiteral("(予備01)"));
        QCOMPARE(d.SelectedPosition(), 1);
        lists.MakeCustOptionTemp();
        lists.MakeCustOptionDataTemp();
        QVERIFY(held->Ids.isEmpty());
        EditSelected(d, QStringLiteral("血液型"), 6);
        QCOMPARE(d.pnlMaster->sgdMain->rowCount(), 2);
    }

    void editorRefusals()
    {
        TestEnv env;
        TempDb db;
        TfrmCustOption d(db.dm());
        d.show();
        TfrmCustOptEdt edt(d, 1);
        edt.btnOkClick();
        Type(edt.edtDespName, QStringLiteral("項目"));
        edt.btnOkClick();
        QCOMPARE(MessageService::shownTexts(),
                 (QStringList{"項目名を入力してください。", "入力値の種類を入力してください。"}));
        QCOMPARE(db.count("OPTION_M"), 0);
        QCOMPARE(CustOption::KindIndex(QStringLiteral("x")), 0);
        QCOMPARE(CustOption::KindName(QStringLiteral("e")), QStringLiteral("日付＋時刻"));
    }
};

QTEST_MAIN(TestCustOption)
#include "tst_custoption.moc"
