#include "customers/ui/InstallCustomers.h"

#include "admin/ui/AdminActions.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "core/StartupSettings.h"
#include "customers/TfraCust.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

namespace {
QList<TfraCust*> frames(TfrmMain& form)
{
    QList<TfraCust*> list;
    for (int i = 2; i < form.PageMain->count(); ++i)
        if (auto* frame = qobject_cast<TfraCust*>(form.PageMain->widget(i)))
            list << frame;
    return list;
}

QString cellText(const CallLogGrid* grid, int row, int column)
{
    return grid->text(row, column);
}

void refreshFrames(TfrmMain& form, const TUpTable& flags)
{
    const bool calls = flags.Flags[TUpTable::LogTable] || flags.Flags[TUpTable::TelsTable];
    const bool responses = flags.Flags[TUpTable::AcceptTable] || flags.Flags[TUpTable::UserTable] ||
                           flags.Flags[TUpTable::TypeTable] || flags.Flags[TUpTable::ResultTable];
    bool keyDone = false;
    bool custDone = false;
    for (TfraCust* frame : frames(form)) {
        const bool concerned = flags.NewCallKeys ? flags.NewCallKeys->contains(frame->FCustTelNon)
                                                 : flags.Key.isEmpty() || (!keyDone && frame->FCustTelNon == flags.Key);
        if (calls && concerned) {
            keyDone = !flags.Key.isEmpty();
            frame->MakeMainGrid();
            if (flags.Flags[TUpTable::TelsTable])
                frame->MakeTelsGrid();
        }
        if (responses && GUseAccept && (flags.CustNo == -1 || (!custDone && frame->FCustNo == flags.CustNo))) {
            custDone = flags.CustNo != -1;
            frame->MakeAcceptGrid();
            if (custDone && flags.ActNo != -1)
                frame->CloseActTab(flags.ActNo);
        }
    }
}

void updateMemoButton(TfrmMain& form)
{
    // Looked up among the buttons, not through every open tab's widgets.
    auto* memo = form.PageMenu->findChild<QPushButton*>(QStringLiteral("btnMemo"));
    const int index = form.PageMain->currentIndex();
    auto* frame = qobject_cast<TfraCust*>(form.PageMain->currentWidget());
    memo->setEnabled(index == 0 || (frame && frame->PageHistory->currentIndex() == 0));
}
} // namespace

void InstallCustomers(TfrmMain& form)
{
    TfrmMain* f = &form;
    form.SetCustFrameFactory([f](const QString& number, QWidget* parent) -> QWidget* {
        auto* frame = new TfraCust(number, parent, f);
        // The host puts the frame on its tab after making it; the caption follows then.
        QTimer::singleShot(0, frame, [frame]() { frame->RefreshCaption(); });
        return frame;
    });
    form.PlugButton("btnTels", [f]() { AdminActions::OpenTels(*f, f->edtCall->text()); });
    form.PlugButton("btnMemo", [f]() {
        const int row = f->sgdLog->currentRow();
        AdminActions::EditMemo(*f, cellText(f->sgdLog, row, 9), cellText(f->sgdLog, row, 5));
    });
    QObject::connect(&form, &TfrmMain::logCellDoubleClicked, &form, [f](int row, int column) {
        if (column == 1)
            AdminActions::OpenTels(*f, cellText(f->sgdLog, row, 1));
        else if (column == 4)
            f->findChild<QPushButton*>(QStringLiteral("btnCustInfo"))->click(); // as the button does
        else if (column == 5)
            AdminActions::EditMemo(*f, cellText(f->sgdLog, row, 9), cellText(f->sgdLog, row, 5));
    });

    QObject::connect(form.PageMain, &QTabWidget::currentChanged, &form, [f]() { updateMemoButton(*f); });
    QObject::connect(&form, &TfrmMain::formCreated, &form, [f]() { AdminActions::MemoWindow(*f); });
    QObject::connect(&form, &TfrmMain::tablesRefreshed, &form,
                     [f](const TUpTable& flags) { refreshFrames(*f, flags); });
}
