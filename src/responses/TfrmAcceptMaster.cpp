#include "responses/TfrmAcceptMaster.h"

#include "core/Clock.h"
#include "core/DiagLog.h"
#include "db/TdmCmn.h"
#include "ui/DialogKit.h"
#include "ui/MasterPanel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TfrmAcceptMaster::TfrmAcceptMaster(const AcceptMasterDef& def, TdmCmn& dm, QWidget* parent)
    : QDialog(parent), FMaster(def), FDm(dm)
{
    setObjectName(def.FormName);
    setWindowTitle(def.Caption);
    setModal(true);

    pnlMaster = new MasterPanel({def.IdLabel, def.IdMessage, def.NameLabel, def.NameMessage}, this);
    btnClose = new QPushButton(QStringLiteral("閉じる(&X)"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAutoDefault(false);
    connect(pnlMaster->cbxDeleteView, &QCheckBox::clicked, this, [this] { cbxDeleteViewClick(); });
    connect(pnlMaster->btnInsert, &QPushButton::clicked, this, [this] { btnInsertClick(); });
    connect(pnlMaster->btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pnlMaster, 1);
    layout->addLayout(bottom);

    resize(460, 420);
    DialogKit::Apply(this);
}

void TfrmAcceptMaster::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmAcceptMaster::FormShow()
{
    MakeGrid();
}

void TfrmAcceptMaster::MakeGrid()
{
    pnlMaster->ShowRows(FMaster.List(FDm, pnlMaster->cbxDeleteView->isChecked()));
}

void TfrmAcceptMaster::sgdMainClick(int row)
{
    pnlMaster->sgdMainClick(row);
}

void TfrmAcceptMaster::cbxDeleteViewClick()
{
    MakeGrid();
}

void TfrmAcceptMaster::btnInsertClick()
{
    WriteTraceLog(FMaster.Def().InsertLogLine);
    pnlMaster->Register(
        FDm, [this](const QString& id) { return FMaster.DelState(FDm, id); },
        [this](MasterKey::Action action, const QString& id, const QString& name, const QString& listId) {
            return action == MasterKey::Action::Insert ? FMaster.InsertSql(id, name, listId)
                                                       : FMaster.UpdateSql(id, name, listId);
        },
        [this] { MakeGrid(); });
}

void TfrmAcceptMaster::btnDeleteClick()
{
    pnlMaster->Delete(
        FDm, [this](const QString& id) { return FMaster.DeleteSql(id, Clock::now()); }, [this] { MakeGrid(); });
}
