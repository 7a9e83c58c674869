#include "logs/TfrmExport.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/ExportPrefs.h"
#include "core/MessageService.h"
#include "core/StartupSettings.h"
#include "core/StopRequest.h"
#include "db/TdmCmn.h"
#include "logs/DataExporter.h"
#include "ui/DialogKit.h"
#include "ui/FileDialogs.h"
#include "ui/ZuvaroApplication.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

QDateEdit* dateEdit(const char* name)
{
    auto* d = named(new QDateEdit(Clock::today()), name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    return d;
}

const QString kCrlfCaption = QStringLiteral("CSV（カンマ区切り）ファイルのメモの改行は削除する");

} // namespace

TfrmExport::TfrmExport(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("データ出力"));
    ChooseFile = [this](const QString& path, int type) { return DefaultChooser(path, type); };

    PageControl1 = named(new QTabWidget, "PageControl1");
    auto page = [this](QWidget*& tab, const char* name, const QString& caption, QDateEdit** from, QDateEdit** to,
                       QLineEdit*& path, QPushButton*& ref, QCheckBox** crlf, const char* fromName,
                       const char* toName, const char* pathName, const char* refName, const char* crlfName) {
        tab = named(new QWidget, name);
        auto* grid = new QGridLayout(tab);
        int row = 0;
        if (from) {
            *from = dateEdit(fromName);
            *to = dateEdit(toName);
            auto* period = new QHBoxLayout;
            period->addWidget(*from);
            period->addWidget(new QLabel(QStringLiteral("～")));
            period->addWidget(*to);
            period->addStretch();
            grid->addWidget(new QLabel(QStringLiteral("期間")), row, 0);
            grid->addLayout(period, row++, 1, 1, 2);
        }
        path = named(new QLineEdit, pathName);
        ref = named(new QPushButton(QStringLiteral("参照...")), refName);
        ref->setAutoDefault(false);
        grid->addWidget(new QLabel(QStringLiteral("出力先")), row, 0);
        grid->addWidget(path, row, 1);
        grid->addWidget(ref, row++, 2);
        if (crlf) {
            *crlf = named(new QCheckBox(kCrlfCaption), crlfName);
            grid->addWidget(*crlf, row++, 1, 1, 2);
        }
        grid->setRowStretch(row, 1);
        PageControl1->addTab(tab, caption);
    };
    page(tabLog, "tabLog", QStringLiteral("電話履歴"), &dtpLogFrom, &dtpLogTo, edtLogPath, btnLogRef, &chkLogCrlf,
         "dtpLogFrom", "dtpLogTo", "edtLogPath", "btnLogRef", "chkLogCrlf");
    page(tabAccept, "tabAccept", QStringLiteral("対応履歴"), &dtpActFrom, &dtpActTo, edtActPath, btnActRef,
         &chkActCrlf, "dtpActFrom", "dtpActTo", "edtActPath", "btnActRef", "chkActCrlf");
    page(tabCust, "tabCust", QStringLiteral("顧客リスト"), nullptr, nullptr, edtCustPath, btnCustRef, &chkCustCrlf,
         nullptr, nullptr, "edtCustPath", "btnCustRef", "chkCustCrlf");
    page(tabTels, "tabTels", QStringLiteral("電話帳リスト"), nullptr, nullptr, edtTelsPath, btnTelsRef, nullptr,
         nullptr, nullptr, "edtTelsPath", "btnTelsRef", nullptr);
    // The response tab exists only with the response feature.
    if (!GUseAccept)
        PageControl1->removeTab(PageControl1->indexOf(tabAccept));

    pgbExport = named(new QProgressBar, "pgbExport");
    pgbExport->setVisible(false);
    btnExport = named(new QPushButton(QStringLiteral("出力(&E)")), "btnExport");
    btnExport->setDefault(true);
    btnClose = named(new QPushButton(QStringLiteral("閉じる(&X)")), "btnClose");
    btnClose->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(pgbExport, 1);
    buttons->addStretch();
    buttons->addWidget(btnExport);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    edtLogPath->setText(gExportPrefs.ExpPath);
    edtActPath->setText(gExportPrefs.ExpTaiPath);
    edtCustPath->setText(gExportPrefs.ExpCustPath);
    edtTelsPath->setText(gExportPrefs.ExpTelsPath);
    chkLogCrlf->setChecked(gExportPrefs.DelCrlfTel);
    chkActCrlf->setChecked(gExportPrefs.DelCrlfTai);
    chkCustCrlf->setChecked(gExportPrefs.DelCrlfCust);

    connect(btnExport, &QPushButton::clicked, this, &TfrmExport::btnExportClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmExport::close);
    connect(btnLogRef, &QPushButton::clicked, this, [this]() { btnRefClick(ExportKind::Calls); });
    connect(btnActRef, &QPushButton::clicked, this, [this]() { btnRefClick(ExportKind::Responses); });
    connect(btnCustRef, &QPushButton::clicked, this, [this]() { btnRefClick(ExportKind::Customers); });
    connect(btnTelsRef, &QPushButton::clicked, this, [this]() { btnRefClick(ExportKind::PhoneBook); });

    resize(560, 260);
    DialogKit::Apply(this);
    PageControl1->setCurrentIndex(0);
}

TfrmExport::~TfrmExport()
{
    gExportPrefs.DelCrlfTel = chkLogCrlf->isChecked();
    gExportPrefs.DelCrlfTai = chkActCrlf->isChecked();
    gExportPrefs.DelCrlfCust = chkCustCrlf->isChecked();
}

void TfrmExport::SetDay(const QDate& day)
{
    for (QDateEdit* d : {dtpLogFrom, dtpLogTo, dtpActFrom, dtpActTo})
        d->setDate(day);
}

