#include "responses/TfraAccept.h"

#include "calls/MasterLists.h"
#include "calls/TfrmMain.h"
#include "calls/ui/CustTabBar.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "customers/TfraCust.h"
#include "db/TdmCmn.h"
#include "responses/AcceptRules.h"
#include "ui/DialogKit.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {
template <typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

MasterLists* masters(TfraCust* owner)
{
    TfrmMain* main = owner ? owner->MainForm() : nullptr;
    return main && main->Masters() ? main->Masters() : MasterLists::Current();
}

void fill(QComboBox* box, QStringList& idsOut, const QStringList& ids, const QStringList& names)
{
    box->clear();
    box->addItems(names);
    idsOut = ids;
    box->setCurrentIndex(-1);
}

const QString kSaveColour = QStringLiteral("background-color: rgb(128,255,0);");
const QString kCancelColour = QStringLiteral("background-color: rgb(255,255,96);");
} // namespace

TfraAccept::TfraAccept(TfraCust* owner, QWidget* parent, bool browse, const QString& logNo, const QString& custNo,
                       int actNo)
    : QWidget(parent), FOwner(owner)
{
    Q_UNUSED(custNo);
    setObjectName(QStringLiteral("fraAccept"));
    FLogNo = logNo;
    WriteTraceLog(QStringLiteral("TfraAccept.Create FLogNo=") + FLogNo);
    BuildLayout();
    SetActNo(actNo);
    LoadAccept(actNo);
    SetMode(browse);
}

void TfraAccept::BuildLayout()
{
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(4, 4, 4, 4);
    auto* g = new QGridLayout;
    int row = 0;
    auto label = [&](const QString& text) { g->addWidget(new QLabel(text, this), row, 0, Qt::AlignTop); };

    // Date, time and the three choices share one line, so that the response fits below the
    // customer's record at the main window's usual size.
    label(QStringLiteral("日時"));
    auto* when = new QHBoxLayout;
    dtpActDate = named(new QDateEdit(this), "dtpActDate");
    dtpActDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    dtpActDate->setCalendarPopup(true);
    dtpActTime = named(new QTimeEdit(this), "dtpActTime");
    dtpActTime->setDisplayFormat(QStringLiteral("HH:mm"));
    when->addWidget(dtpActDate);
    when->addWidget(dtpActTime);
    g->addLayout(when, row++, 1);

    auto combo = [&](const char* name, const QString& caption) {
        when->addSpacing(8);
        when->addWidget(new QLabel(caption, this));
        auto* box = named(new QComboBox(this), name);
        box->setMinimumWidth(120);
        when->addWidget(box, 1);
        return box;
    };
    cbxType = combo("cbxType", QStringLiteral("区分"));
    cbxResult = combo("cbxResult", QStringLiteral("結果"));
    cbxUser = combo("cbxUser", QStringLiteral("対応"));

    label(QStringLiteral("件名"));
    edtTitle = named(new QLineEdit(this), "edtTitle");
    edtTitle->setAttribute(Qt::WA_InputMethodEnabled, true);
    DialogKit::LimitBytes(edtTitle, AcceptRules::TitleWidth());
    g->addWidget(edtTitle, row++, 1);

    label(QStringLiteral("内容"));
    richContent = named(new QPlainTextEdit(this), "richContent");
    richContent->setAttribute(Qt::WA_InputMethodEnabled, true);
    DialogKit::LimitBytes(richContent, AcceptRules::ContentWidth());
    g->addWidget(richContent, row, 1);
    g->setRowStretch(row, 1);
    g->setColumnStretch(1, 1);
    h->addLayout(g, 1);

    auto* buttons = new QVBoxLayout;
    auto* tools = new QHBoxLayout;
    auto tool = [&](const char* name, const QString& text, const QString& hint, Qt::Key key) {
        auto* b = named(new QPushButton(text, this), name);
        b->setToolTip(hint);
        // The customer frame's buttons have the same keys: these act within this frame.
        DialogKit::AreaShortcut(this, key, b);
        tools->addWidget(b);
        return b;
    };
    btnActAdd = tool("btnActAdd", QStringLiteral("新規"), QStringLiteral("新規(Alt+A)"), Qt::Key_A);
    btnActEdit = tool("btnActEdit", QStringLiteral("編集"), QStringLiteral("編集(Alt+E)"), Qt::Key_E);
    btnActDel = tool("btnActDel", QStringLiteral("削除"), QStringLiteral("削除(Alt+D)"), Qt::Key_D);
    buttons->addLayout(tools);
    btnCancel = named(new QPushButton(QStringLiteral("取消(&C)"), this), "btnCancel");
    btnSave = named(new QPushButton(QStringLiteral("保存(&V)"), this), "btnSave");
    DialogKit::AreaShortcut(this, Qt::Key_C, btnCancel);
    DialogKit::AreaShortcut(this, Qt::Key_V, btnSave);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnSave);
    buttons->addStretch(1);
    h->addLayout(buttons);

    resize(700, 220);
    DialogKit::Apply(this);
    setMinimumSize(0, 0);

    connect(btnActAdd, &QPushButton::clicked, this, &TfraAccept::btnActAddClick);
    connect(btnActEdit, &QPushButton::clicked, this, &TfraAccept::btnActEditClick);
    connect(btnActDel, &QPushButton::clicked, this, &TfraAccept::btnActDelClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfraAccept::btnCancelClick);
    connect(btnSave, &QPushButton::clicked, this, &TfraAccept::btnSaveClick);
}

