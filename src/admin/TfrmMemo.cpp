#include "admin/TfrmMemo.h"

#include "admin/CallMemo.h"
#include "core/MessageService.h"
#include "ui/DialogKit.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmMemo::TfrmMemo(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMemo"));
    setWindowTitle(QStringLiteral("発着信メモ"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* v = new QVBoxLayout(this);
    memMemo = new QPlainTextEdit(this);
    memMemo->setObjectName(QStringLiteral("memMemo"));
    memMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Typing stops at the column's width; the line breaks stored as CR LF are checked on OK.
    DialogKit::LimitBytes(memMemo, CallMemo::kMaxBytes);
    v->addWidget(memMemo, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK(&O)"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* b : {btnOk, btnCancel}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    v->addLayout(buttons);
    resize(420, 300);
    DialogKit::Apply(this);
    connect(btnOk, &QPushButton::clicked, this, &TfrmMemo::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TfrmMemo::Text() const
{
    return CallMemo::FromEditor(memMemo->toPlainText());
}

void TfrmMemo::btnOkClick()
{
    if (CallMemo::TooLong(Text())) {
        MessageService::Warning(CallMemo::TooLongMessage());
        return;
    }
    accept();
}

bool TfrmMemo::Edit(int logNo, const QString& memo, QString& result)
{
    FLogNo = logNo;
    memMemo->setPlainText(CallMemo::ToEditor(memo));
    memMemo->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    result = Text();
    return true;
}