ExportKind TfrmExport::ActiveKind() const
{
    QWidget* tab = PageControl1->currentWidget();
    if (tab == tabAccept)
        return ExportKind::Responses;
    if (tab == tabCust)
        return ExportKind::Customers;
    if (tab == tabTels)
        return ExportKind::PhoneBook;
    return ExportKind::Calls;
}

QLineEdit* TfrmExport::PathEdit(ExportKind kind) const
{
    switch (kind) {
    case ExportKind::Responses:
        return edtActPath;
    case ExportKind::Customers:
        return edtCustPath;
    case ExportKind::PhoneBook:
        return edtTelsPath;
    case ExportKind::Calls:
        break;
    }
    return edtLogPath;
}

QString TfrmExport::DefaultChooser(const QString& path, int fileType)
{
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList types = ExportRules::FileTypes();
    dialog.setNameFilters(types);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (!path.isEmpty()) {
        dialog.setDirectory(QFileInfo(path).absolutePath());
        dialog.selectFile(QFileInfo(path).fileName());
    } else {
        dialog.setDirectory(FileDialogs::StartFolder());
    }
    dialog.selectNameFilter(types.value(fileType));
    // Changing the file type changes the extension of the name typed so far.
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, types](const QString& filter) {
        const int type = int(types.indexOf(filter));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name && !name->text().isEmpty())
            name->setText(ExportRules::WithFileType(name->text(), type));
        dialog.setDefaultSuffix(ExportRules::WithFileType(QStringLiteral("x"), type).mid(2));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    FileDialogs::Remember(dialog.selectedFiles().first());
    return dialog.selectedFiles().first();
}

void TfrmExport::btnRefClick(ExportKind kind)
{
    QLineEdit* edit = PathEdit(kind);
    const QString chosen = ChooseFile(edit->text(), ExportRules::FileTypeOf(edit->text()));
    if (chosen.isEmpty())
        return;
    edit->setText(chosen);
    // Only a path chosen here is remembered; a typed one is used but not kept.
    switch (kind) {
    case ExportKind::Calls:
        gExportPrefs.ExpPath = chosen;
        break;
    case ExportKind::Responses:
        gExportPrefs.ExpTaiPath = chosen;
        break;
    case ExportKind::Customers:
        gExportPrefs.ExpCustPath = chosen;
        break;
    case ExportKind::PhoneBook:
        gExportPrefs.ExpTelsPath = chosen;
        break;
    }
}

void TfrmExport::btnExportClick()
{
    if (FExporting)
        return;
    WriteTraceLog(QStringLiteral("TfrmExport.btnExportClick begin"));
    const ExportKind kind = ActiveKind();
    ExportRequest request;
    request.kind = kind;
    request.path = PathEdit(kind)->text();
    if (kind == ExportKind::Calls) {
        request.first = dtpLogFrom->date();
        request.last = dtpLogTo->date();
        request.removeLineBreaks = chkLogCrlf->isChecked();
    } else if (kind == ExportKind::Responses) {
        request.first = dtpActFrom->date();
        request.last = dtpActTo->date();
        request.removeLineBreaks = chkActCrlf->isChecked();
    } else if (kind == ExportKind::Customers) {
        request.removeLineBreaks = chkCustCrlf->isChecked();
    }

    FExporting = true;
    FStopRequested = false;
    btnExport->setEnabled(false);
    btnClose->setEnabled(false);
    pgbExport->setRange(0, 1);
    pgbExport->setValue(0);
    pgbExport->setVisible(true);

    DataExporter exporter(dmCmn->IBDatabase1);
    exporter.setCounted([this](qint64 total) { pgbExport->setRange(0, int(qMax<qint64>(total, 1))); });
    // The bar and the window are brought up to date every few hundredths of a second rather
    // than after every record: the same for the eye, and a long export does not spend its
    // time repainting.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    exporter.setProgress([this, &sinceEvents](qint64 done) {
        if (sinceEvents.elapsed() >= 30) {
            pgbExport->setValue(int(done));
            QCoreApplication::processEvents();
            sinceEvents.restart();
        }
        // The program being stopped ends the export at the next record: the old file stays.
        return !FStopRequested && !StopRequest::Requested();
    });

    DataExporter::Outcome outcome = DataExporter::Stopped;
    try {
        outcome = exporter.Run(request);
    } catch (const AppError& e) {
        Finish();
        ZuvaroApplication::HandleException(e);
        if (FCloseRequested)
            QTimer::singleShot(0, this, &TfrmExport::reject);
        return;
    }
    Finish();
    if (outcome == DataExporter::PathRejected)
        PathEdit(kind)->setFocus();
    else if (outcome == DataExporter::Done)
        MessageService::Information(DataExporter::DoneMessage());
    WriteTraceLog(QStringLiteral("TfrmExport.btnExportClick end"));
    if (FCloseRequested)
        QTimer::singleShot(0, this, &TfrmExport::reject);
}

void TfrmExport::Finish()
{
    FExporting = false;
    btnExport->setEnabled(true);
    btnClose->setEnabled(true);
    pgbExport->setVisible(false);
}

void TfrmExport::StopExport()
{
    FStopRequested = true;
    reject();
}

// While an export runs, the dialog stays: closing is done once the export has ended, so
// nothing it uses goes away under it.
void TfrmExport::reject()
{
    if (FExporting) {
        FCloseRequested = true;
        return;
    }
    QDialog::reject();
}

void TfrmExport::closeEvent(QCloseEvent* event)
{
    if (FExporting) {
        FCloseRequested = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
