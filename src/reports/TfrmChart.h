#pragma once

#include "reports/ChartSql.h"
#include "reports/TfrmPrint.h"

#include <QDialog>

#include <functional>
#include <memory>

class ChartPicture;
class QComboBox;
class QPushButton;
class QTableWidget;
class QWidget;
class TdmCmn;

// "グラフ": the charts of the call log for the totals dialog's period, kind and own-phone
// filter, one at a time with the table of its figures beneath; printed through the print
// preview, saved as PDF, PNG or CSV. The first chart is filled once the window shows.
class TfrmChart : public QDialog
{
    Q_OBJECT
public:
    TfrmChart(TdmCmn& dm, const TChartRequest& request, QWidget* parent = nullptr);
    ~TfrmChart() override;

    // Asks where to save; an empty answer cancels. Replaceable for tests.
    using PathChooser =
        std::function<QString(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter)>;
    static void SetPathChooser(PathChooser chooser);
    using Previewer = std::function<void(TPrintDocument document, QWidget* parent)>;
    static void SetPreviewer(Previewer previewer);

    void cbxChartChange();
    void btnPrintClick();
    void btnPdfClick();
    void btnPngClick();
    void btnCsvClick();
    // The chart shown, null before the first is filled or after a warning.
    const ChartPicture* Picture() const { return FPicture.get(); }

    QComboBox* cbxChart;
    QWidget* pnlChart;
    QTableWidget* sgdFigures;
    QPushButton* btnPrint;
    QPushButton* btnPdf;
    QPushButton* btnPng;
    QPushButton* btnCsv;
    QPushButton* btnClose;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Asks for the file of what ("PDFファイル") and writes the chart shown there.
    void Save(const QString& what, const QString& extension,
              const std::function<bool(ChartPicture&, const QString&)>& write);
    void EnableSaving();

    TdmCmn& FDm;
    TChartRequest FRequest;
    std::unique_ptr<ChartPicture> FPicture;
    bool FFilled = false;
};
