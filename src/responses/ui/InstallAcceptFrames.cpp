#include "responses/ui/InstallAcceptFrames.h"

#include "calls/TfrmMain.h"
#include "calls/ui/CallLogGrid.h"
#include "core/StartupSettings.h"
#include "customers/TfraCust.h"
#include "responses/TfraAccept.h"
#include "ui/AcceptMarkDelegate.h"


namespace {
QString cellText(const CallLogGrid* grid, int row, int column)
{
    return grid->text(row, column);
}
} // namespace

void InstallAcceptFrames(TfrmMain& form)
{
    TfraCust::SetAcceptTabOpener(
        [](TfraCust& frame, QWidget* parent, int actNo, const QString& logNo, bool browse) -> QWidget* {
            if (!GUseAccept)
                return nullptr;
            return new TfraAccept(&frame, parent, browse, logNo, QString::number(frame.FCustNo), actNo);
        });
    form.sgdLog->setItemDelegateForColumn(6, new AcceptMarkDelegate(form.sgdLog));
    TfrmMain* f = &form;
    QObject::connect(&form, &TfrmMain::logCellDoubleClicked, &form, [f](int row, int column) {
        if (column != 6 || !GUseAccept)
            return;
        const QString actNo = cellText(f->sgdLog, row, 6);
        f->OpenCustAccept(cellText(f->sgdLog, row, 7), actNo, cellText(f->sgdLog, row, 9), !actNo.isEmpty());
    });
}
