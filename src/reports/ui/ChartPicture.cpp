#include "reports/ui/ChartPicture.h"

#include "reports/BandReport.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBarSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QGraphicsScene>
#include <QImage>
#include <QLegend>
#include <QLineSeries>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPieSeries>
#include <QPieSlice>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>

namespace {

constexpr double kHeading = 64;

QFont font(int pixels, bool bold = false)
{
    QFont f = BandReport::ReportFont(10, bold);
    f.setPixelSize(pixels);
    return f;
}

QRectF panelRect(const ChartData& d, int i)
{
    const QRectF body(0, kHeading, ChartPicture::LogicalWidth, ChartPicture::LogicalHeight - kHeading);
    const auto n = d.Panels.size();
    if (d.Kind == TChartKind::Hours) // the grid above, the hours' bars below
        return i == 0 ? QRectF(body.left(), body.top(), body.width(), body.height() * 0.55)
                      : QRectF(body.left(), body.top() + body.height() * 0.55, body.width(), body.height() * 0.45);
    const double w = body.width() / double(std::max<qsizetype>(n, 1));
    return QRectF(body.left() + w * i, body.top(), w, body.height());
}

double maxValue(const TChartPanel& panel)
{
    double m = 0;
    for (const TChartSeries& s : panel.Series)
        for (double v : s.Values)
            m = std::max(m, v);
    return m;
}

} // namespace

QColor ChartPicture::Colour(int i)
{
    // Okabe and Ito's eight colours, the dark ones first so that the first two also differ in grey.
    static const QColor colours[] = {QColor(0x00, 0x72, 0xB2), QColor(0xE6, 0x9F, 0x00), QColor(0x00, 0x9E, 0x73),
                                     QColor(0xD5, 0x5E, 0x00), QColor(0x56, 0xB4, 0xE9), QColor(0xCC, 0x79, 0xA7),
                                     QColor(0xF0, 0xE4, 0x42), QColor(0x00, 0x00, 0x00)};
    return colours[i % 8];
}

Qt::BrushStyle ChartPicture::Pattern(int i)
{
    static const Qt::BrushStyle patterns[] = {Qt::SolidPattern,   Qt::BDiagPattern, Qt::Dense4Pattern,
                                              Qt::CrossPattern,   Qt::FDiagPattern, Qt::DiagCrossPattern,
                                              Qt::HorPattern,     Qt::VerPattern};
    return patterns[i % 8];
}

Qt::PenStyle ChartPicture::LineStyle(int i)
{
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine};
    return styles[i % 4];
}

ChartPicture::ChartPicture(const ChartData& data) : FData(data), FScene(std::make_unique<QGraphicsScene>())
{
    BuildCharts();
}

ChartPicture::~ChartPicture() = default;

