#pragma once

#include "reports/ChartData.h"

#include <QPageLayout>
#include <QRectF>
#include <QSize>

#include <memory>
#include <vector>

class QChart;
class QGraphicsScene;
class QPagedPaintDevice;
class QPainter;

// Draws a chart's figures: a heading, then its panels (Qt Charts for bars, lines and pies,
// a shaded grid for hours by weekday). Everything is laid out on a fixed logical canvas
// scaled to the target, so the screen, a PNG file and a printed page look alike. Colours
// are told apart by colour-blind readers and, with patterns and line styles, in grey print.
class ChartPicture
{
public:
    explicit ChartPicture(const ChartData& data);
    ~ChartPicture();
    ChartPicture(const ChartPicture&) = delete;
    ChartPicture& operator=(const ChartPicture&) = delete;

    static constexpr double LogicalWidth = 1200;
    static constexpr double LogicalHeight = 760;
    static QColor Colour(int i);
    static Qt::BrushStyle Pattern(int i);
    static Qt::PenStyle LineStyle(int i);

    void Draw(QPainter& p, const QRectF& target);
    bool WritePng(const QString& path, const QSize& size = QSize(1600, 1013));
    // One landscape page; returns the pages drawn (1), 0 when the device could not be painted.
    int Print(QPagedPaintDevice& device);
    int WritePdf(const QString& path);
    static QPageLayout PageLayout();
    const ChartData& Data() const { return FData; }

private:
    void DrawGrid(QPainter& p, const TChartPanel& panel, const QRectF& r) const;
    void BuildCharts();

    ChartData FData;
    std::unique_ptr<QGraphicsScene> FScene;
    std::vector<QChart*> FCharts; // one per panel, null for the grid; owned by the scene
};
