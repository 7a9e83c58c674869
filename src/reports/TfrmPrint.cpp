#include "reports/TfrmPrint.h"

#include "core/AppGlobals.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "reports/BandReport.h"
#include "ui/FileDialogs.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPrinter>
#include <QToolBar>

namespace {

TfrmPrint::PathChooser& pathChooser()
{
    static TfrmPrint::PathChooser chooser = [](QWidget* parent, const QString& suggested) {
        return FileDialogs::SaveFile(parent, QStringLiteral("PDFファイルに保存"), QFileInfo(suggested).fileName(),
                                     QStringLiteral("PDF (*.pdf)"));
    };
    return chooser;
}

} // namespace

void TfrmPrint::SetPdfPathChooser(PathChooser chooser)
{
    pathChooser() = std::move(chooser);
}

TfrmPrint::TfrmPrint(const BandReport& report, QWidget* parent) : QPrintPreviewDialog(parent), FReport(report)
{
    setObjectName(QStringLiteral("frmPrint"));
    printer()->setDocName(report.Layout().JobTitle);
    printer()->setPageLayout(report.Layout().PageLayout());
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    connect(this, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { FPagesDrawn = FReport.Print(*printer); });

    btnPdf = new QAction(QStringLiteral("PDF"), this);
    btnPdf->setObjectName(QStringLiteral("btnPdf"));
    btnPdf->setToolTip(QStringLiteral("PDFファイルに保存"));
    connect(btnPdf, &QAction::triggered, this, [this] { btnPdfClick(); });
    if (auto* bar = findChild<QToolBar*>())
        bar->addAction(btnPdf);
    resize(900, 700);
}

void TfrmPrint::btnPdfClick()
{
    const QString suggested = FileDialogs::StartPath(FReport.Layout().JobTitle + QStringLiteral(".pdf"));
    const QString file = pathChooser()(this, suggested);
    if (file.isEmpty())
        return;
    WriteTraceLog(QStringLiteral("TfrmPrint.btnPdfClick file=") + file);
    if (FReport.Rows().IsEmpty())
        return;
    if (FReport.WritePdf(file) == 0)
        MessageService::Error(QStringLiteral("PDFファイルを保存できませんでした。\n") + file);
}
