#include "admin/TfrmInterface.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"
#include "ui/Named.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
TfrmInterface::Search& searchHook()
{
    static TfrmInterface::Search search;
    return search;
}

// Browsing: tooltip colour; editing: window colour; a field that does not apply: button face.
void Paint(QWidget* w, bool applies, bool browse)
{
    QPalette p = w->palette();
    const QPalette app;
    const QColor colour = !applies ? app.color(QPalette::Button)
                          : browse ? app.color(QPalette::ToolTipBase)
                                   : app.color(QPalette::Base);
    p.setColor(QPalette::Active, QPalette::Base, colour);
    p.setColor(QPalette::Inactive, QPalette::Base, colour);
    p.setColor(QPalette::Disabled, QPalette::Base, colour);
    w->setPalette(p);
}
} // namespace

void TfrmInterface::SetSearch(Search search)
{
    searchHook() = std::move(search);
}

TfrmInterface::TfrmInterface(QWidget* parent) : QDialog(parent), FTable(*dmCmn)
{
    setObjectName(QStringLiteral("frmInterface"));
    setWindowTitle(QStringLiteral("外部接続登録"));
    BuildLayout();
    resize(640, 460);
    DialogKit::Apply(this);
    FTable.Refresh();
    ShowRow();
    SetButton(true);
}

void TfrmInterface::BuildLayout()
{
    auto* v = new QVBoxLayout(this);
    pnlInput = named(new QWidget(this), "pnlInput");
    auto* g = new QGridLayout(pnlInput);
    int row = 0;
    auto addRow = [&](const QString& label, QWidget* field) {
        g->addWidget(new QLabel(label), row, 0);
        g->addWidget(field, row++, 1, 1, 3);
    };
    edtIfNo = named(new QLineEdit, "edtIfNo");
    edtIfNo->setValidator(new QIntValidator(edtIfNo));
    edtIfName = named(new QLineEdit, "edtIfName");
    cbxIfType = named(new QComboBox, "cbxIfType");
    cbxIfType->addItems({QStringLiteral("EXE"), QStringLiteral("TXT"), QStringLiteral("URL")});
    edtExecPath = named(new QLineEdit, "edtExecPath");
    edtCommand = named(new QLineEdit, "edtCommand");
    edtTextPath = named(new QLineEdit, "edtTextPath");
    chkTextPort = named(new QCheckBox(QStringLiteral("ファイル名にポート番号付与（但し、手動連携時は0を付与）")), "chkTextPort");
    chkTextDt = named(new QCheckBox(QStringLiteral("ファイル名に日時を付与")), "chkTextDt");
    edtCaption = named(new QLineEdit, "edtCaption");
    chkEveryClose = named(new QCheckBox(QStringLiteral("既にプログラム起動時は終了して再起動する")), "chkEveryClose");
    lblRequest = named(new QLabel(QStringLiteral("既にプログラム起動時の送信メッセージ")), "lblRequest");
    lblStartReq = named(new QLabel(QStringLiteral("開始リクエスト =  WM_USER + ")), "lblStartReq");
    edtStartReq = named(new QLineEdit, "edtStartReq");
    edtStartReq->setValidator(new QIntValidator(edtStartReq));
    lblEndReq = named(new QLabel(QStringLiteral("終了リクエスト =  WM_USER + ")), "lblEndReq");
    edtEndReq = named(new QLineEdit, "edtEndReq");
    edtEndReq->setValidator(new QIntValidator(edtEndReq));
    addRow(QStringLiteral("外部接続番号"), edtIfNo);
    addRow(QStringLiteral("外部接続名"), edtIfName);
    addRow(QStringLiteral("外部接続タイプ"), cbxIfType);
    addRow(QStringLiteral("起動プログラム"), edtExecPath);
    addRow(QStringLiteral("起動ＵＲＬ/引数"), edtCommand);
    addRow(QStringLiteral("テキスト出力先"), edtTextPath);
    g->addWidget(chkTextPort, row++, 1, 1, 3);
    g->addWidget(chkTextDt, row++, 1, 1, 3);
    addRow(QStringLiteral("起動キャプション"), edtCaption);
    g->addWidget(chkEveryClose, row++, 1, 1, 3);
    g->addWidget(lblRequest, row++, 0, 1, 4);
    g->addWidget(lblStartReq, row, 0);
    g->addWidget(edtStartReq, row, 1);
    g->addWidget(lblEndReq, row, 2);
    g->addWidget(edtEndReq, row++, 3);
    v->addWidget(pnlInput, 1);

    DialogKit::LimitToColumn(edtIfName, QStringLiteral("INTERFACE"), QStringLiteral("IF_NAME"));
    DialogKit::LimitToColumn(edtExecPath, QStringLiteral("INTERFACE"), QStringLiteral("EXEC_PATH"));
    DialogKit::LimitToColumn(edtCommand, QStringLiteral("INTERFACE"), QStringLiteral("COMMAND"));
    DialogKit::LimitToColumn(edtTextPath, QStringLiteral("INTERFACE"), QStringLiteral("TEXT_PATH"));
    DialogKit::LimitToColumn(edtCaption, QStringLiteral("INTERFACE"), QStringLiteral("CAPTION"));

    auto* nav = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption) {
        auto* b = named(new QPushButton(caption), name);
        b->setAutoDefault(false);
        nav->addWidget(b);
        return b;
    };
    btnAdd = button("btnAdd", QStringLiteral("追加(&A)"));
    btnEdit = button("btnEdit", QStringLiteral("編集(&E)"));
    btnDelete = button("btnDelete", QStringLiteral("削除(&D)"));
    btnFirst = button("btnFirst", QStringLiteral("|<"));
    btnPrior = button("btnPrior", QStringLiteral("<"));
    btnNext = button("btnNext", QStringLiteral(">"));
    btnLast = button("btnLast", QStringLiteral(">|"));
    FSearch = searchHook();
    if (FSearch)
        btnSearch = button("btnSearch", QStringLiteral("検索(&S)"));
    btnOK = button("btnOK", QStringLiteral("OK(&O)"));
    btnCancel = button("btnCancel", QStringLiteral("取消(&C)"));
    btnClose = button("btnClose", QStringLiteral("閉じる(&X)"));
    v->addLayout(nav);

    connect(btnAdd, &QPushButton::clicked, this, &TfrmInterface::btnAddClick);
    connect(btnEdit, &QPushButton::clicked, this, &TfrmInterface::btnEditClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmInterface::btnDeleteClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmInterface::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmInterface::btnCancelClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(btnFirst, &QPushButton::clicked, this, [this]() { MoveTo(0); });
    connect(btnPrior, &QPushButton::clicked, this, [this]() { MoveTo(FTable.Current() - 1); });
    connect(btnNext, &QPushButton::clicked, this, [this]() { MoveTo(FTable.Current() + 1); });
    connect(btnLast, &QPushButton::clicked, this, [this]() { MoveTo(int(FTable.Rows().size()) - 1); });
    if (btnSearch)
        connect(btnSearch, &QPushButton::clicked, this, &TfrmInterface::btnSearchClick);
    connect(cbxIfType, &QComboBox::currentIndexChanged, this, &TfrmInterface::ApplyRules);
    connect(chkEveryClose, &QCheckBox::toggled, this, &TfrmInterface::ApplyRules);
}

