// The totals dialog driven through its controls: settings read and written, control rules,
// warnings with their focus, the report handed to the preview, the preview with its PDF
// button, and the main window's "集計(&P)" button.
#include "PdfText.h"
#include "calls/TfrmMain.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/MessageService.h"
#include "core/ProfileFile.h"
#include "db/TdmCmn.h"
#include "reports/BandReport.h"
#include "reports/ReportLayouts.h"
#include "reports/TfrmPrint.h"
#include "reports/TfrmTotal.h"
#include "support/SmallDisk.h"
#include "support/TempDb.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

#include <optional>

namespace {

void call(TdmCmn& dm, const QString& number, const QDateTime& at, const QString& memo = QString())
{
    TLog log;
    log.DtFrom = at;
    log.TelNo = number;
    log.TelType = "着信";
    log.TelTerm = "0:00:10";
    log.TelMemo = memo;
    log.PortNo = 60600;
    dm.InsertLog(log);
}

// Captures the report the dialog would preview.
struct PreviewSpy
{
    int shown = 0;
    QString title;
    int rows = -1;
    int pages = -1;
    QStringList firstRow;
    PreviewSpy()
    {
        TfrmTotal::SetPreviewer([this](const BandReport& report, QWidget*) {
            ++shown;
            rows = report.Rows().Count();
            pages = report.PageCount();
            const TReportBand* header = report.Layout().Band(TBandKind::PageHeader);
            title = header->Elements.first().Text;
            firstRow.clear();
            for (int c = 0; c < report.Rows().Columns().size() && rows > 0; ++c)
                firstRow << report.Rows().Value(0, c).toString();
        });
    }
    ~PreviewSpy() { TfrmTotal::SetPreviewer({}); }
};

void choose(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

} // namespace

class TstFrmTotal : public QObject
{
    Q_OBJECT
private:
    std::optional<TestEnv> FEnv;

private slots:
    void init()
    {
        FEnv.emplace();
        MessageService::clearShown();
        MessageService::clearAnswers();
    }
    void cleanup() { FEnv.reset(); }

    void defaultsAndControlRules()
    {
        TempDb db;
        TfrmTotal f(db.dm(), false);
        QCOMPARE(f.windowTitle(), QString("集計印刷"));
        // Nothing in the file: a ranking by number of incoming calls, all numbers, top 10.
        QCOMPARE(f.cbxValue->currentIndex(), 1);
        QCOMPARE(f.cbxItem->currentIndex(), 0);
        QCOMPARE(f.cbxKubun->currentIndex(), 0);
        QVERIFY(f.rbTelAll->isChecked());
        // The grouping rule after the summary rule: one number may be chosen, then typed.
        QVERIFY(f.rbTelOne->isEnabled());
        QVERIFY(!f.edtTelNo->isEnabled());
        QVERIFY(!f.chkTelTop->isChecked());
        QCOMPARE(f.spnTelNum->value(), 10);
        QVERIFY(!f.spnTelNum->isEnabled());
        QVERIFY(!f.grpCust->isVisibleTo(&f));
        QVERIFY(f.grpTel->isVisibleTo(&f));
        QVERIFY(!f.chkPort->isVisibleTo(&f));   // the call log shows no port column
        QVERIFY(!f.btnTelRef->isVisibleTo(&f)); // no search dialog to open

        f.chkTelTop->click();
        QVERIFY(f.spnTelNum->isEnabled());
        f.chkTelTop->click();
        QVERIFY(!f.spnTelNum->isEnabled());

        // Grouping by customer under a ranking: the customer group shows, with its single choice.
        choose(f.cbxItem, 1);
        QVERIFY(f.grpCust->isVisibleTo(&f));
        QVERIFY(!f.grpTel->isVisibleTo(&f));
        QVERIFY(f.rbCustOne->isEnabled());
        QVERIFY(!f.rbTelAll->isEnabled());
        f.rbCustOne->click();
        QVERIFY(f.edtCustNo->isEnabled());

        // A list: grouping by number and fixed, no top-N, single numbers open.
        f.chkCustTop->click();
        choose(f.cbxValue, 0);
        QCOMPARE(f.cbxItem->currentIndex(), 0);
        QVERIFY(!f.cbxItem->isEnabled());
        QVERIFY(f.grpTel->isVisibleTo(&f));
        QVERIFY(!f.chkTelTop->isEnabled() && !f.chkCustTop->isEnabled() && !f.chkCustTop->isChecked());
        QVERIFY(!f.spnTelNum->isEnabled());
        QVERIFY(f.rbTelOne->isEnabled() && f.edtTelNo->isEnabled());

        // Back to a ranking: all numbers again.
        f.rbTelOne->click();
        choose(f.cbxValue, 1);
        QVERIFY(f.rbTelAll->isChecked());
        QVERIFY(!f.rbTelOne->isEnabled());
        QVERIFY(f.cbxItem->isEnabled());
        QVERIFY(!f.edtTelNo->isEnabled());
        f.reject();
    }

