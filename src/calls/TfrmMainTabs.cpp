// Customer tabs on the main window.
#include "calls/TfrmMain.h"
#include "calls/ui/CustTabBar.h"
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
} // namespace

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
            PageMain->setCurrentIndex(index);
            return index;
        }
    }
    if (!FCustFrameFactory)
        return -1;
    const int index = PageMain->count();
    QWidget* frame = FCustFrameFactory(number, PageMain);
    if (!frame)
        return -1;
    // The frame sets the caption itself; until then it is a new customer's.
    PageMain->addTab(frame, QString());
    CustTabBar::SetCaption(PageMain, index, QStringLiteral(" 新 規          B"));
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
    if (actNo.isEmpty())
        QMetaObject::invokeMethod(frame, "OpenAcceptTab", Q_ARG(int, -1), Q_ARG(QString, logNo), Q_ARG(bool, false));
    else if (ok)
        QMetaObject::invokeMethod(frame, "OpenAcceptTab", Q_ARG(int, act), Q_ARG(QString, logNo), Q_ARG(bool, browse));
    else
        MessageService::Error(QStringLiteral("対応履歴の読み込みに失敗しました。対応履歴を再読み込みしてください。"));
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