void TfraAccept::SetActNo(int actNo)
{
    FActNo = actNo;
    // The customer frame finds a response's tab by this.
    setProperty("ActNo", FActNo);
}

void TfraAccept::ClearInput()
{
    const QDateTime now = Clock::now();
    dtpActDate->setDate(now.date());
    dtpActTime->setTime(now.time());
    MasterLists* lists = masters(FOwner);
    if (lists) {
        fill(cbxType, FTypeIds, lists->TypeIds, lists->TypeNames);
        fill(cbxResult, FResultIds, lists->ResultIds, lists->ResultNames);
        fill(cbxUser, FUserIds, lists->UserIds, lists->UserNames);
    } else {
        for (QComboBox* box : {cbxType, cbxResult, cbxUser})
            box->clear();
        FTypeIds.clear();
        FResultIds.clear();
        FUserIds.clear();
    }
    edtTitle->clear();
    if (!gCurrentUser.UserId.isEmpty())
        cbxUser->setCurrentIndex(AcceptRules::IndexOfId(FUserIds, gCurrentUser.UserId));
}

void TfraAccept::LoadAccept(int actNo)
{
    ClearInput();
    TAccept a;
    if (actNo == -1 || !dmCmn->GetAcceptData(actNo, a))
        return;
    dtpActDate->setDate(a.ActDt.date());
    dtpActTime->setTime(a.ActDt.time());
    // A type, result or user deleted or expired since stays unselected (never the logged-in user).
    cbxUser->setCurrentIndex(AcceptRules::IndexOfId(FUserIds, a.UserId));
    cbxType->setCurrentIndex(AcceptRules::IndexOfId(FTypeIds, a.TypeId));
    cbxResult->setCurrentIndex(AcceptRules::IndexOfId(FResultIds, a.ResultId));
    edtTitle->setText(a.Title);
    richContent->setPlainText(a.Content);
}

void TfraAccept::SetMode(bool browse)
{
    FBrowse = browse;
    const bool edit = !browse;
    const QPalette app = QApplication::palette();
    for (QWidget* w :
         {static_cast<QWidget*>(dtpActDate), static_cast<QWidget*>(dtpActTime), static_cast<QWidget*>(cbxType),
          static_cast<QWidget*>(cbxResult), static_cast<QWidget*>(cbxUser), static_cast<QWidget*>(edtTitle)}) {
        w->setEnabled(edit);
        QPalette pal = w->palette();
        pal.setColor(QPalette::Base, browse ? app.color(QPalette::ToolTipBase) : app.color(QPalette::Base));
        pal.setColor(QPalette::Button, browse ? app.color(QPalette::ToolTipBase) : app.color(QPalette::Button));
        w->setPalette(pal);
    }
    // The content stays enabled so that it can still be scrolled and copied.
    DialogKit::SetReadOnlyLook(richContent, browse);
    btnSave->setEnabled(edit);
    btnCancel->setEnabled(edit);
    btnSave->setStyleSheet(edit ? kSaveColour : QString());
    btnCancel->setStyleSheet(edit ? kCancelColour : QString());
    const bool others = browse && FActNo != -1;
    btnActAdd->setEnabled(others);
    btnActEdit->setEnabled(others);
    btnActDel->setEnabled(others);
    RefreshCaption();
}