    void settingsWrittenOnCloseAndReadOnOpen()
    {
        TempDb db;
        {
            TfrmTotal f(db.dm(), true);
            QVERIFY(f.chkPort->isVisibleTo(&f));
            QVERIFY(!f.chkPort->isChecked() && !f.edtPort->isEnabled());
            choose(f.cbxItem, 1);
            f.cbxKubun->setCurrentIndex(2);
            f.chkCustTop->click();
            f.spnCustNum->setValue(-3);
            f.spnTelNum->setValue(7);
            f.SetPeriod(QDate(2024, 4, 1), QDate(2024, 4, 30));
            f.btnClose->click();
        }
        ProfileFile& ini = *gIni;
        QCOMPARE(ini.ReadString("TOTAL", "VALUE", ""), QString("1"));
        QCOMPARE(ini.ReadString("TOTAL", "ITEM", ""), QString("1"));
        QCOMPARE(ini.ReadString("TOTAL", "KUBUN", ""), QString("2"));
        QCOMPARE(ini.ReadString("TOTAL", "TEL_ALL", ""), QString("1"));
        QCOMPARE(ini.ReadString("TOTAL", "CUST_ALL", ""), QString("1"));
        QCOMPARE(ini.ReadString("TOTAL", "TEL_TOP", ""), QString("0"));
        QCOMPARE(ini.ReadString("TOTAL", "CUST_TOP", ""), QString("1"));
        QCOMPARE(ini.ReadString("TOTAL", "TEL_NUM", ""), QString("7"));
        QCOMPARE(ini.ReadString("TOTAL", "CUST_NUM", ""), QString("-3"));
        QVERIFY(!ini.KeyExists("TOTAL", "FROM") && ini.Value("TOTAL", "DT_FROM").isNull());

        TfrmTotal f(db.dm(), true);
        QCOMPARE(f.cbxItem->currentIndex(), 1);
        QCOMPARE(f.cbxKubun->currentIndex(), 2);
        QVERIFY(f.chkCustTop->isChecked());
        QVERIFY(f.spnCustNum->isEnabled());
        QCOMPARE(f.spnCustNum->value(), -3);
        QCOMPARE(f.spnTelNum->value(), 7);
        QCOMPARE(f.Request().Limit(), -3);

        // A list by customer survives only as the file holds it.
        ini.WriteString("TOTAL", "VALUE", "0");
        ini.WriteString("TOTAL", "CUST_ALL", "0");
        TfrmTotal list(db.dm(), false);
        QCOMPARE(list.cbxValue->currentIndex(), 0);
        QCOMPARE(list.cbxItem->currentIndex(), 1);
        QVERIFY(!list.cbxItem->isEnabled());
        QVERIFY(list.rbCustOne->isChecked());
        QVERIFY(list.edtCustNo->isEnabled());
    }

