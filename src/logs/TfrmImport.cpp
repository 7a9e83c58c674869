#include "logs/TfrmImport.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/TdmCmn.h"
#include "ui/FileDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
template <typename T>
T* named(T* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QString layoutText(const ImportPlan& plan)
{
    switch (plan.layout) {
    case ImportPlan::Layout::OwnCustomers:
        return QStringLiteral("このプログラムの顧客リスト（そのまま取り込みます）");
    case ImportPlan::Layout::OwnPhoneBook:
        return QStringLiteral("このプログラムの電話帳リスト（そのまま取り込みます）");
    case ImportPlan::Layout::VCard:
        return QStringLiteral("vCard（連絡先）");
    case ImportPlan::Layout::Mapped:
        break;
    }
    return QStringLiteral("見出し付きの CSV（各列の取込先を選んでください）");
}
} // namespace

TfrmImport::TfrmImport(TdmCmn& dm, QWidget* parent) : QDialog(parent), FDm(dm), FPlanner(dm)
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("データ取込"));
    auto* v = new QVBoxLayout(this);

    auto* source = new QGridLayout;
    rbCustomers = named(new QRadioButton(QStringLiteral("顧客")), "rbCustomers");
    rbTels = named(new QRadioButton(QStringLiteral("電話帳")), "rbTels");
    rbCustomers->setChecked(true);
    auto* targets = new QHBoxLayout;
    targets->addWidget(rbCustomers);
    targets->addWidget(rbTels);
    targets->addStretch();
    source->addWidget(new QLabel(QStringLiteral("取込先")), 0, 0);
    source->addLayout(targets, 0, 1, 1, 3);
    edtPath = named(new QLineEdit, "edtPath");
    btnRef = named(new QPushButton(QStringLiteral("参照...")), "btnRef");
    btnLoad = named(new QPushButton(QStringLiteral("読込")), "btnLoad");
    source->addWidget(new QLabel(QStringLiteral("ファイル")), 1, 0);
    source->addWidget(edtPath, 1, 1);
    source->addWidget(btnRef, 1, 2);
    source->addWidget(btnLoad, 1, 3);
    lblSource = named(new QLabel, "lblSource");
    source->addWidget(lblSource, 2, 1, 1, 3);
    v->addLayout(source);

    sgdMapping = named(new QTableWidget, "sgdMapping");
    sgdMapping->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdMapping->verticalHeader()->setVisible(false);
    v->addWidget(sgdMapping, 3);

    auto* options = new QHBoxLayout;
    options->addWidget(new QLabel(QStringLiteral("登録済みの番号")));
    cbxDuplicate = named(new QComboBox, "cbxDuplicate");
    cbxDuplicate->addItems({QStringLiteral("取り込まない"), QStringLiteral("空欄だけ補う"), QStringLiteral("置き換える")});
    options->addWidget(cbxDuplicate);
    chkCut = named(new QCheckBox(QStringLiteral("長すぎる項目は切り詰めて取り込む")), "chkCut");
    options->addWidget(chkCut);
    options->addStretch();
    btnPlan = named(new QPushButton(QStringLiteral("確認")), "btnPlan");
    options->addWidget(btnPlan);
    v->addLayout(options);

    lblSummary = named(new QLabel, "lblSummary");
    v->addWidget(lblSummary);
    lstNotes = named(new QListWidget, "lstNotes");
    v->addWidget(lstNotes, 2);

    auto* bottom = new QHBoxLayout;
    pgbImport = named(new QProgressBar, "pgbImport");
    lblSpeed = named(new QLabel, "lblSpeed");
    btnImport = named(new QPushButton(QStringLiteral("取込")), "btnImport");
    btnStop = named(new QPushButton(QStringLiteral("中止")), "btnStop");
    btnClose = named(new QPushButton(QStringLiteral("閉じる")), "btnClose");
    bottom->addWidget(pgbImport, 1);
    bottom->addWidget(lblSpeed);
    bottom->addWidget(btnImport);
    bottom->addWidget(btnStop);
    bottom->addWidget(btnClose);
    v->addLayout(bottom);
    btnImport->setEnabled(false);
    btnStop->setEnabled(false);
    btnPlan->setEnabled(false);

    ChooseFile = [this](const QString& path) {
        return QFileDialog::getOpenFileName(this, QStringLiteral("データ取込"),
                                            path.isEmpty() ? FileDialogs::StartFolder() : QFileInfo(path).absolutePath(),
                                            QStringLiteral("CSV / vCard (*.csv *.txt *.tsv *.vcf);;すべてのファイル (*)"),
                                            nullptr, QFileDialog::DontUseNativeDialog);
    };
    connect(btnRef, &QPushButton::clicked, this, [this]() {
        const QString path = ChooseFile(edtPath->text());
        if (!path.isEmpty()) {
            edtPath->setText(path);
            btnLoadClick();
        }
    });
    connect(btnLoad, &QPushButton::clicked, this, &TfrmImport::btnLoadClick);
    connect(btnPlan, &QPushButton::clicked, this, &TfrmImport::btnPlanClick);
    connect(btnImport, &QPushButton::clicked, this, &TfrmImport::btnImportClick);
    connect(btnStop, &QPushButton::clicked, this, [this]() { FStopRequested = true; });
    connect(btnClose, &QPushButton::clicked, this, &TfrmImport::reject);
    // Any change of what is planned asks for a new plan before the import.
    auto stale = [this]() {
        FPlanned = false;
        btnImport->setEnabled(false);
    };
    connect(cbxDuplicate, &QComboBox::currentIndexChanged, this, stale);
    connect(chkCut, &QCheckBox::toggled, this, stale);
    connect(rbCustomers, &QRadioButton::toggled, this, [this, stale]() {
        stale();
        FLoaded = false;
        btnPlan->setEnabled(false);
    });
    resize(1000, 680);
    setMinimumSize(760, 520);
}

