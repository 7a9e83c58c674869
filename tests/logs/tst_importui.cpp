// "データ取込": the mapping step from the first rows to the written customers, the button next
// to "データ出力", and a stop request while rows are written.

#include "calls/TfrmMain.h"
#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/BackupSet.h"
#include "db/TdmCmn.h"
#include "logs/TfrmImport.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"
#include "ui/ZuvaroApplication.h"

#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

class TestImportUi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void mappingStepToWrittenCustomers();
    void buttonNextToExport();
    void programStopDuringAnImport();

private:
    QString writeCsv(const QString& name, const QString& text);
    std::unique_ptr<TestEnv> FEnv;
    std::unique_ptr<TestDatabase> FDb;
};

void TestImportUi::init()
{
    FEnv = std::make_unique<TestEnv>();
    FDb = std::make_unique<TestDatabase>(FEnv->path(QStringLiteral("shop.fdb")));
    GTelDbPath = FDb->path();
    GAutoBackupPath = FEnv->path(QStringLiteral("backup"));
    QDir().mkpath(GAutoBackupPath);
    GKanaType = 0;
    MessageService::clearShown();
    MessageService::clearAnswers();
}

void TestImportUi::cleanup()
{
    FDb.reset();
    FEnv.reset();
}

QString TestImportUi::writeCsv(const QString& name, const QString& text)
{
    const QString path = FEnv->path(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text.toUtf8());
    return path;
}

void TestImportUi::mappingStepToWrittenCustomers()
{
    const QString path = writeCsv(QStringLiteral("list.csv"),
                                  QStringLiteral("会員番号,氏名,TEL,メモ\n1,山田,03-1111-2222,常連\n2,鈴木,,\n"));
    TfrmImport dialog(*dmCmn);
    dialog.show();
    dialog.edtPath->setText(path);
    QTest::mouseClick(dialog.btnLoad, Qt::LeftButton);
    QVERIFY(dialog.lblSource->text().contains(QStringLiteral("UTF-8")));
    QCOMPARE(dialog.sgdMapping->columnCount(), 4);
    QCOMPARE(dialog.sgdMapping->item(1, 1)->text(), QStringLiteral("山田"));
    // Guessed from the captions; the user moves the memo to the remarks of his choice.
    auto* memo = dialog.findChild<QComboBox*>(QStringLiteral("cbxField4"));
    QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("cbxField2"))->currentText(), QStringLiteral("顧客名"));
    QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("cbxField1"))->currentText(), QStringLiteral("取り込まない"));
    memo->setCurrentIndex(memo->findText(QStringLiteral("補足項目3")));
    QTest::mouseClick(dialog.btnPlan, Qt::LeftButton);
    QCOMPARE(dialog.lblSummary->text(),
             QStringLiteral("新規 1 件、更新 0 件、変更なし 0 件、重複のため除外 0 件、取込不可 1 件"));
    QCOMPARE(dialog.lstNotes->item(0)->text(), QStringLiteral("3 行目: 電話番号がありません"));
    QVERIFY(dialog.btnImport->isEnabled());

    QSignalSpy imported(&dialog, &TfrmImport::imported);
    MessageService::setNextAnswer(MsgResult::Ok);
    QTest::mouseClick(dialog.btnImport, Qt::LeftButton);
    QCOMPARE(imported.count(), 1);
    QCOMPARE(MessageService::shownTexts().last(), QStringLiteral("取込完了しました。1 件"));
    QCOMPARE(TestDatabase::Scalar(QStringLiteral("select CUST_NAME || '/' || OPTION_03 || '/' || CUST_TEL_NON from CUSTOMER")),
             QStringLiteral("山田/常連/0311112222"));
    QCOMPARE(BackupSet::List(GAutoBackupPath).size(), 1);

    // The same header next time comes with the mapping chosen now.
    TfrmImport again(*dmCmn);
    again.edtPath->setText(path);
    again.btnLoadClick();
    QCOMPARE(again.findChild<QComboBox*>(QStringLiteral("cbxField4"))->currentText(), QStringLiteral("補足項目3"));
}

void TestImportUi::buttonNextToExport()
{
    TfrmMain form;
    QVERIFY(form.FormCreate());
    auto* exportButton = form.findChild<QPushButton*>(QStringLiteral("btnExport"));
    auto* importButton = form.findChild<QPushButton*>(QStringLiteral("btnImport"));
    QVERIFY(importButton);
    QCOMPARE(importButton->text(), QStringLiteral("データ取込"));
    QVERIFY(importButton->isEnabled());
    auto* row = qobject_cast<QBoxLayout*>(exportButton->parentWidget()->layout());
    QCOMPARE(row->indexOf(importButton), row->indexOf(exportButton) + 1);
    bool opened = false;
    QTimer::singleShot(0, &form, [&]() {
        auto* dialog = qobject_cast<TfrmImport*>(QApplication::activeModalWidget());
        opened = dialog && dialog->windowTitle() == QStringLiteral("データ取込");
        if (dialog)
            dialog->close();
    });
    importButton->click();
    QVERIFY(opened);
}

// A stop request while rows are written: the dialog closes, nothing is kept, the copy is there.
void TestImportUi::programStopDuringAnImport()
{
    QString csv = QStringLiteral("名前,電話\n");
    for (int i = 0; i < 2000; ++i)
        csv += QStringLiteral("客%1,03-2000-%2\n").arg(i).arg(i, 4, 10, QLatin1Char('0'));
    const QString path = writeCsv(QStringLiteral("many.csv"), csv);
    StopRequest::AddCloser(&ZuvaroApplication::CloseAllDialogs);
    const auto reset = qScopeGuard([] { StopRequest::ResetForTests(); });
    TfrmImport dialog(*dmCmn);
    dialog.show();
    dialog.edtPath->setText(path);
    dialog.btnLoadClick();
    dialog.btnPlanClick();
    QCOMPARE(dialog.CurrentPlan().newCount, 2000);
    bool during = false;
    QTimer::singleShot(0, &dialog, [&]() {
        during = dialog.Importing() && !dialog.btnClose->isEnabled() && dialog.btnStop->isEnabled();
        StopRequest::Request(QStringLiteral("test"));
    });
    MessageService::setNextAnswer(MsgResult::Ok);
    dialog.btnImportClick();
    QVERIFY(during);
    QCOMPARE(TestDatabase::Scalar(QStringLiteral("select count(*) from CUSTOMER")), QStringLiteral("0"));
    QCOMPARE(BackupSet::List(GAutoBackupPath).size(), 1);
    QTRY_VERIFY(!dialog.isVisible());
}

QTEST_MAIN(TestImportUi)
#include "tst_importui.moc"