    void warningsPutTheFocusOnTheInput()
    {
        TempDb db;
        db.dm().InsertTels({"0311112222", "0311112222", "山田商店", "やまだ"});
        PreviewSpy spy;
        TfrmTotal f(db.dm(), true);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        choose(f.cbxValue, 0);

        auto ok = [&](QWidget* expectedFocus, const QString& warning) {
            MessageService::clearShown();
            f.btnOk->click();
            QCOMPARE(MessageService::shownTexts(), QStringList{warning});
            QCOMPARE(MessageService::shown().first().kind, MsgKind::Warning);
            QCOMPARE(f.focusWidget(), expectedFocus);
            QCOMPARE(spy.shown, 0);
        };
        f.rbTelOne->click();
        ok(f.edtTelNo, "発着信電話番号を指定してください。");
        QTest::keyClicks(f.edtTelNo, "0399");
        ok(f.edtTelNo, "登録されている電話番号を指定してください。");
        f.chkPort->click();
        QVERIFY(f.edtPort->isEnabled());
        f.edtTelNo->clear();
        QTest::keyClicks(f.edtTelNo, "0311112222");
        QCOMPARE(f.pnlTelName->text(), QString("山田商店"));
        QTest::keyClicks(f.edtPort, "12a");
        ok(f.edtPort, "自携帯番号(下4桁)には数値を入力してください。");
        f.chkPort->click();

        // The count is checked for a plain list too, with "上位表示件数" unticked.
        f.rbTelAll->click();
        f.spnTelNum->setEnabled(true); // give it the focus as a user could after ticking and unticking
        f.spnTelNum->setValue(0);
        ok(f.spnTelNum, "上位表示件数を１以上で設定してください。");

        choose(f.cbxValue, 1);
        choose(f.cbxItem, 1);
        f.rbCustOne->click();
        ok(f.edtCustNo, "顧客を指定してください。");
        QTest::keyClicks(f.edtCustNo, "0311112222");
        // No customer has the number: the phone book's name shows, and the warning says so.
        QCOMPARE(f.pnlCustName->text(), QString("山田商店"));
        QVERIFY(f.rbCustOne->isChecked());
        ok(f.edtCustNo, "登録されている顧客を指定してください。");
        f.reject();
    }

    void okShowsTheReport()
    {
        TempDb db;
        TdmCmn& dm = db.dm();
        dm.InsertTels({"0311112222", "0311112222", "山田商店", "やまだ"});
        dm.InsertTels({"0322223333", "0322223333", "佐藤", "さとう"});
        const QDateTime at(QDate(2024, 4, 10), QTime(10, 0));
        call(dm, "0311112222", at, "一行目\r\n二行目");
        call(dm, "0322223333", at.addSecs(60));
        call(dm, "0322223333", at.addSecs(120));
        PreviewSpy spy;
        TfrmTotal f(dm, false);
        f.SetPeriod(QDate(2024, 4, 10), QDate(2024, 4, 10));
        f.btnOk->click();
        QCOMPARE(MessageService::shownTexts(), QStringList());
        QCOMPARE(spy.shown, 1);
        QCOMPARE(spy.title, QString("発着信電話番号別"));
        QCOMPARE(spy.firstRow, (QStringList{"0322223333", "佐藤", "2"}));

        choose(f.cbxValue, 0);
        f.btnOk->click();
        QCOMPARE(spy.shown, 2);
        QCOMPARE(spy.rows, 3);
        QCOMPARE(spy.firstRow.last(), QString("山田商店"));

        // A database failure is shown as an error; no preview, the previous ranking kept.
        choose(f.cbxValue, 1);
        dm.IBDatabase1.setStatementHook([](const QString& sql) {
            if (sql.startsWith("EXECUTE BLOCK"))
                throw AppError("lost connection");
        });
        f.btnOk->click();
        dm.IBDatabase1.setStatementHook({});
        QCOMPARE(MessageService::shownTexts(), QStringList{"lost connection"});
        QCOMPARE(MessageService::shown().first().kind, MsgKind::Error);
        QCOMPARE(spy.shown, 2);
        QCOMPARE(db.count("PRINT1"), 2);
        choose(f.cbxValue, 0);

        // An empty period still opens the preview, with no pages.
        f.SetPeriod(QDate(2024, 4, 11), QDate(2024, 4, 11));
        f.btnOk->click();
        QCOMPARE(spy.shown, 3);
        QCOMPARE(spy.rows, 0);
        QCOMPARE(spy.pages, 0);
        f.reject();
    }