TfrmImport::~TfrmImport() = default;

ImportTarget TfrmImport::Target() const
{
    return rbTels->isChecked() ? ImportTarget::PhoneBook : ImportTarget::Customers;
}

ImportOptions TfrmImport::Options() const
{
    ImportOptions o;
    o.target = Target();
    o.onDuplicate = OnDuplicate(cbxDuplicate->currentIndex());
    o.allowCut = chkCut->isChecked();
    o.kanaType = GKanaType;
    return o;
}

ImportMapping TfrmImport::Mapping() const
{
    ImportMapping m;
    for (int c = 0; c < sgdMapping->columnCount(); ++c) {
        auto* box = qobject_cast<QComboBox*>(sgdMapping->cellWidget(0, c));
        m.fields << (box ? ImportField(box->currentData().toInt()) : ImportField::None);
    }
    return m;
}

void TfrmImport::ShowMapping()
{
    const ImportPlan& plan = FPlanner.plan();
    const bool mapped = plan.layout == ImportPlan::Layout::Mapped;
    const QStringList& header = FPlanner.header();
    sgdMapping->clear();
    sgdMapping->setColumnCount(int(header.size()));
    sgdMapping->setHorizontalHeaderLabels(header);
    sgdMapping->setRowCount(int(plan.preview.size()) + (mapped ? 1 : 0));
    const int first = mapped ? 1 : 0;
    if (mapped) {
        const ImportMapping remembered = ImportMappings::Recall(header);
        QList<ImportField> choices = ImportFields::CustomerChoices();
        if (Target() == ImportTarget::PhoneBook)
            choices = {ImportField::None, ImportField::TelNo, ImportField::CustKey, ImportField::Caller, ImportField::ReadName};
        for (int c = 0; c < int(header.size()); ++c) {
            auto* box = new QComboBox;
            box->setObjectName(QStringLiteral("cbxField%1").arg(c + 1));
            for (ImportField f : choices)
                box->addItem(ImportFields::Caption(f), int(f));
            const int at = box->findData(int(remembered.fields.value(c)));
            box->setCurrentIndex(at < 0 ? 0 : at);
            connect(box, &QComboBox::currentIndexChanged, this, [this]() {
                FPlanned = false;
                btnImport->setEnabled(false);
            });
            sgdMapping->setCellWidget(0, c, box);
        }
    }
    for (int r = 0; r < int(plan.preview.size()); ++r)
        for (int c = 0; c < int(header.size()); ++c)
            sgdMapping->setItem(r + first, c, new QTableWidgetItem(plan.preview.at(r).value(c)));
    sgdMapping->resizeColumnsToContents();
}

