#include "admin/TfrmUser.h"

#include "admin/UserMaster.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/MessageService.h"
#include "db/MasterKey.h"
#include "db/StorableText.h"
#include "db/TdmCmn.h"
#include "db/UserRules.h"
#include "ui/DialogKit.h"
#include "ui/MasterGrid.h"
#include "ui/MasterPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QString DateText(const QDate& d)
{
    return d.isValid() ? d.toString(QStringLiteral("yyyy/MM/dd")) : QString();
}

// A date picker with its check box: unchecked is null.
void SetPicker(QCheckBox* check, QDateEdit* picker, const QDate& d)
{
    picker->setDate(d.isValid() ? d : Clock::today());
    check->setChecked(d.isValid());
}

} // namespace

TfrmUser::TfrmUser(TdmCmn& dm, QWidget* parent) : QDialog(parent), FDm(dm)
{
    setObjectName(QStringLiteral("frmUser"));
    setWindowTitle(QStringLiteral("担当者登録"));
    setModal(true);

    sgdMain = new QTableWidget(this);
    sgdMain->setObjectName(QStringLiteral("sgdMain"));
    MasterGrid::Setup(sgdMain,
                      {QStringLiteral("ユーザID"), QStringLiteral("ユーザ名"), QStringLiteral("権限"),
                       QStringLiteral("表示順"), QStringLiteral("有効日"), QStringLiteral("無効日"),
                       QStringLiteral("削除日時"), QString(), QString()},
                      {75, 170, 60, 75, 90, 90, 130});
    sgdMain->setColumnHidden(colAuth, true);
    sgdMain->setColumnHidden(colPasswd, true);
    connect(sgdMain, &QTableWidget::cellClicked, this, [this](int row, int) { sgdMainClick(row); });

    edtUserId = NewMasterInput(this, "edtUserId", 8, false);
    edtUserName = NewMasterInput(this, "edtUserName", 20, true);
    edtPasswd = NewMasterInput(this, "edtPasswd", 8, false);
    edtPasswd->setEchoMode(QLineEdit::Password);
    cbxAuth = new QComboBox(this);
    cbxAuth->setObjectName(QStringLiteral("cbxAuth"));
    cbxAuth->addItems(UserMaster::AuthNames());
    edtListId = NewMasterInput(this, "edtListId", 8, false);
    auto makePicker = [this](const char* checkName, const char* pickerName, QCheckBox*& check, QDateEdit*& picker) {
        check = new QCheckBox(this);
        check->setObjectName(QLatin1String(checkName));
        picker = new QDateEdit(this);
        picker->setObjectName(QLatin1String(pickerName));
        picker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        picker->setCalendarPopup(true);
    };
    makePicker("chkFromDt", "dtpFromDt", chkFromDt, dtpFromDt);
    makePicker("chkToDt", "dtpToDt", chkToDt, dtpToDt);
    cbxDeleteView = new QCheckBox(QStringLiteral("削除データも表示する"), this);
    cbxDeleteView->setObjectName(QStringLiteral("cbxDeleteView"));
    connect(cbxDeleteView, &QCheckBox::clicked, this, [this] { cbxDeleteViewClick(); });

    btnInsert = NewButton(this, "btnInsert", QStringLiteral("登録(&E)"));
    btnDelete = NewButton(this, "btnDelete", QStringLiteral("削除(&D)"));
    btnClose = NewButton(this, "btnClose", QStringLiteral("閉じる(&X)"));
    connect(btnInsert, &QPushButton::clicked, this, [this] { btnInsertClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* inputs = new QGridLayout;
    const struct
    {
        const char* caption;
        QWidget* input;
        QWidget* extra;
    } rows[] = {{"ユーザID", edtUserId, nullptr},   {"ユーザ名", edtUserName, nullptr},
                {"パスワード", edtPasswd, nullptr}, {"権限", cbxAuth, nullptr},
                {"表示順", edtListId, nullptr},     {"有効日", chkFromDt, dtpFromDt},
                {"無効日", chkToDt, dtpToDt}};
    int r = 0;
    for (const auto& row : rows) {
        inputs->addWidget(new QLabel(QString::fromUtf8(row.caption), this), r, 0);
        if (row.extra) {
            auto* pair = new QHBoxLayout;
            pair->addWidget(row.input);
            pair->addWidget(row.extra);
            pair->addStretch();
            inputs->addLayout(pair, r, 1);
        } else {
            inputs->addWidget(row.input, r, 1);
        }
        ++r;
    }
    inputs->addWidget(cbxDeleteView, r, 1);
    inputs->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnInsert);
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sgdMain, 1);
    layout->addLayout(inputs);
    layout->addLayout(buttons);

    resize(740, 560);
    DialogKit::Apply(this);
}

void TfrmUser::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmUser::FormShow()
{
    MakeGrid();
}

