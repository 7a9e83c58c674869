#include "calls/TfrmMain.h"
#include "calls/ui/CustTabBar.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "support/TestDatabase.h"
#include "support/TestEnv.h"

#include <QTabWidget>
#include <QtTest>

namespace {
// Stands in for the customer frame: the host only needs its name and representative number.
QWidget* makeFrame(const QString& number, QWidget* parent)
{
    auto* w = new QWidget(parent);
    w->setObjectName("fraCust");
    w->setProperty("CustTelNon", number);
    return w;
}
} // namespace

class TestCustTabs : public QObject
{
    Q_OBJECT
private slots:
    void openFindAndClose()
    {
        TestEnv env;
        env.writeIni("[BASIC]\nUSE_ACCEPT=1\n");
        TestDatabase db(env.path("shop.fdb"));
        LoadStartupSettings();
        TfrmMain form;
        QVERIFY(form.FormCreate());
        form.SetCustFrameFactory(makeFrame);
        TCust c;
        c.CustTel = "03-1111-2222";
        c.CustName = "A";
        dmCmn->InsertCustData(c);
        dmCmn->InsertTels(TTels{"0311112222", "0311112222", "A", "a"});
        dmCmn->InsertTels(TTels{"09099998888", "0311112222", "A", "a"});

        // The customer's tab is found again by any of its numbers.
        const int first = form.OpenCustTab("0311112222");
        QCOMPARE(first, 2);
        QCOMPARE(form.OpenCustTab("09099998888"), 2);
        // Typed in another form: still that customer's tab.
        QCOMPARE(form.OpenCustTab("+81 90-9999-8888"), 2);
        QCOMPARE(form.OpenCustTab("03-1111-2222"), 2);
        QCOMPARE(form.PageMain->count(), 3);
        QCOMPARE(form.FindCustPageIndex("0311112222"), 2);
        // A number nobody has opens another new tab every time.
        QCOMPARE(form.OpenCustTab("0500000000"), 3);
        QCOMPARE(form.OpenCustTab("0500000000"), 4);
        QCOMPARE(form.FindCustPageIndex("nobody"), -1);

        // Closing a later tab activates the one to its left; the first of several, the
        // response page; the only one, the call log.
        form.CloseCustPage(4);
        QCOMPARE(form.PageMain->currentIndex(), 3);
        form.CloseCustPage(2);
        QCOMPARE(form.PageMain->currentIndex(), 1);
        form.PageMain->setCurrentIndex(2);
        form.OnUserInfoUpdated();
        QCOMPARE(form.PageMain->count(), 2);
        QCOMPARE(form.PageMain->currentIndex(), 0);
        // The fixed pages never close.
        form.CloseCustPage(1);
        QCOMPARE(form.PageMain->count(), 2);
    }

    void closeMarkOnlyInBrowseMode()
    {
        TestEnv env;
        LoadStartupSettings();
        TestDatabase db(env.path("shop.fdb"));
        TfrmMain form;
        QVERIFY(form.FormCreate());
        form.SetCustFrameFactory(makeFrame);
        form.resize(1000, 600);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const int index = form.OpenCustTab("0500000000");
        auto* bar = static_cast<CustPageControl*>(form.PageMain)->custTabBar();
        CustTabBar::SetCaption(form.PageMain, index, "0500000000     E");
        const QRect r = bar->tabRect(index);
        const QPoint mark(r.right() - 8, r.center().y());
        QVERIFY(bar->closeMarkHit(index, mark));
        QTest::mouseClick(bar, Qt::LeftButton, {}, mark);
        QCOMPARE(form.PageMain->count(), 3);

        CustTabBar::SetCaption(form.PageMain, index, "0500000000     B");
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(r.left() + 5, r.center().y()));
        QCOMPARE(form.PageMain->count(), 3);
        QTest::mouseClick(bar, Qt::LeftButton, {}, mark);
        QCOMPARE(form.PageMain->count(), 2);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestCustTabs t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_custtabs.moc"