void TfrmImport::btnLoadClick()
{
    WriteTraceLog(QStringLiteral("TfrmImport.btnLoadClick path=") + edtPath->text());
    FPlanned = false;
    btnImport->setEnabled(false);
    lstNotes->clear();
    lblSummary->clear();
    FLoaded = FPlanner.Load(edtPath->text(), Target());
    const ImportPlan& plan = FPlanner.plan();
    if (!FLoaded) {
        sgdMapping->clear();
        sgdMapping->setRowCount(0);
        sgdMapping->setColumnCount(0);
        lblSource->clear();
        btnPlan->setEnabled(false);
        MessageService::Warning(plan.problem);
        return;
    }
    lblSource->setText(layoutText(plan) + QStringLiteral("　文字コード: ") + plan.encoding);
    ShowMapping();
    btnPlan->setEnabled(true);
    // The program's own files and vCards need no choices: their plan is shown at once.
    if (plan.layout != ImportPlan::Layout::Mapped)
        btnPlanClick();
}

void TfrmImport::btnPlanClick()
{
    if (!FLoaded)
        return;
    const ImportPlan& plan = FPlanner.Plan(Options(), Mapping());
    lstNotes->clear();
    if (!plan.problem.isEmpty()) {
        lblSummary->setText(plan.problem);
        MessageService::Warning(plan.problem);
        return;
    }
    lblSummary->setText(plan.Summary());
    for (const ImportNote& n : plan.notes)
        lstNotes->addItem(n.Text());
    FPlanned = true;
    btnImport->setEnabled(plan.toWrite() > 0);
}

void TfrmImport::btnImportClick()
{
    if (!FPlanned || FImporting)
        return;
    const ImportPlan& plan = FPlanner.plan();
    const QString question = QStringLiteral("%1\r\n取り込む前にデータベースのバックアップを作成します。取り込んでよろしいですか？")
                                 .arg(plan.Summary());
    if (MessageService::Show(MsgKind::Confirmation, question, MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    if (plan.layout == ImportPlan::Layout::Mapped)
        ImportMappings::Remember(FPlanner.header(), Mapping());
    ImportWriter writer(FDm);
    writer.setBackup(GTelDbPath, GAutoBackupPath, GBackupGenerations);
    writer.setProgress([this](int done, int total, double perSecond) {
        pgbImport->setMaximum(total);
        pgbImport->setValue(done);
        lblSpeed->setText(QStringLiteral("%1 件/秒").arg(qRound(perSecond)));
        QCoreApplication::processEvents();
        return !FStopRequested && !StopRequest::Requested();
    });
    SetBusy(true);
    ImportWriter::Outcome out = ImportWriter::Failed;
    try {
        out = writer.Write(plan, Target());
    } catch (...) {
        SetBusy(false);
        throw;
    }
    SetBusy(false);
    switch (out) {
    case ImportWriter::Done:
        FPlanned = false;
        btnImport->setEnabled(false);
        emit imported();
        MessageService::Information(QStringLiteral("取込完了しました。%1 件").arg(writer.written()));
        break;
    case ImportWriter::Stopped:
        MessageService::Information(QStringLiteral("取込を中止しました。データベースは取込前のままです。"));
        break;
    case ImportWriter::Nothing:
        break;
    case ImportWriter::BackupFailed:
        MessageService::Error(QStringLiteral("バックアップを作成できなかったため、取り込みませんでした。\r\n") + writer.failure());
        break;
    case ImportWriter::Failed:
        MessageService::Error(QStringLiteral("取込に失敗しました。データベースは取込前のままです。\r\n") + writer.failure());
        break;
    }
    // The program is stopping: the dialog goes with it.
    if (out == ImportWriter::Stopped && StopRequest::Requested())
        QDialog::reject();
}

void TfrmImport::SetBusy(bool busy)
{
    FImporting = busy;
    FStopRequested = false;
    for (QWidget* w : std::initializer_list<QWidget*>{btnRef, btnLoad, btnPlan, btnImport, btnClose, cbxDuplicate, chkCut,
                                                      rbCustomers, rbTels, edtPath, sgdMapping})
        w->setEnabled(!busy);
    btnStop->setEnabled(busy);
    if (!busy)
        btnImport->setEnabled(FPlanned && FPlanner.plan().toWrite() > 0);
}

void TfrmImport::StopImport()
{
    FStopRequested = true;
    if (!FImporting)
        QDialog::reject();
}

void TfrmImport::reject()
{
    // Closing while rows are written stops the import first; the dialog closes after it.
    if (FImporting) {
        FStopRequested = true;
        return;
    }
    QDialog::reject();
}