void TfraAccept::RefreshCaption()
{
    auto* pages = parentWidget() ? qobject_cast<QTabWidget*>(parentWidget()->parentWidget()) : nullptr;
    const int index = pages ? pages->indexOf(this) : -1;
    if (index >= 0)
        CustTabBar::SetCaption(pages, index, AcceptRules::TabCaption(FActNo, FBrowse));
}

void TfraAccept::RefreshLists(bool calls)
{
    TfrmMain* main = FOwner ? FOwner->MainForm() : nullptr;
    if (!main) {
        if (FOwner) {
            if (calls)
                FOwner->MakeMainGrid();
            FOwner->MakeAcceptGrid();
        }
        return;
    }
    TUpTable flags = calls ? TUpTable::With({TUpTable::LogTable, TUpTable::AcceptTable}, FOwner->FCustTelNon)
                           : TUpTable::With({TUpTable::AcceptTable});
    flags.CustNo = FOwner->FCustNo;
    main->RefreshTables(flags);
}

void TfraAccept::PostClose(int actNo)
{
    if (!FOwner)
        return;
    // Queued on the owner: if the customer frame goes first, the request goes with it.
    TfraCust* owner = FOwner;
    QMetaObject::invokeMethod(
        owner, [owner, actNo]() { owner->OnFindCloseActTab(actNo); }, Qt::QueuedConnection);
}

void TfraAccept::btnSaveClick()
{
    if (!FOwner || FOwner->FCustNo == -1) {
        MessageService::Warning(
            QStringLiteral("顧客情報が未登録のため登録できません。顧客情報を先に保存してください。"));
        return;
    }
    AcceptRules::Input in;
    in.ActNo = FActNo;
    in.CustNo = QString::number(FOwner->FCustNo);
    in.Date = dtpActDate->date();
    in.Time = dtpActTime->time();
    in.TypeIndex = cbxType->currentIndex();
    in.ResultIndex = cbxResult->currentIndex();
    in.UserIndex = cbxUser->currentIndex();
    in.Title = edtTitle->text();
    in.Content = richContent->toPlainText();
    in.LogNo = FLogNo;
    // Too long for its column: the database would refuse it after the user lost the text.
    const QString problem = AcceptRules::LengthProblem(in.Title, in.Content);
    if (!problem.isEmpty()) {
        MessageService::Warning(problem);
        (problem.startsWith(QStringLiteral("件名")) ? static_cast<QWidget*>(edtTitle) : richContent)->setFocus();
        return;
    }
    const TAccept accept = AcceptRules::ToAccept(in, FTypeIds, FResultIds, FUserIds);
    const bool isNew = FActNo == -1;
    if (isNew) {
        WriteTraceLog(QStringLiteral("TfraAccept.btnSaveClick FLogNo=") + FLogNo);
        WriteTraceLog(QStringLiteral("TfraAccept.btnSaveClick Accept.LogNo=") + accept.LogNo);
        // A failure throws before anything here changes: the frame stays in edit mode.
        SetActNo(dmCmn->InsertAccept(accept));
    } else {
        dmCmn->UpdateAccept(accept);
    }
    SetMode(true);
    // A new response shows in its call's row of the call logs.
    RefreshLists(isNew);
}

void TfraAccept::btnCancelClick()
{
    if (FActNo == -1) {
        PostClose(0);
        return;
    }
    LoadAccept(FActNo);
    SetMode(true);
}

void TfraAccept::btnActEditClick()
{
    SetMode(false);
}

void TfraAccept::btnActAddClick()
{
    if (FOwner)
        FOwner->OpenAcceptTab(-1, QString(), false);
}

void TfraAccept::btnActDelClick()
{
    if (MessageService::Show(MsgKind::Confirmation, QStringLiteral("開いているいる対応内容を削除してよろしいですか？"),
                             MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    const int actNo = FActNo;
    dmCmn->DeleteByKey(QStringLiteral("ACCEPT_T"), QStringLiteral("ACT_NO"), QString::number(actNo));
    RefreshLists(true);
    PostClose(actNo);
}
