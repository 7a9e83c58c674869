#pragma once

#include <QPrintPreviewDialog>

#include <functional>

class BandReport;

// "印刷プレビュー": the print preview of one report, printed from here on any printer the
// system knows, or saved as a PDF file with the "PDF" button.
class TfrmPrint : public QPrintPreviewDialog
{
    Q_OBJECT
public:
    TfrmPrint(const BandReport& report, QWidget* parent = nullptr);

    // Asks where to save the PDF; an empty answer cancels. Replaceable for tests.
    using PathChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    static void SetPdfPathChooser(PathChooser chooser);

    void btnPdfClick();
    // Pages drawn by the last paint request of the preview.
    int PagesDrawn() const { return FPagesDrawn; }

    QAction* btnPdf;

private:
    const BandReport& FReport;
    int FPagesDrawn = 0;
};