void TfrmInterface::SetButton(bool browse)
{
    FBrowse = browse;
    pnlInput->setEnabled(!browse);
    edtIfNo->setEnabled(!browse && FTable.state() == InterfaceTable::Insert);
    for (QPushButton* b : {btnAdd, btnEdit, btnFirst, btnPrior, btnNext, btnLast, btnSearch, btnClose})
        if (b)
            b->setEnabled(browse);
    btnDelete->setEnabled(browse && !FTable.Rows().isEmpty());
    btnOK->setEnabled(!browse);
    btnCancel->setEnabled(!browse);
    ApplyRules();
}

void TfrmInterface::ShowRow()
{
    const TInterfaceRow r = FTable.CurrentRow();
    edtIfNo->setText(r.IfNo);
    edtIfName->setText(r.IfName);
    cbxIfType->setCurrentIndex(cbxIfType->findText(r.IfType));
    edtExecPath->setText(r.ExecPath);
    edtCommand->setText(r.Command);
    edtTextPath->setText(r.TextPath);
    edtCaption->setText(r.Caption);
    edtStartReq->setText(r.StartReq);
    edtEndReq->setText(r.EndReq);
    ChangeSatet();
}

void TfrmInterface::ChangeSatet()
{
    const TInterfaceRow r = FTable.CurrentRow();
    {
        const QSignalBlocker block(chkEveryClose);
        chkEveryClose->setChecked(IsFlagOn(r.EveryClose));
    }
    chkTextPort->setChecked(IsFlagOn(r.TextPort));
    chkTextDt->setChecked(IsFlagOn(r.TextDt));
    ApplyRules();
}

