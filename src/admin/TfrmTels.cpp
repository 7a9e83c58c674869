#include "admin/TfrmTels.h"

#include "calls/SpeechAnnouncer.h"
#include "calls/TfrmMain.h"
#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/PhoneNumberForm.h"
#include "core/StartupSettings.h"
#include "customers/TfrmSearch.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
template <typename T> T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

TfrmTels::TfrmTels(TfrmMain* main, QWidget* parent) : QDialog(parent), FMain(main)
{
    setObjectName(QStringLiteral("frmTels"));
    setWindowTitle(QStringLiteral("電話帳登録"));
    auto* v = new QVBoxLayout(this);
    auto* g = new QGridLayout;
    auto addEdit = [&](int row, const char* name, const QString& caption, const char* column, bool ime) {
        auto* e = named(new QLineEdit(this), name);
        e->setAttribute(Qt::WA_InputMethodEnabled, ime);
        DialogKit::LimitToColumn(e, QStringLiteral("TELS"), QLatin1String(column));
        g->addWidget(new QLabel(caption, this), row, 0);
        g->addWidget(e, row, 1);
        return e;
    };
    edtTelNo = addEdit(0, "edtTelNo", QStringLiteral("電話番号"), "TEL_NO", false);
    edtCustTelNon = addEdit(1, "edtCustTelNon", QStringLiteral("代表電話番号"), "CUST_TEL_NON", false);
    btnLink = named(new QPushButton(QStringLiteral("顧客情報に関連付けする..."), this), "btnLink");
    g->addWidget(btnLink, 1, 2);
    edtCaller = addEdit(2, "edtCaller", QStringLiteral("名前"), "CALLER", true);
    edtReadName = addEdit(3, "edtReadName", QStringLiteral("音声読上名"), "READ_NAME", true);
    btnTest = named(new QPushButton(QStringLiteral("テスト"), this), "btnTest");
    g->addWidget(btnTest, 3, 2);
    g->addWidget(new QLabel(QStringLiteral("※ひらがなと全角カナしか音声対応していません。"), this), 4, 1, 1, 2);
    chkCaution = named(new QCheckBox(QStringLiteral("要注意"), this), "chkCaution");
    edtCautionNote = named(new QLineEdit(this), "edtCautionNote");
    edtCautionNote->setPlaceholderText(QStringLiteral("注意の内容（着信時に表示）"));
    // CAUTION_NOTE holds 100 bytes: 50 double-byte characters.
    edtCautionNote->setMaxLength(50);
    g->addWidget(chkCaution, 5, 0);
    g->addWidget(edtCautionNote, 5, 1, 1, 2);
    v->addLayout(g);
    auto* buttons = new QHBoxLayout;
    btnAdd = named(new QPushButton(QStringLiteral("追加(&A)"), this), "btnAdd");
    btnEdit = named(new QPushButton(QStringLiteral("編集(&E)"), this), "btnEdit");
    btnDelete = named(new QPushButton(QStringLiteral("削除(&D)"), this), "btnDelete");
    btnSearch = named(new QPushButton(QStringLiteral("検索(&S)"), this), "btnSearch");
    btnOk = named(new QPushButton(QStringLiteral("OK(&O)"), this), "btnOk");
    btnCancel = named(new QPushButton(QStringLiteral("取消(&C)"), this), "btnCancel");
    btnClose = named(new QPushButton(QStringLiteral("閉じる(&X)"), this), "btnClose");
    for (QPushButton* b : {btnAdd, btnEdit, btnDelete, btnSearch, btnOk, btnCancel, btnClose}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    v->addLayout(buttons);
    resize(560, 200);
    DialogKit::Apply(this);

    connect(btnAdd, &QPushButton::clicked, this, &TfrmTels::btnAddClick);
    connect(btnEdit, &QPushButton::clicked, this, &TfrmTels::btnEditClick);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmTels::btnDeleteClick);
    connect(btnSearch, &QPushButton::clicked, this, &TfrmTels::btnSearchClick);
    connect(btnOk, &QPushButton::clicked, this, [this]() { btnOkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &TfrmTels::btnCancelClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmTels::close);
    connect(btnLink, &QPushButton::clicked, this, &TfrmTels::btnLinkClick);
    connect(btnTest, &QPushButton::clicked, this, &TfrmTels::btnTestClick);
    SetButton(TelsBook::Mode::Browse);
}

TTels TfrmTels::Shown() const
{
    return TTels{edtTelNo->text(),    edtCustTelNon->text(),   edtCaller->text(),
                 edtReadName->text(), chkCaution->isChecked(), edtCautionNote->text()};
}

void TfrmTels::Show(const TTels& t)
{
    edtTelNo->setText(t.TelNo);
    edtCustTelNon->setText(t.CustTelNon);
    edtCaller->setText(t.Caller);
    edtReadName->setText(t.ReadName);
    chkCaution->setChecked(t.Caution);
    edtCautionNote->setText(t.CautionNote);
}

void TfrmTels::SetButton(TelsBook::Mode mode)
{
    FMode = mode;
    const TelsBook::Buttons b = TelsBook::ButtonsFor(mode, Shown());
    edtTelNo->setEnabled(b.TelNo);
    DialogKit::SetReadOnlyLook(edtTelNo, !b.TelNo);
    for (QLineEdit* e : {edtCustTelNon, edtCaller, edtReadName}) {
        e->setEnabled(b.Others);
        DialogKit::SetReadOnlyLook(e, !b.Others);
    }
    btnLink->setEnabled(b.Others);
    chkCaution->setEnabled(b.Others);
    edtCautionNote->setEnabled(b.Others);
    DialogKit::SetReadOnlyLook(edtCautionNote, !b.Others);
    btnAdd->setEnabled(b.Add);
    btnEdit->setEnabled(b.Edit);
    btnDelete->setEnabled(b.Delete);
    btnSearch->setEnabled(b.Search);
    btnOk->setEnabled(b.OkCancel);
    btnCancel->setEnabled(b.OkCancel);
    btnClose->setEnabled(b.Close);
}

void TfrmTels::Load(const QString& number)
{
    FChanged = false;
    TTels t;
    // As stored (an entry picked in the search may still be in an older form), else as
    // numbers are stored now (a number typed in the TEL field).
    if (!dmCmn->GetTels(number, t) && !dmCmn->GetTels(PhoneNumberForm::Apply(number), t))
        t = TTels();
    Show(t);
    SetButton(TelsBook::Mode::Browse);
}

int TfrmTels::SearchShowModal(const QString& number, TTels& out)
{
    Load(number);
    const int result = exec();
    out = Shown();
    return result;
}

void TfrmTels::btnAddClick()
{
    FBefore = Shown();
    SetButton(TelsBook::Mode::Add);
    Show(TTels());
    edtTelNo->setFocus();
}

void TfrmTels::btnEditClick()
{
    SetButton(TelsBook::Mode::Edit);
    FBefore = Shown();
    edtCustTelNon->setFocus();
}

void TfrmTels::btnCancelClick()
{
    Show(FBefore);
    SetButton(TelsBook::Mode::Browse);
}

bool TfrmTels::btnOkClick()
{
    const TTels entry = TelsBook::Normalised(Shown());
    // An entry without a number would be a row nobody can call or find.
    if (entry.TelNo.isEmpty()) {
        MessageService::Warning(QStringLiteral("電話番号を入力してください。"));
        if (edtTelNo->isEnabled())
            edtTelNo->setFocus();
        return false;
    }
    TelsBook book(*dmCmn);
    if (book.OffersCustomer(entry)) {
        const MsgResult answer = MessageService::Show(MsgKind::Confirmation,
                                                      QStringLiteral("この電話帳データを顧客情報にも登録しますか？"),
                                                      MsgButtons::YesNoCancel);
        if (answer == MsgResult::Cancel)
            return false;
        if (answer == MsgResult::Yes)
            book.InsertCustomer(entry);
    }
    FChanged = true;
    book.Store(entry);
    Show(entry);
    SetButton(TelsBook::Mode::Browse);
    return true;
}

void TfrmTels::btnDeleteClick()
{
    if (MessageService::Ask(QStringLiteral("このデータを削除してもよろしいですか？"))) {
        FChanged = true;
        TelsBook(*dmCmn).Delete(edtTelNo->text());
        Show(TTels());
    }
    SetButton(TelsBook::Mode::Browse);
}

void TfrmTels::btnSearchClick()
{
    TfrmSearch search(SearchQuery::Tels, this);
    QStringList cells;
    if (search.exec() == QDialog::Accepted && search.SelectedRow(cells)) {
        TTels picked{cells.value(0), cells.value(1), cells.value(2), cells.value(3)};
        // The list does not carry the 要注意 flag: read it with the entry.
        TTels stored;
        if (dmCmn->GetTels(picked.TelNo, stored)) {
            picked.Caution = stored.Caution;
            picked.CautionNote = stored.CautionNote;
        }
        Show(picked);
    }
    SetButton(TelsBook::Mode::Browse);
}

void TfrmTels::btnLinkClick()
{
    TfrmSearch search(SearchQuery::Customers, this);
    QStringList cells;
    if (search.exec() != QDialog::Accepted || !search.SelectedRow(cells))
        return;
    edtCustTelNon->setText(cells.value(0));
    if ((edtCaller->text().isEmpty() && edtReadName->text().isEmpty()) ||
        MessageService::Ask(QStringLiteral("「名前」と「読み上げ名」も検索された顧客情報で上書きしてもよろしいですか？"))) {
        edtCaller->setText(cells.value(1) + QStringLiteral(" (子番号)"));
        edtReadName->setText(cells.value(2));
    }
}

void TfrmTels::btnTestClick()
{
    if (!GSpeakEnabled) {
        MessageService::Warning(QStringLiteral("音声読上げの設定されていません。環境設定画面で設定してください。"));
        return;
    }
    if (FMain && FMain->Speech())
        FMain->Speech()->SpeechTest(edtReadName->text());
}

void TfrmTels::closeEvent(QCloseEvent* event)
{
    if (btnOk->isEnabled() &&
        !MessageService::Ask(QStringLiteral("データが編集状態です。キャンセルして画面を閉じてもよろしいですか？"))) {
        event->ignore();
        return;
    }
    setProperty("closing", true);
    QDialog::closeEvent(event);
    setProperty("closing", false);
}

void TfrmTels::reject()
{
    // Esc cancels an edit first; otherwise it closes like the close box.
    if (btnCancel->isEnabled() && isVisible() && !property("closing").toBool()) {
        btnCancelClick();
        return;
    }
    QDialog::reject();
}
