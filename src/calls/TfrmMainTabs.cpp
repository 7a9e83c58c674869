// Customer tabs on the main window.
#include "calls/TfrmMain.h"
#include "calls/CustTabRules.h"
#include "calls/ui/CustTabBar.h"
#include "calls/ui/InputPrint.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/MessageService.h"
#include "core/PhoneNumberForm.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"

#include <QTabBar>
#include <QTabWidget>

namespace {
QWidget* frameOf(QTabWidget* pages, int index)
{
    QWidget* page = pages->widget(index);
    if (!page)
        return nullptr;
    if (page->objectName() == QLatin1String("fraCust"))
        return page;
    return page->findChild<QWidget*>(QStringLiteral("fraCust"));
}

// Kept on each customer page: when it was last opened, the print of what the program filled
// in, and whether anything was typed since.
constexpr const char* kOpened = "custTabOpened";
constexpr const char* kPrint = "custTabPrint";
constexpr const char* kTouched = "custTabTouched";
quint64 gOpenings = 0;

void stampOpened(QWidget* page)
{
    page->setProperty(kOpened, ++gOpenings);
}

bool untouched(QWidget* page)
{
    if (page->property(kTouched).toBool())
        return false;
    const QVariant print = page->property(kPrint);
    if (print.isValid() && print.toByteArray() == InputPrint(page))
        return true;
    // Once typed into, always the user's, even when the text was typed back.
    page->setProperty(kTouched, true);
    return false;
}

// The frame tells its customer number: -1 for a new customer nobody has saved.
bool newCustomer(const QWidget* frame)
{
    const QVariant no = frame ? frame->property("CustNo") : QVariant();
    return no.isValid() && no.toInt() == -1;
}
} // namespace

std::vector<CustTabRules::Tab> TfrmMain::CustTabs()
{
    std::vector<CustTabRules::Tab> tabs;
    for (int i = 2; i < PageMain->count(); ++i) {
        QWidget* page = PageMain->widget(i);
        CustTabRules::Tab t;
        t.Index = i;
        t.Opened = page->property(kOpened).toULongLong();
        t.NewCustomer = newCustomer(frameOf(PageMain, i));
        t.Untouched = untouched(page);
        tabs.push_back(t);
    }
    return tabs;
}

int TfrmMain::FindCustPageIndex(const QString& number)
{
    int result = -1;
    for (int i = 2; i < PageMain->count(); ++i) {
        QWidget* frame = frameOf(PageMain, i);
        if (frame && frame->property("CustTelNon").toString() == number) {
            result = i;
            break;
        }
    }
    WriteTraceLog(QStringLiteral("TfrmMain.FindCustPageIndex=") + QString::number(result));
    return result;
}

int TfrmMain::OpenCustTab(const QString& typed)
{
    WriteTraceLog(QStringLiteral("frmMain.OpenCustTab begin"));
    QString number = typed;
    if (!number.isEmpty()) {
        QString custTelNon;
        int index = -1;
        bool phoneBook = dmCmn->GetCustTelNon(number, custTelNon);
        bool customer = !phoneBook && dmCmn->ExistsKey(QStringLiteral("CUSTOMER"), QStringLiteral("CUST_TEL_NON"),
                                                       QuotedSql(number));
        // Not stored as typed: perhaps in the form numbers are stored in now.
        const QString national = PhoneNumberForm::Apply(number);
        if (!phoneBook && !customer && national != number) {
            phoneBook = dmCmn->GetCustTelNon(national, custTelNon);
            customer = !phoneBook && dmCmn->ExistsKey(QStringLiteral("CUSTOMER"), QStringLiteral("CUST_TEL_NON"),
                                                      QuotedSql(national));
            if (phoneBook || customer)
                number = national;
        }
        if (phoneBook)
            index = FindCustPageIndex(custTelNon);
        else if (customer)
            index = FindCustPageIndex(number);
        if (index >= 0) {
            stampOpened(PageMain->widget(index));
            PageMain->setCurrentIndex(index);
            return index;
        }
    }
    if (!FCustFrameFactory)
        return -1;
    QWidget* frame = FCustFrameFactory(number, PageMain);
    if (!frame)
        return -1;
    // Another new customer takes the place of one nobody has typed into.
    const int reuse = newCustomer(frame) ? CustTabRules::Reusable(CustTabs(), -1) : -1;
    int index = PageMain->count();
    if (reuse >= 0) {
        QWidget* old = PageMain->widget(reuse);
        PageMain->insertTab(reuse, frame, QString());
        PageMain->removeTab(reuse + 1);
        old->deleteLater();
        index = reuse;
    } else {
        PageMain->addTab(frame, QString());
    }
    // The frame sets the caption itself; until then it is a new customer's.
    CustTabBar::SetCaption(PageMain, index, QStringLiteral(" 新 規          B"));
    stampOpened(frame);
    frame->setProperty(kPrint, InputPrint(frame));
    for (int i : CustTabRules::ToClose(CustTabs(), GMaxCustTabs, index)) {
        QWidget* page = PageMain->widget(i);
        WriteTraceLog(QStringLiteral("TfrmMain.OpenCustTab closes untouched tab ") + PageMain->tabText(i));
        PageMain->removeTab(i);
        page->deleteLater();
    }
    index = PageMain->indexOf(frame);
    PageMain->setCurrentIndex(index);
    return index;
}

void TfrmMain::OpenCustAccept(const QString& number, const QString& actNo, const QString& logNo, bool browse)
{
    WriteTraceLog(QStringLiteral("ActNo=") + actNo + QStringLiteral(" CustTelNon=") + number);
    if (number.isEmpty() || (actNo.isEmpty() && browse))
        return;
    const int index = OpenCustTab(number);
    QWidget* frame = index >= 0 ? frameOf(PageMain, index) : nullptr;
    if (!frame || !GUseAccept)
        return;
    bool ok = false;
    const int act = actNo.toInt(&ok);
    QWidget* page = PageMain->widget(index);
    // The response opened here is the program's filling, not the user's input.
    const bool wasUntouched = untouched(page);
    if (actNo.isEmpty())
        QMetaObject::invokeMethod(frame, "OpenAcceptTab", Q_ARG(int, -1), Q_ARG(QString, logNo), Q_ARG(bool, false));
    else if (ok)
        QMetaObject::invokeMethod(frame, "OpenAcceptTab", Q_ARG(int, act), Q_ARG(QString, logNo), Q_ARG(bool, browse));
    else
        MessageService::Error(QStringLiteral("対応履歴の読み込みに失敗しました。対応履歴を再読み込みしてください。"));
    if (wasUntouched)
        page->setProperty(kPrint, InputPrint(page));
}

void TfrmMain::CloseCustPage(int index)
{
    if (index < 2 || index >= PageMain->count())
        return;
    QWidget* page = PageMain->widget(index);
    const bool onlyOne = PageMain->count() == 3;
    const bool first = index == 2;
    PageMain->removeTab(index);
    page->deleteLater();
    if (onlyOne)
        PageMain->setCurrentIndex(0);
    else if (first)
        PageMain->setCurrentIndex(PageMain->isTabVisible(1) ? 1 : 2);
    else
        PageMain->setCurrentIndex(index - 1);
}

void TfrmMain::OnUserInfoUpdated()
{
    WriteTraceLog(QStringLiteral("TfrmMain.OnUserInfoUpdated begin"));
    const int index = PageMain->currentIndex();
    if (index > 1)
        CloseCustPage(index);
    PageMain->tabBar()->update();
}
