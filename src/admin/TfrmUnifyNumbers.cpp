#include "admin/TfrmUnifyNumbers.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"
#include "ui/Named.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmUnifyNumbers::TfrmUnifyNumbers(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmUnifyNumbers"));
    setWindowTitle(QStringLiteral("電話番号の表記を統一"));
    auto* v = new QVBoxLayout(this);
    lblSummary = named(new QLabel(this), "lblSummary");
    lblSummary->setWordWrap(true);
    memChanges = named(new QPlainTextEdit(this), "memChanges");
    memChanges->setReadOnly(true);
    memChanges->setLineWrapMode(QPlainTextEdit::NoWrap);
    v->addWidget(lblSummary);
    v->addWidget(memChanges, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnExecute = named(new QPushButton(QStringLiteral("実行(&E)"), this), "btnExecute");
    btnClose = named(new QPushButton(QStringLiteral("閉じる(&X)"), this), "btnClose");
    buttons->addWidget(btnExecute);
    buttons->addWidget(btnClose);
    v->addLayout(buttons);
    connect(btnExecute, &QPushButton::clicked, this, &TfrmUnifyNumbers::btnExecuteClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 420);
    DialogKit::Apply(this);
}

void TfrmUnifyNumbers::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmUnifyNumbers::FormShow()
{
    WriteTraceLog(QStringLiteral("TfrmUnifyNumbers.FormShow"));
    FPlan = NumberUnifier::Plan();
    memChanges->clear();
    btnExecute->setEnabled(false);
    if (!GNumberForm) {
        // Stored numbers in the national form would no longer meet the calls as they arrive.
        lblSummary->setText(QStringLiteral("環境設定の「電話番号の表記を統一する」がオフのため、実行できません。"));
        return;
    }
    try {
        FPlan = NumberUnifier(dmCmn->IBDatabase1, GCountryCode, GUnknownName).Survey();
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("TfrmUnifyNumbers survey E.Message=") + e.message());
        lblSummary->setText(QStringLiteral("電話番号を読み込めませんでした。") + e.message());
        return;
    }
    memChanges->setPlainText(FPlan.Describe().join(QLatin1Char('\n')));
    QString summary = FPlan.IsEmpty() ? QStringLiteral("書き換える電話番号はありません。")
                                      : QStringLiteral("次の %1 件を書き換えます。").arg(FPlan.Changes());
    if (FPlan.LeftAlone() > 0)
        summary += QStringLiteral("「変更しません」の %1 件は別の発信者と重なるため、そのままにします。")
                       .arg(FPlan.LeftAlone());
    lblSummary->setText(summary);
    btnExecute->setEnabled(!FPlan.IsEmpty());
}

void TfrmUnifyNumbers::btnExecuteClick()
{
    if (FPlan.IsEmpty())
        return;
    if (!MessageService::Ask(
            QStringLiteral("一覧の %1 件の電話番号を書き換えます。よろしいですか？").arg(FPlan.Changes())))
        return;
    try {
        NumberUnifier(dmCmn->IBDatabase1, GCountryCode, GUnknownName).Apply(FPlan);
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("TfrmUnifyNumbers E.Message=") + e.message());
        MessageService::Error(QStringLiteral("電話番号を書き換えられませんでした。何も変更していません。\r\n") +
                              e.message());
        FormShow();
        return;
    }
    emit numbersUnified();
    MessageService::Information(QStringLiteral("電話番号の表記を統一しました。"));
    FormShow();
}
