#pragma once

#include "reports/ReportRows.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <QString>

class QPagedPaintDevice;
class QPainter;

// A banded report: a page header on every page, one detail band per row and a summary band
// after the last row, each band a list of elements placed in millimetres from the band's
// top-left corner inside the margins. A layout is data; BandReport measures and draws it
// on any paged device (preview, printer, PDF).
enum class TBandKind { PageHeader, Detail, Summary };

enum class TElementKind {
    Label,      // Text
    Field,      // the row's value of Field, formatted by Format
    PrintDate,  // the time the report was made
    PageNumber, // the page number followed by Text
    RunningNo,  // 1, 2, 3, … over the whole report
    FieldSum,   // the sum of Field over all rows
    Rule,       // a solid horizontal line along the top of Rect
    DottedRule, // a dotted horizontal line along the top of Rect
};

enum class TFieldFormat {
    Plain,
    DateTime,  // "YY/MM/DD" and the time, as dates are shown everywhere
    JoinLines, // line feeds, then carriage returns removed: a memo on one line
    Number,    // a phone number, written as the screens show it
};

struct TReportElement
{
    TElementKind Kind = TElementKind::Label;
    QRectF Rect; // millimetres
    QString Text;
    QString Field;
    TFieldFormat Format = TFieldFormat::Plain;
    Qt::Alignment Align = Qt::AlignLeft | Qt::AlignVCenter;
    double PointSize = 9;
    bool Bold = false;
};

struct TReportBand
{
    TBandKind Kind = TBandKind::Detail;
    double Height = 6; // millimetres
    QList<TReportElement> Elements;
};

struct TReportLayout
{
    QString JobTitle;
    QPageSize::PageSizeId Paper = QPageSize::A4;
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    double MarginMm = 10;
    QList<TReportBand> Bands;

    QPageLayout PageLayout() const;
    const TReportBand* Band(TBandKind kind) const;
    // The element of a band whose Text or Field is key (tests and captions), or null.
    TReportElement* Find(TBandKind kind, const QString& key);
};

class BandReport
{
public:
    BandReport(TReportLayout layout, ReportRows rows, QDateTime madeAt);

    const TReportLayout& Layout() const { return FLayout; }
    const ReportRows& Rows() const { return FRows; }
    // Pages the report takes; 0 for no rows, since an empty report prints nothing.
    int PageCount() const;
    // Sets the device's page layout and draws every page on it; nothing for no rows. pages
    // limits the pages drawn (the first ones), -1 for all. Returns the pages drawn.
    int Print(QPagedPaintDevice& device, int pages = -1) const;
    // Writes the report as a PDF file; for no rows no file is written. Returns the pages, or 0
    // when the file could not be written completely (a file already there is then kept).
    int WritePdf(const QString& fileName) const;

    // The text an element shows for a row (page for the page number).
    QString ElementText(const TReportElement& e, int row, int page) const;
    static QFont ReportFont(double pointSize, bool bold);

private:
    struct PageSlice
    {
        int FirstRow = 0;
        int RowCount = 0;
        bool Summary = false;
    };
    using FontCache = QHash<int, std::pair<QFont, QFontMetricsF>>;
    QList<PageSlice> Paginate() const;
    void DrawBand(QPainter& p, const TReportBand& band, double top, int row, int page, double scale,
                  FontCache& fonts) const;

    TReportLayout FLayout;
    ReportRows FRows;
    QDateTime FMadeAt;
};
