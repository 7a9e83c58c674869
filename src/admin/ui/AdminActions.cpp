#include "admin/ui/AdminActions.h"

#include "admin/TfrmMemo.h"
#include "admin/TfrmTels.h"
#include "calls/TfrmMain.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"

#include <QLabel>
#include <QLineEdit>

namespace AdminActions {

void OpenTels(TfrmMain& form, const QString& number)
{
    TfrmTels dialog(&form, &form);
    TTels result;
    dialog.SearchShowModal(number, result);
    if (dialog.Changed())
        form.RefreshTables(TUpTable::With({TUpTable::TelsTable}));
    form.edtCall->setText(result.TelNo);
    form.pnlCallName->setText(result.Caller);
    form.edtCall->setFocus();
}

QString NoCallSelectedMessage()
{
    return QStringLiteral("メモを入力する発着信を電話履歴から選択してください。");
}

TfrmMemo* MemoWindow(TfrmMain& form)
{
    auto* memo = form.findChild<TfrmMemo*>(QStringLiteral("frmMemo"));
    if (!memo)
        memo = new TfrmMemo(&form);
    return memo;
}

void EditMemo(TfrmMain& form, const QString& logNo, const QString& memo)
{
    if (logNo.isEmpty()) {
        MessageService::Information(NoCallSelectedMessage());
        return;
    }
    bool ok = false;
    const int number = logNo.toInt(&ok);
    if (!ok)
        return;
    QString text;
    if (!MemoWindow(form)->Edit(number, memo, text))
        return;
    dmCmn->UpdateTelMemo(number, text);
    form.RefreshTables(TUpTable::With({TUpTable::LogTable}));
}

} // namespace AdminActions
