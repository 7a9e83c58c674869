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

TfrmPrint::TfrmPrint(const BandReport& report, QWidget* parent)
    : TfrmPrint(TPrintDocument{report.Layout().JobTitle, report.Layout().PageLayout(),
                               [&report](QPagedPaintDevice& device) { return report.Print(device); },
                               [&report](const QString& file) { return report.WritePdf(file); },
                               report.Rows().IsEmpty()},
                parent)
{
}

TfrmPrint::TfrmPrint(TPrintDocument document, QWidget* parent) : QPrintPreviewDialog(parent), FDoc(std::move(document))
{
    setObjectName(QStringLiteral("frmPrint"));
    printer()->setDocName(FDoc.JobTitle);
    printer()->setPageLayout(FDoc.PageLayout);
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    connect(this, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { FPagesDrawn = FDoc.Print(*printer); });

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
    const QString suggested = FileDialogs::StartPath(FDoc.JobTitle + QStringLiteral(".pdf"));
    const QString file = pathChooser()(this, suggested);
    if (file.isEmpty())
        return;
    WriteTraceLog(QStringLiteral("TfrmPrint.btnPdfClick file=") + file);
    if (FDoc.Empty)
        return;
    if (FDoc.WritePdf(file) == 0)
        MessageService::Error(QStringLiteral("PDFファイルを保存できませんでした。\n") + file);
}