void TfrmUser::MakeGrid()
{
    QList<QStringList> cells;
    QList<bool> deleted;
    for (const UserRow& row : UserMaster::List(FDm, cbxDeleteView->isChecked())) {
        const TUserInput& u = row.User;
        cells << QStringList{u.UserId,
                             u.UserName,
                             UserMaster::AuthName(u.Auth),
                             u.ListId,
                             DateText(u.FromDt),
                             DateText(u.ToDt),
                             MasterGrid::DateTimeText(row.DelDt),
                             QString::number(u.Auth),
                             u.Passwd};
        deleted << row.DelDt.isValid();
    }
    MasterGrid::Fill(sgdMain, cells, deleted);
    edtUserId->clear();
    edtUserName->clear();
    edtPasswd->clear();
    edtListId->clear();
    cbxAuth->setCurrentIndex(0);
    SetPicker(chkFromDt, dtpFromDt, QDate());
    SetPicker(chkToDt, dtpToDt, QDate());
    if (isVisible())
        edtUserId->setFocus();
}

void TfrmUser::sgdMainClick(int row)
{
    if (row < 0 || !sgdMain->item(row, colId))
        return;
    edtUserId->setText(MasterGrid::Text(sgdMain, row, colId));
    edtUserName->setText(MasterGrid::Text(sgdMain, row, colName));
    edtPasswd->setText(MasterGrid::Text(sgdMain, row, colPasswd));
    edtListId->setText(MasterGrid::Text(sgdMain, row, colListId));
    cbxAuth->setCurrentIndex(UserMaster::AuthIndexOf(MasterGrid::Text(sgdMain, row, colAuth).toInt()));
    const auto date = [&](int column) {
        return QDate::fromString(MasterGrid::Text(sgdMain, row, column), QStringLiteral("yyyy/MM/dd"));
    };
    SetPicker(chkFromDt, dtpFromDt, date(colFrom));
    SetPicker(chkToDt, dtpToDt, date(colTo));
}

void TfrmUser::cbxDeleteViewClick()
{
    MakeGrid();
}

TUserInput TfrmUser::Input() const
{
    TUserInput u;
    u.UserId = edtUserId->text();
    u.UserName = edtUserName->text();
    u.Passwd = edtPasswd->text();
    u.Auth = UserMaster::AuthCodeAt(cbxAuth->currentIndex());
    u.ListId = edtListId->text();
    u.FromDt = chkFromDt->isChecked() ? dtpFromDt->date() : QDate();
    u.ToDt = chkToDt->isChecked() ? dtpToDt->date() : QDate();
    return u;
}

void TfrmUser::btnInsertClick()
{
    WriteTraceLog(QStringLiteral("TfrmUser.btnInsertClick"));
    const TUserInput u = Input();
    const UserMaster::Refusal refusal = UserMaster::Validate(u);
    if (refusal.field != UserMaster::Field::None) {
        MessageService::Warning(refusal.message);
        QWidget* field = refusal.field == UserMaster::Field::UserId     ? static_cast<QWidget*>(edtUserId)
                         : refusal.field == UserMaster::Field::UserName ? static_cast<QWidget*>(edtUserName)
                                                                        : static_cast<QWidget*>(cbxAuth);
        field->setFocus();
        return;
    }
    CheckStorableText(QStringLiteral("ユーザID"), u.UserId);
    CheckStorableText(QStringLiteral("ユーザ名"), u.UserName);
    CheckStorableText(QStringLiteral("パスワード"), u.Passwd);
    CheckStorableText(QStringLiteral("表示順"), u.ListId);
    const MasterKey::Action action =
        MasterKey::Decide(MasterKey::FromDelState(FDm.GetDelState(QStringLiteral("USER_M"), QStringLiteral("USERID"),
                                                                  QuotedSql(u.UserId))));
    if (action == MasterKey::Action::Stop)
        return;
    const QDateTime now = Clock::now();
    const auto statement = [&](const QString& passwordLiteral) {
        return action == MasterKey::Action::Insert ? UserMaster::InsertSql(u, now, passwordLiteral)
                                                   : UserMaster::UpdateSql(u, now, passwordLiteral);
    };
    MasterKey::Execute(FDm, statement(QuotedSql(u.Passwd)), statement(UserRules::LoggedPassword()));
    MakeGrid();
    MasterGrid::SelectKey(sgdMain, colId, u.UserId);
}

void TfrmUser::btnDeleteClick()
{
    if (edtUserId->text().trimmed().isEmpty()) {
        MessageService::Warning(QStringLiteral("ユーザIDを入力してください。"));
        edtUserId->setFocus();
        return;
    }
    if (MessageService::Show(MsgKind::Confirmation, QStringLiteral("削除してよろしいですか？"), MsgButtons::OkCancel) !=
        MsgResult::Ok)
        return;
    MasterKey::Execute(FDm, UserMaster::DeleteSql(edtUserId->text(), Clock::now()));
    MakeGrid();
}