void ChartPicture::BuildCharts()
{
    for (int i = 0; i < FData.Panels.size(); ++i) {
        const TChartPanel& panel = FData.Panels[i];
        if (panel.Kind == TChartPanelKind::Grid) {
            FCharts.push_back(nullptr);
            continue;
        }
        auto* chart = new QChart;
        chart->setAnimationOptions(QChart::NoAnimation);
        chart->setBackgroundVisible(false);
        chart->setTitle(panel.Title);
        chart->setTitleFont(font(18, true));
        chart->legend()->setFont(font(14));
        chart->legend()->setAlignment(Qt::AlignBottom);
        auto axisFonts = [](QAbstractAxis* a) {
            a->setLabelsFont(font(12));
            a->setTitleFont(font(14));
        };
        if (panel.Kind == TChartPanelKind::Pie) {
            auto* pie = new QPieSeries;
            const TChartSeries& s = panel.Series.value(0);
            double sum = 0;
            for (double v : s.Values)
                sum += v;
            for (int k = 0; k < panel.Categories.size(); ++k) {
                const double v = s.Values.value(k);
                auto* slice = pie->append(QStringLiteral("%1 %2件 (%3%)")
                                              .arg(panel.Categories[k])
                                              .arg(qint64(v))
                                              .arg(sum > 0 ? 100.0 * v / sum : 0, 0, 'f', 1),
                                          v);
                slice->setBrush(QBrush(Colour(k), Pattern(k)));
                slice->setBorderColor(Qt::black);
            }
            // The names with their figures in a legend beneath, one a line, so that long
            // names are not cut off; Draw places it.
            pie->setPieSize(0.62);
            pie->setVerticalPosition(0.36);
            chart->addSeries(pie);
            chart->legend()->setAlignment(Qt::AlignLeft);
            chart->legend()->setFont(font(13));
            chart->legend()->detachFromChart();
        } else {
            auto* axisX = new QBarCategoryAxis;
            // Long category lists (the days of a year) show every n-th label only.
            QStringList labels = panel.Categories;
            const int step = std::max<int>(1, int(labels.size() / 31) + (labels.size() % 31 ? 1 : 0));
            if (step > 1)
                for (int k = 0; k < labels.size(); ++k)
                    if (k % step)
                        labels[k] = QString(k, QChar(0x200B)); // distinct, invisible
            axisX->append(labels);
            axisX->setTitleText(panel.AxisX);
            auto* axisY = new QValueAxis;
            axisY->setTitleText(panel.AxisY);
            axisY->setLabelFormat(QStringLiteral("%d"));
            axisY->setRange(0, std::max(1.0, maxValue(panel) * 1.1));
            if (panel.Kind == TChartPanelKind::StackedBars) {
                double top = 0;
                for (int k = 0; k < panel.Categories.size(); ++k) {
                    double sum = 0;
                    for (const TChartSeries& s : panel.Series)
                        sum += s.Values.value(k);
                    top = std::max(top, sum);
                }
                axisY->setRange(0, std::max(1.0, top * 1.1));
            }
            axisY->applyNiceNumbers();
            axisFonts(axisX);
            axisFonts(axisY);
            chart->addAxis(axisX, Qt::AlignBottom);
            chart->addAxis(axisY, Qt::AlignLeft);
            if (panel.Kind == TChartPanelKind::Lines) {
                for (int k = 0; k < panel.Series.size(); ++k) {
                    auto* line = new QLineSeries;
                    line->setName(panel.Series[k].Name);
                    const QList<double>& v = panel.Series[k].Values;
                    for (int x = 0; x < v.size(); ++x)
                        line->append(x, v[x]);
                    QPen pen(k == 0 ? Colour(0) : Colour(3), k == 0 ? 2.5 : 2, LineStyle(k));
                    line->setPen(pen);
                    chart->addSeries(line);
                    line->attachAxis(axisY);
                    // A line over categories: a value axis hidden under the category labels.
                    auto* x = new QValueAxis;
                    x->setRange(-0.5, std::max<double>(0.5, v.size() - 0.5));
                    x->setVisible(false);
                    chart->addAxis(x, Qt::AlignBottom);
                    line->attachAxis(x);
                }
            } else {
                QAbstractBarSeries* bars = panel.Kind == TChartPanelKind::StackedBars
                                               ? static_cast<QAbstractBarSeries*>(new QStackedBarSeries)
                                               : static_cast<QAbstractBarSeries*>(new QBarSeries);
                for (int k = 0; k < panel.Series.size(); ++k) {
                    auto* set = new QBarSet(panel.Series[k].Name);
                    for (double v : panel.Series[k].Values)
                        *set << v;
                    set->setBrush(QBrush(Colour(k), Pattern(k)));
                    set->setPen(QPen(Qt::black, 0.8));
                    bars->append(set);
                }
                chart->addSeries(bars);
                bars->attachAxis(axisX);
                bars->attachAxis(axisY);
                chart->legend()->setVisible(panel.Series.size() > 1);
            }
        }
        FScene->addItem(chart);
        FCharts.push_back(chart);
    }
}

