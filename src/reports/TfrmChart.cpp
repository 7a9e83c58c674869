#include "reports/TfrmChart.h"

#include "core/AppError.h"
#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"
#include "reports/ui/ChartPicture.h"
#include "ui/DialogKit.h"
#include "ui/FileDialogs.h"
#include "ui/ZuvaroApplication.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

TfrmChart::PathChooser& pathChooser()
{
    static TfrmChart::PathChooser chooser = [](QWidget* parent, const QString& caption, const QString& suggested,
                                                const QString& filter) {
        return FileDialogs::SaveFile(parent, caption, suggested, filter);
    };
    return chooser;
}

TfrmChart::Previewer& previewer()
{
    static TfrmChart::Previewer p = [](TPrintDocument document, QWidget* parent) {
        TfrmPrint preview(std::move(document), parent);
        preview.exec();
    };
    return p;
}

// Paints the chart shown, at whatever size the window gives it.
class ChartCanvas : public QWidget
{
public:
    std::function<ChartPicture*()> Picture;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (ChartPicture* picture = Picture())
            picture->Draw(p, QRectF(rect()));
    }
};

} // namespace

void TfrmChart::SetPathChooser(PathChooser chooser)
{
    pathChooser() = std::move(chooser);
}

void TfrmChart::SetPreviewer(Previewer p)
{
    previewer() = std::move(p);
}

TfrmChart::TfrmChart(TdmCmn& dm, const TChartRequest& request, QWidget* parent)
    : QDialog(parent), FDm(dm), FRequest(request)
{
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(QStringLiteral("グラフ"));
    cbxChart = new QComboBox;
    cbxChart->setObjectName(QStringLiteral("cbxChart"));
    for (int k = 0; k < ChartSql::Names().size(); ++k)
        cbxChart->addItem(ChartSql::Title(TChartKind(k)));
    cbxChart->setCurrentIndex(int(request.Kind));
    auto* canvas = new ChartCanvas;
    canvas->Picture = [this] { return FPicture.get(); };
    pnlChart = canvas;
    pnlChart->setObjectName(QStringLiteral("pnlChart"));
    pnlChart->setMinimumSize(480, 300);
    sgdFigures = new QTableWidget;
    sgdFigures->setObjectName(QStringLiteral("sgdFigures"));
    sgdFigures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgdFigures->verticalHeader()->hide();
    sgdFigures->setMinimumHeight(90);
    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    btnPrint = button(QStringLiteral("印刷(&P)"), "btnPrint");
    btnPdf = button(QStringLiteral("PDF"), "btnPdf");
    btnPng = button(QStringLiteral("PNG"), "btnPng");
    btnCsv = button(QStringLiteral("CSV"), "btnCsv");
    btnClose = button(QStringLiteral("閉じる(&X)"), "btnClose");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("グラフ")));
    top->addWidget(cbxChart);
    top->addStretch();
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {btnPrint, btnPdf, btnPng, btnCsv})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(pnlChart, 3);
    main->addWidget(sgdFigures, 1);
    main->addLayout(buttons);

    connect(cbxChart, qOverload<int>(&QComboBox::activated), this, [this] { cbxChartChange(); });
    connect(btnPrint, &QPushButton::clicked, this, [this] { btnPrintClick(); });
    connect(btnPdf, &QPushButton::clicked, this, [this] { btnPdfClick(); });
    connect(btnPng, &QPushButton::clicked, this, [this] { btnPngClick(); });
    connect(btnCsv, &QPushButton::clicked, this, [this] { btnCsvClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    EnableSaving();
    resize(960, 640);
    DialogKit::Apply(this);
}

TfrmChart::~TfrmChart() = default;

void TfrmChart::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The window shows at once; the first statement runs after it has been drawn.
    if (!FFilled) {
        FFilled = true;
        QTimer::singleShot(0, this, [this] { cbxChartChange(); });
    }
}

void TfrmChart::EnableSaving()
{
    const bool any = FPicture && !FPicture->Data().Empty;
    for (QPushButton* b : {btnPrint, btnPdf, btnPng, btnCsv})
        b->setEnabled(any);
}

void TfrmChart::cbxChartChange()
{
    FFilled = true;
    FRequest.Kind = TChartKind(cbxChart->currentIndex());
    WriteTraceLog(QStringLiteral("TfrmChart.cbxChartChange chart=") + ChartSql::Name(FRequest.Kind));
    FPicture.reset();
    sgdFigures->clear();
    sgdFigures->setRowCount(0);
    sgdFigures->setColumnCount(0);
    const TChartSql sql = ChartSql::Build(FRequest);
    if (!sql.Ok()) {
        EnableSaving();
        pnlChart->update();
        MessageService::Warning(sql.Warning);
        return;
    }
    try {
        const ChartData data = ChartData::Load(FDm.IBDatabase1, FRequest, sql, ChartData::PortNames());
        FPicture = std::make_unique<ChartPicture>(data);
        sgdFigures->setColumnCount(int(data.Captions.size()));
        sgdFigures->setHorizontalHeaderLabels(data.Captions);
        sgdFigures->setRowCount(int(data.Rows.size()));
        for (int r = 0; r < data.Rows.size(); ++r)
            for (int c = 0; c < data.Rows[r].size(); ++c) {
                auto* item = new QTableWidgetItem(data.Rows[r][c]);
                if (c > 0)
                    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                sgdFigures->setItem(r, c, item);
            }
        sgdFigures->resizeColumnsToContents();
    } catch (const AppError& e) {
        ZuvaroApplication::HandleException(e);
    }
    EnableSaving();
    pnlChart->update();
}

void TfrmChart::btnPrintClick()
{
    if (!FPicture)
        return;
    ChartPicture* picture = FPicture.get();
    previewer()(TPrintDocument{picture->Data().Title, ChartPicture::PageLayout(),
                               [picture](QPagedPaintDevice& device) { return picture->Print(device); },
                               [picture](const QString& file) { return picture->WritePdf(file); },
                               picture->Data().Empty},
                this);
}

void TfrmChart::btnPdfClick()
{
    Save(QStringLiteral("PDFファイル"), QStringLiteral("pdf"), [](ChartPicture& c, const QString& f) { return c.WritePdf(f) > 0; });
}

void TfrmChart::btnPngClick()
{
    Save(QStringLiteral("画像ファイル"), QStringLiteral("png"), [](ChartPicture& c, const QString& f) { return c.WritePng(f); });
}

void TfrmChart::btnCsvClick()
{
    Save(QStringLiteral("CSVファイル"), QStringLiteral("csv"),
         [](ChartPicture& c, const QString& f) { return c.Data().WriteCsv(f); });
}

void TfrmChart::Save(const QString& what, const QString& extension,
                     const std::function<bool(ChartPicture&, const QString&)>& write)
{
    if (!FPicture)
        return;
    const QString suggested = ChartSql::Name(FRequest.Kind) + QStringLiteral("_") +
                              FRequest.DateFrom.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("-") +
                              FRequest.DateTo.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".") + extension;
    const QString file = pathChooser()(this, what + QStringLiteral("に保存"), suggested,
                                       extension.toUpper() + QStringLiteral(" (*.") + extension + QStringLiteral(")"));
    if (file.isEmpty())
        return;
    WriteTraceLog(QStringLiteral("TfrmChart.Save file=") + file);
    if (!write(*FPicture, file))
        MessageService::Error(what + QStringLiteral("を保存できませんでした。\n") + file);
}
