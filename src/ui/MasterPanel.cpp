#include "ui/MasterPanel.h"

#include "core/MessageService.h"
#include "db/StorableText.h"
#include "ui/DialogKit.h"
#include "ui/MasterGrid.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

QLineEdit* NewMasterInput(QWidget* parent, const char* name, int maxBytes, bool japanese)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setAttribute(Qt::WA_InputMethodEnabled, japanese);
    DialogKit::LimitBytes(e, maxBytes);
    return e;
}

MasterPanel::MasterPanel(const Texts& texts, QWidget* parent) : QWidget(parent), FTexts(texts)
{
    setObjectName(QStringLiteral("pnlMaster"));
    sgdMain = new QTableWidget(this);
    sgdMain->setObjectName(QStringLiteral("sgdMain"));
    MasterGrid::Setup(sgdMain, {QStringLiteral("ID"), QStringLiteral("名称"), QStringLiteral("表示順"),
                                QStringLiteral("削除日時")},
                      {50, 170, 60, 130});
    connect(sgdMain, &QTableWidget::cellClicked, this, [this](int row, int) { sgdMainClick(row); });

    edtId = NewMasterInput(this, "edtId", 4, false);
    edtName = NewMasterInput(this, "edtName", 20, true);
    edtListId = NewMasterInput(this, "edtListId", 4, false);
    cbxDeleteView = new QCheckBox(QStringLiteral("削除データも表示する"), this);
    cbxDeleteView->setObjectName(QStringLiteral("cbxDeleteView"));
    btnInsert = new QPushButton(QStringLiteral("登録(&E)"), this);
    btnInsert->setObjectName(QStringLiteral("btnInsert"));
    btnInsert->setAutoDefault(false);
    btnDelete = new QPushButton(QStringLiteral("削除(&D)"), this);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnDelete->setAutoDefault(false);

    auto* inputs = new QGridLayout;
    inputs->addWidget(new QLabel(texts.IdLabel, this), 0, 0);
    inputs->addWidget(edtId, 0, 1);
    inputs->addWidget(new QLabel(texts.NameLabel, this), 1, 0);
    inputs->addWidget(edtName, 1, 1);
    inputs->addWidget(new QLabel(QStringLiteral("表示順"), this), 2, 0);
    inputs->addWidget(edtListId, 2, 1);
    inputs->addWidget(cbxDeleteView, 3, 1);
    inputs->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnInsert);
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sgdMain, 1);
    layout->addLayout(inputs);
    layout->addLayout(buttons);
}

void MasterPanel::ShowRows(const QList<MasterRow>& rows)
{
    QList<QStringList> cells;
    QList<bool> deleted;
    for (const MasterRow& row : rows) {
        cells << QStringList{row.Id, row.Name, row.ListId, MasterGrid::DateTimeText(row.DelDt)};
        deleted << row.Deleted();
    }
    MasterGrid::Fill(sgdMain, cells, deleted);
    edtId->clear();
    edtName->clear();
    edtListId->clear();
    if (edtId->isVisible())
        edtId->setFocus();
}

void MasterPanel::sgdMainClick(int row)
{
    if (row < 0 || !sgdMain->item(row, 0))
        return;
    edtId->setText(MasterGrid::Text(sgdMain, row, 0));
    edtName->setText(MasterGrid::Text(sgdMain, row, 1));
    edtListId->setText(MasterGrid::Text(sgdMain, row, 2));
}

bool MasterPanel::CheckId()
{
    if (!edtId->text().trimmed().isEmpty())
        return true;
    MessageService::Warning(FTexts.IdMessage);
    edtId->setFocus();
    return false;
}

void MasterPanel::Register(TdmCmn& dm, const std::function<int(const QString&)>& keyState,
                           const std::function<QString(MasterKey::Action, const QString&, const QString&,
                                                       const QString&)>& statement,
                           const std::function<void()>& relist)
{
    if (!CheckId())
        return;
    if (edtName->text().trimmed().isEmpty()) {
        MessageService::Warning(FTexts.NameMessage);
        edtName->setFocus();
        return;
    }
    // Stored as typed, not trimmed.
    const QString id = edtId->text();
    const QString name = edtName->text();
    const QString listId = edtListId->text();
    CheckStorableText(FTexts.IdLabel, id);
    CheckStorableText(FTexts.NameLabel, name);
    CheckStorableText(QStringLiteral("表示順"), listId);
    const MasterKey::Action action = MasterKey::Decide(MasterKey::FromDelState(keyState(id)));
    if (action == MasterKey::Action::Stop)
        return;
    MasterKey::Execute(dm, statement(action, id, name, listId));
    relist();
    MasterGrid::SelectKey(sgdMain, 0, id);
}

void MasterPanel::Delete(TdmCmn& dm, const std::function<QString(const QString&)>& statement,
                         const std::function<void()>& relist)
{
    if (!CheckId())
        return;
    if (MessageService::Show(MsgKind::Confirmation, QStringLiteral("削除してよろしいですか？"), MsgButtons::OkCancel) !=
        MsgResult::Ok)
        return;
    MasterKey::Execute(dm, statement(edtId->text()));
    relist();
}