void ChartPicture::DrawGrid(QPainter& p, const TChartPanel& panel, const QRectF& area) const
{
    p.save();
    p.setFont(font(16, true));
    p.setPen(Qt::black);
    p.drawText(QRectF(area.left(), area.top(), area.width(), 26), Qt::AlignCenter, panel.Title);
    const double left = area.left() + 60, top = area.top() + 30;
    const double cols = std::max<qsizetype>(1, panel.Categories.size()), rows = std::max<qsizetype>(1, panel.Series.size());
    const double cw = (area.width() - 80) / cols, ch = (area.height() - 60) / rows;
    const double peak = maxValue(panel);
    // The three busiest cells are outlined and their figures bold.
    QList<double> all;
    for (const TChartSeries& s : panel.Series)
        all << s.Values;
    std::sort(all.begin(), all.end(), std::greater<double>());
    const double busy = all.size() >= 3 ? std::max(all[2], 1.0) : 1.0;
    p.setFont(font(12));
    for (int c = 0; c < panel.Categories.size(); ++c)
        p.drawText(QRectF(left + c * cw, top + rows * ch + 2, cw, 18), Qt::AlignCenter, panel.Categories[c]);
    p.drawText(QRectF(left, top + rows * ch + 20, cols * cw, 18), Qt::AlignCenter, panel.AxisX);
    for (int r = 0; r < panel.Series.size(); ++r) {
        p.setFont(font(13));
        p.setPen(Qt::black);
        p.drawText(QRectF(area.left(), top + r * ch, 54, ch), Qt::AlignRight | Qt::AlignVCenter, panel.Series[r].Name);
        for (int c = 0; c < panel.Series[r].Values.size(); ++c) {
            const double v = panel.Series[r].Values[c];
            const double t = peak > 0 ? v / peak : 0;
            // From white to the palette's dark blue: the order of shades survives grey print.
            const QColor dark = Colour(0);
            const QColor fill(int(255 + (dark.red() - 255) * t), int(255 + (dark.green() - 255) * t),
                              int(255 + (dark.blue() - 255) * t));
            const QRectF cell(left + c * cw, top + r * ch, cw, ch);
            p.fillRect(cell, fill);
            p.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 0.5));
            p.drawRect(cell);
            const bool peakCell = v > 0 && v >= busy;
            if (peakCell) {
                p.setPen(QPen(Qt::black, 3));
                p.drawRect(cell.adjusted(1.5, 1.5, -1.5, -1.5));
            }
            p.setPen(t > 0.55 ? Qt::white : Qt::black);
            p.setFont(font(11, peakCell));
            p.drawText(cell, Qt::AlignCenter, QString::number(qint64(v)));
        }
    }
    p.restore();
}

void ChartPicture::Draw(QPainter& p, const QRectF& target)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double s = std::min(target.width() / LogicalWidth, target.height() / LogicalHeight);
    p.translate(target.left() + (target.width() - LogicalWidth * s) / 2,
                target.top() + (target.height() - LogicalHeight * s) / 2);
    p.scale(s, s);
    p.fillRect(QRectF(0, 0, LogicalWidth, LogicalHeight), Qt::white);
    p.setPen(Qt::black);
    p.setFont(font(24, true));
    p.drawText(QRectF(0, 0, LogicalWidth, 34), Qt::AlignCenter, FData.Title);
    p.setFont(font(15));
    p.drawText(QRectF(0, 34, LogicalWidth, 24), Qt::AlignCenter, FData.Period);
    if (FData.Empty) {
        p.setFont(font(20));
        p.drawText(QRectF(0, kHeading, LogicalWidth, LogicalHeight - kHeading), Qt::AlignCenter,
                   QStringLiteral("該当するデータがありません。"));
        p.restore();
        return;
    }
    for (int i = 0; i < FData.Panels.size(); ++i) {
        const QRectF r = panelRect(FData, i);
        if (!FCharts[size_t(i)]) {
            DrawGrid(p, FData.Panels[i], r.adjusted(8, 4, -8, -4));
            continue;
        }
        QChart* chart = FCharts[size_t(i)];
        chart->setGeometry(r);
        if (FData.Panels[i].Kind == TChartPanelKind::Pie)
            chart->legend()->setGeometry(QRectF(24, r.height() * 0.66, r.width() - 48, r.height() * 0.34));
        FScene->setSceneRect(QRectF(0, 0, LogicalWidth, LogicalHeight));
        FScene->render(&p, r, r);
    }
    p.restore();
}

bool ChartPicture::WritePng(const QString& path, const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        Draw(p, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return image.save(path, "PNG");
}

QPageLayout ChartPicture::PageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

int ChartPicture::Print(QPagedPaintDevice& device)
{
    device.setPageLayout(PageLayout());
    QPainter p;
    if (!p.begin(&device))
        return 0;
    const QRect page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    Draw(p, QRectF(0, 0, page.width(), page.height()));
    p.end();
    return 1;
}

int ChartPicture::WritePdf(const QString& path)
{
    QPdfWriter pdf(path);
    pdf.setTitle(FData.Title);
    pdf.setCreator(QStringLiteral("Zuvaro3"));
    return Print(pdf);
}