void TfrmInterface::ApplyRules()
{
    const InterfaceFieldRules r = InterfaceFieldRules::For(cbxIfType->currentText(), chkEveryClose->isChecked());
    const bool browse = FBrowse;
    auto set = [browse](QWidget* w, bool applies) {
        w->setEnabled(applies);
        Paint(w, applies, browse);
    };
    for (QWidget* w : {static_cast<QWidget*>(edtIfName), static_cast<QWidget*>(cbxIfType),
                       static_cast<QWidget*>(edtExecPath), static_cast<QWidget*>(edtCommand)})
        set(w, true);
    Paint(edtIfNo, true, browse);
    edtIfNo->setEnabled(!browse && FTable.state() == InterfaceTable::Insert);
    set(edtTextPath, r.TextPath);
    chkTextPort->setEnabled(r.TextFlags);
    chkTextDt->setEnabled(r.TextFlags);
    set(edtCaption, r.Caption);
    chkEveryClose->setEnabled(r.EveryClose);
    lblRequest->setEnabled(r.RequestLabel);
    edtStartReq->setVisible(r.StartReqVisible);
    set(edtStartReq, r.StartReq);
    lblStartReq->setText(r.StartLabel);
    lblStartReq->setEnabled(r.StartReq || (!r.StartReqVisible && r.RequestLabel));
    set(edtEndReq, r.EndReq);
    lblEndReq->setEnabled(r.EndReq);
}

void TfrmInterface::MoveTo(int index)
{
    FTable.MoveTo(index);
    ShowRow();
}

TInterfaceRow TfrmInterface::Collect() const
{
    TInterfaceRow r;
    r.IfNo = edtIfNo->text();
    r.IfName = edtIfName->text();
    r.IfType = cbxIfType->currentText();
    r.ExecPath = edtExecPath->text();
    r.Command = edtCommand->text();
    r.TextPath = edtTextPath->text();
    r.TextPort = FlagText(chkTextPort->isChecked());
    r.TextDt = FlagText(chkTextDt->isChecked());
    r.Caption = edtCaption->text();
    r.EveryClose = FlagText(chkEveryClose->isChecked());
    r.StartReq = edtStartReq->text();
    r.EndReq = edtEndReq->text();
    return r;
}

void TfrmInterface::btnAddClick()
{
    if (FTable.state() == InterfaceTable::Browse) {
        FTable.Append();
        ShowRow();
        cbxIfType->setCurrentIndex(-1);
    }
    SetButton(false);
    edtIfNo->setFocus();
}

void TfrmInterface::btnEditClick()
{
    if (FTable.state() == InterfaceTable::Browse)
        FTable.EditCurrent();
    if (FTable.state() != InterfaceTable::Edit)
        return;
    SetButton(false);
    edtIfName->setFocus();
}

void TfrmInterface::btnOKClick()
{
    if (FTable.state() != InterfaceTable::Browse) {
        try {
            FTable.Post(Collect());
        } catch (const AppError& e) {
            // The input stays as typed and the dialog stays in editing.
            WriteLog(QStringLiteral("TfrmInterface.btnOKClick ") + e.message());
            MessageService::Error(e.message());
            return;
        }
    }
    ShowRow();
    SetButton(true);
}

void TfrmInterface::btnCancelClick()
{
    if (btnCancel->isEnabled() && FTable.state() != InterfaceTable::Browse)
        FTable.CancelEdit();
    ShowRow();
    SetButton(true);
}

void TfrmInterface::btnDeleteClick()
{
    if (MessageService::Ask(QStringLiteral("このデータを削除してもよろしいですか？"))) {
        try {
            FTable.DeleteCurrent();
        } catch (const AppError& e) {
            WriteLog(QStringLiteral("TfrmInterface.btnDeleteClick ") + e.message());
            MessageService::Error(e.message());
        }
    }
    ShowRow();
    SetButton(true);
}

void TfrmInterface::btnSearchClick()
{
    if (!FSearch)
        return;
    const QString chosen = FSearch(this);
    bool ok = false;
    const int ifNo = chosen.toInt(&ok);
    if (ok && FTable.IndexOf(ifNo) >= 0)
        MoveTo(FTable.IndexOf(ifNo));
}

void TfrmInterface::keyPressEvent(QKeyEvent* event)
{
    // Esc presses the cancel button while it is enabled; otherwise it closes.
    if (event->key() == Qt::Key_Escape && btnCancel->isEnabled()) {
        btnCancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmInterface::closeEvent(QCloseEvent* event)
{
    if (FTable.state() != InterfaceTable::Browse) {
        if (!MessageService::Ask(
                QStringLiteral("データが編集状態です。キャンセルして画面を閉じてもよろしいですか？"))) {
            event->ignore();
            return;
        }
        FTable.CancelEdit();
        SetButton(true);
    }
    QDialog::closeEvent(event);
}