    void previewAndPdf()
    {
        QList<QList<QVariant>> data{{"-", "その他", 9}, {"0311112222", "山田商店", 4}};
        const BandReport report(ReportLayouts::Print1(0), ReportRows({"TEL_NO", "CALLER", "TOTAL"}, data),
                                QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
        TfrmPrint preview(report);
        QCOMPARE(preview.windowTitle(), QString("印刷プレビュー"));
        QCOMPARE(preview.printer()->docName(), QString("電話番号集計"));
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QTRY_COMPARE(preview.PagesDrawn(), 1);
        QCOMPARE(preview.printer()->pageLayout().pageSize().id(), QPageSize::A4);

        const QString file = FEnv->path("saved.pdf");
        TfrmPrint::SetPdfPathChooser([&](QWidget*, const QString& suggested) {
            return suggested.endsWith("電話番号集計.pdf") ? file : QString();
        });
        preview.btnPdf->trigger();
        TfrmPrint::SetPdfPathChooser({});
        const QString text = PdfText(file);
        QVERIFY(text.contains("その他"));
        QVERIFY(text.contains(QRegularExpression("合計：\\s+13")));
        QCOMPARE(MessageService::shownTexts(), QStringList());
        preview.reject();
    }

    // A full disk: said so, and the file saved before stays as it was.
    void pdfOnAFullDisk()
    {
        SmallDisk disk(FEnv->path("small"), 2048);
        if (!disk.mounted())
            QSKIP("mounting a small file system needs root");
        QList<QList<QVariant>> data{{"0311112222", "山田商店", 4}};
        const BandReport report(ReportLayouts::Print1(0), ReportRows({"TEL_NO", "CALLER", "TOTAL"}, data),
                                QDateTime(QDate(2024, 5, 1), QTime(9, 0)));
        TfrmPrint preview(report);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        const QString kept = disk.path() + "/saved.pdf";
        TfrmPrint::SetPdfPathChooser([&](QWidget*, const QString&) { return kept; });
        preview.btnPdf->trigger();
        const QString text = PdfText(kept);
        QVERIFY(text.contains("山田商店"));
        disk.fill();
        preview.btnPdf->trigger();
        TfrmPrint::SetPdfPathChooser({});
        QCOMPARE(MessageService::shownTexts(), QStringList{"PDFファイルを保存できませんでした。\n" + kept});
        QCOMPARE(PdfText(kept), text);
        preview.reject();
    }

    void mainWindowButtonOpensTheDialogForItsDay()
    {
        TestDatabase db(FEnv->path("shop.fdb"));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        auto* btn = form.findChild<QPushButton*>("btnTotal");
        QVERIFY(btn && btn->isEnabled());
        form.DateTimePicker1->setDate(QDate(2024, 3, 15));
        QDate from, to;
        QString caption;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TfrmTotal*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            caption = dialog->windowTitle();
            from = dialog->dtpFrom->date();
            to = dialog->dtpTo->date();
            dialog->btnClose->click();
        });
        btn->click();
        QCOMPARE(caption, QString("集計印刷"));
        QCOMPARE(from, QDate(2024, 3, 15));
        QCOMPARE(to, QDate(2024, 3, 15));
        QCOMPARE(gIni->ReadString("TOTAL", "VALUE", ""), QString("1"));
    }
};

QTEST_MAIN(TstFrmTotal)
#include "tst_frmtotal.moc"
