// The search dialog: what it opens with, a search, and what it remembers.
#include "core/AppGlobals.h"
#include "core/ProfileFile.h"
#include "core/StartupSettings.h"
#include "customers/TfrmSearch.h"
#include "db/TdmCmn.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

class TestFrmSearch : public QObject
{
    Q_OBJECT
private slots:
    void opensSearchesAndRemembers()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        for (const char* name : {"表示ソフト", "ソフト販売"}) {
            TCust c;
            c.CustTel = c.CustTelNon = QString("03%1").arg(qHash(QString::fromUtf8(name)) % 100000000);
            c.CustName = QString::fromUtf8(name);
            dmCmn->InsertCustData(c);
        }
        {
            TfrmSearch dialog(SearchQuery::Customers);
            QCOMPARE(dialog.windowTitle(), QString("顧客情報検索"));
            // Opens empty (one blank row) on the reading item with a left match.
            QCOMPARE(dialog.sgdMain->rowCount(), 1);
            QCOMPARE(dialog.cbxItem->currentIndex(), 2);
            QVERIFY(dialog.rbLeft->isChecked());
            QVERIFY(dialog.sgdMain->isColumnHidden(8));
            dialog.cbxItem->setCurrentIndex(1);
            dialog.edtVal->setText("ソフト");
            dialog.rbPart->setChecked(true);
            dialog.btnSearchClick();
            QCOMPARE(dialog.sgdMain->rowCount(), 2);
            dialog.edtVal->setText("  ");
            dialog.btnSearchClick();
            QCOMPARE(dialog.sgdMain->rowCount(), 1);
            dialog.edtVal->setText("ソフト");
            dialog.rbLeft->setChecked(true);
            dialog.btnSearchClick();
            QCOMPARE(dialog.sgdMain->rowCount(), 1);
            QCOMPARE(dialog.sgdMain->item(0, 1)->text(), QString("ソフト販売"));
            dialog.sgdMain->setColumnWidth(1, 222);
            QTimer::singleShot(0, &dialog, [&]() { dialog.btnOk->click(); });
            QCOMPARE(dialog.exec(), int(QDialog::Accepted));
            QStringList cells;
            QVERIFY(dialog.SelectedRow(cells));
            QCOMPARE(cells.value(1), QString("ソフト販売"));
        }
        QCOMPARE(gIni->ReadString("SEARCH", "IN_CUST_INDEX", ""), QString("1"));
        QCOMPARE(gIni->ReadString("SEARCH", "IN_PART_INDEX", ""), QString("0"));
        QCOMPARE(gIni->ReadString("SEARCH", "COL_WIDTH_INCUST", "").split(',').value(1), QString("222"));

        // Cancel keeps the choices as they were but stores the widths.
        {
            TfrmSearch dialog(SearchQuery::Customers);
            QCOMPARE(dialog.cbxItem->currentIndex(), 1);
            QCOMPARE(dialog.sgdMain->columnWidth(1), 222);
            dialog.cbxItem->setCurrentIndex(5);
            dialog.sgdMain->setColumnWidth(1, 150);
            QTimer::singleShot(0, &dialog, [&]() { dialog.btnCancel->click(); });
            QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        }
        QCOMPARE(gIni->ReadString("SEARCH", "IN_CUST_INDEX", ""), QString("1"));
        QCOMPARE(gIni->ReadString("SEARCH", "COL_WIDTH_INCUST", "").split(',').value(1), QString("150"));
    }

    // Hits come in the statement's order of the searched column, not sorted by the grid's first
    // column; a header click sorts, and the next search shows the statement's order again.
    void hitsKeepTheStatementsOrder()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        const QList<std::pair<const char*, const char*>> customers{
            {"0300000003", "ソフトA"}, {"0300000001", "ソフトB"}, {"0300000004", "ソフトC"}, {"0300000002", "ソフトD"}};
        for (const auto& [tel, name] : customers) {
            TCust c;
            c.CustTel = c.CustTelNon = QString::fromUtf8(tel);
            c.CustName = QString::fromUtf8(name);
            dmCmn->InsertCustData(c);
        }
        TfrmSearch dialog(SearchQuery::Customers);
        auto column = [&](int c) {
            QStringList texts;
            for (int r = 0; r < dialog.sgdMain->rowCount(); ++r)
                texts << dialog.sgdMain->item(r, c)->text();
            return texts;
        };
        dialog.cbxItem->setCurrentIndex(1);
        dialog.edtVal->setText("ソフト");
        dialog.btnSearchClick();
        const QStringList byName{"ソフトA", "ソフトB", "ソフトC", "ソフトD"};
        QCOMPARE(column(1), byName);
        dialog.sgdMain->sortByColumn(0, Qt::AscendingOrder);
        QCOMPARE(column(0), (QStringList{"0300000001", "0300000002", "0300000003", "0300000004"}));
        dialog.btnSearchClick();
        QCOMPARE(column(1), byName);
    }

    void programsAreListedAtOnce()
    {
        TestEnv env;
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        dmCmn->ExecSql("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE) values (1, 'A', '0')");
        dmCmn->ExecSql("insert into INTERFACE (IF_NO, IF_NAME, IF_TYPE) values (2, 'B', '0')");
        TfrmSearch dialog(SearchQuery::Interface);
        QCOMPARE(dialog.windowTitle(), QString("外部接続検索"));
        QCOMPARE(dialog.sgdMain->rowCount(), 2);
        TfrmSearch tels(SearchQuery::Tels);
        QCOMPARE(tels.sgdMain->rowCount(), 1);
        QVERIFY(!tels.sgdMain->item(0, 0));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestFrmSearch t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_frmsearch.moc"
