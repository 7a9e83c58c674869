#include "responses/ui/InstallResponsePage.h"

#include "calls/TfrmMain.h"
#include "core/StartupSettings.h"
#include "customers/TfraCust.h"
#include "responses/TfrmActSearch.h"
#include "responses/ui/AcceptPageView.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QTabWidget>

namespace {
bool touchesResponses(const TUpTable& flags)
{
    for (int f = TUpTable::AcceptTable; f <= TUpTable::ResultTable; ++f)
        if (flags.Flags[f])
            return true;
    return false;
}
} // namespace

void InstallResponsePage(TfrmMain& form)
{
    auto* view = new AcceptPageView(form);
    TfrmMain* f = &form;
    QObject::connect(&form, &TfrmMain::formCreated, view, [view]() {
        if (!GUseAccept)
            return;
        view->RestoreWidth();
        view->MakeAcceptGrid();
    });
    QObject::connect(&form, &TfrmMain::tablesRefreshed, view, [view](const TUpTable& flags) {
        if (GUseAccept && touchesResponses(flags))
            view->MakeAcceptGrid();
    });
    QObject::connect(form.DateTimePicker1, &QDateEdit::dateChanged, view, [view]() {
        if (GUseAccept)
            view->MakeAcceptGrid();
    });
    QObject::connect(form.PageMain, &QTabWidget::currentChanged, view, [f, view](int index) {
        if (GUseAccept && f->PageMain->widget(index) == f->tabAccept)
            view->sgdAcceptClick();
    });

    // A customer frame's search button opens the one search window on its own customer.
    TfraCust::SetHistorySearchOpener([](TfraCust& frame) {
        auto* main = qobject_cast<TfrmMain*>(frame.window());
        if (!main)
            return;
        TfrmActSearch* search = TfrmActSearch::Open(*main);
        search->SetCustomer(frame.FCustNo, frame.edtCustName->text());
    });
}
