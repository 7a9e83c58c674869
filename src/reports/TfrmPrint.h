#pragma once

#include <QPrintPreviewDialog>

#include <QPageLayout>

#include <functional>

class BandReport;
class QPagedPaintDevice;

// What the preview shows: a report of bands or a chart.
struct TPrintDocument
{
    QString JobTitle;
    QPageLayout PageLayout;
    std::function<int(QPagedPaintDevice& device)> Print; // returns the pages drawn
    std::function<int(const QString& file)> WritePdf;    // returns the pages, 0 when not written
    bool Empty = false;                                  // nothing to save
};

// "印刷プレビュー": the print preview of one report, printed from here on any printer the
// system knows, or saved as a PDF file with the "PDF" button.
class TfrmPrint : public QPrintPreviewDialog
{
    Q_OBJECT
public:
    TfrmPrint(const BandReport& report, QWidget* parent = nullptr);
    TfrmPrint(TPrintDocument document, QWidget* parent = nullptr);

    // Asks where to save the PDF; an empty answer cancels. Replaceable for tests.
    using PathChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    static void SetPdfPathChooser(PathChooser chooser);

    void btnPdfClick();
    // Pages drawn by the last paint request of the preview.
    int PagesDrawn() const { return FPagesDrawn; }

    QAction* btnPdf;

private:
    TPrintDocument FDoc;
    int FPagesDrawn = 0;
};
