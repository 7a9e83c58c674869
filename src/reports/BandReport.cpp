#include "reports/BandReport.h"

#include "core/NumberDisplay.h"

#include "calls/CallLog.h"
#include "core/AppError.h"
#include "core/DiagLog.h"
#include "logs/ExportTarget.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

#include <unistd.h>

QPageLayout TReportLayout::PageLayout() const
{
    return QPageLayout(QPageSize(Paper), Orientation, QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                       QPageLayout::Millimeter);
}

const TReportBand* TReportLayout::Band(TBandKind kind) const
{
    for (const TReportBand& b : Bands)
        if (b.Kind == kind)
            return &b;
    return nullptr;
}

TReportElement* TReportLayout::Find(TBandKind kind, const QString& key)
{
    for (TReportBand& b : Bands) {
        if (b.Kind != kind)
            continue;
        for (TReportElement& e : b.Elements)
            if ((!e.Text.isEmpty() && e.Text == key) || (!e.Field.isEmpty() && e.Field == key))
                return &e;
    }
    return nullptr;
}

BandReport::BandReport(TReportLayout layout, ReportRows rows, QDateTime madeAt)
    : FLayout(std::move(layout)), FRows(std::move(rows)), FMadeAt(std::move(madeAt))
{
}

QFont BandReport::ReportFont(double pointSize, bool bold)
{
    QFont f;
    // The packaged Japanese gothic first, so reports look the same on every machine.
    f.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")});
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

QList<BandReport::PageSlice> BandReport::Paginate() const
{
    QList<PageSlice> pages;
    const int n = FRows.Count();
    if (n == 0)
        return pages;
    const double usable = FLayout.PageLayout().paintRect(QPageLayout::Millimeter).height();
    const TReportBand* header = FLayout.Band(TBandKind::PageHeader);
    const TReportBand* detail = FLayout.Band(TBandKind::Detail);
    const TReportBand* summary = FLayout.Band(TBandKind::Summary);
    const double body = usable - (header ? header->Height : 0);
    const double rowHeight = detail && detail->Height > 0 ? detail->Height : 1;
    const int perPage = std::max(1, int(std::floor((body + 1e-6) / rowHeight)));
    int row = 0;
    while (row < n) {
        PageSlice s;
        s.FirstRow = row;
        s.RowCount = std::min(perPage, n - row);
        row += s.RowCount;
        pages << s;
        if (row == n && summary) {
            if (body - s.RowCount * rowHeight + 1e-6 >= summary->Height)
                pages.last().Summary = true;
            else
                pages << PageSlice{n, 0, true};
        }
    }
    return pages;
}

int BandReport::PageCount() const
{
    return int(Paginate().size());
}

QString BandReport::ElementText(const TReportElement& e, int row, int page) const
{
    switch (e.Kind) {
    case TElementKind::Label:
        return e.Text;
    case TElementKind::PrintDate:
        return FMadeAt.toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case TElementKind::PageNumber:
        return QString::number(page) + e.Text;
    case TElementKind::RunningNo:
        return QString::number(row + 1);
    case TElementKind::FieldSum: {
        const int c = FRows.ColumnIndex(e.Field);
        qint64 sum = 0;
        for (int r = 0; r < FRows.Count(); ++r)
            sum += FRows.Value(r, c).toLongLong();
        return QString::number(sum);
    }
    case TElementKind::Field: {
        const QVariant v = FRows.Value(row, FRows.ColumnIndex(e.Field));
        if (v.isNull() || !v.isValid())
            return QString();
        if (e.Format == TFieldFormat::DateTime)
            return CallLog::FormatDateTime(v.toDateTime());
        QString text = v.toString();
        if (e.Format == TFieldFormat::Number)
            return NumberDisplay::Show(text);
        if (e.Format == TFieldFormat::JoinLines) {
            text.remove(QLatin1Char('\n'));
            text.remove(QLatin1Char('\r'));
        }
        return text;
    }
    case TElementKind::Rule:
    case TElementKind::DottedRule:
        break;
    }
    return QString();
}

void BandReport::DrawBand(QPainter& p, const TReportBand& band, double top, int row, int page, double scale,
                          FontCache& fonts) const
{
    auto px = [scale](double mm) { return mm * scale; };
    for (const TReportElement& e : band.Elements) {
        const QRectF r(px(e.Rect.x()), px(top + e.Rect.y()), px(e.Rect.width()), px(e.Rect.height()));
        if (e.Kind == TElementKind::Rule || e.Kind == TElementKind::DottedRule) {
            QPen pen(Qt::black);
            pen.setWidthF(px(e.Kind == TElementKind::Rule ? 0.3 : 0.2));
            pen.setStyle(e.Kind == TElementKind::Rule ? Qt::SolidLine : Qt::DotLine);
            p.setPen(pen);
            p.drawLine(r.topLeft(), r.topRight());
            continue;
        }
        // Fonts and their metrics are resolved once per size: per element they would cost
        // more than the drawing itself.
        const int key = int(e.PointSize * 10) * 2 + (e.Bold ? 1 : 0);
        auto it = fonts.find(key);
        if (it == fonts.end()) {
            const QFont font = ReportFont(e.PointSize, e.Bold);
            it = fonts.insert(key, {font, QFontMetricsF(font, p.device())});
        }
        p.setFont(it->first);
        p.setPen(Qt::black);
        // One line per element: a text too long for its column is cut with an ellipsis.
        const QString text = it->second.elidedText(ElementText(e, row, page), Qt::ElideRight, r.width());
        p.drawText(r, int(e.Align) | Qt::TextSingleLine, text);
    }
}

int BandReport::Print(QPagedPaintDevice& device, int pages) const
{
    const QList<PageSlice> slices = Paginate();
    if (slices.isEmpty())
        return 0;
    device.setPageLayout(FLayout.PageLayout());
    QPainter p;
    if (!p.begin(&device))
        return 0;
    const double scale = device.width() / FLayout.PageLayout().paintRect(QPageLayout::Millimeter).width();
    const TReportBand* header = FLayout.Band(TBandKind::PageHeader);
    const TReportBand* detail = FLayout.Band(TBandKind::Detail);
    const TReportBand* summary = FLayout.Band(TBandKind::Summary);
    FontCache fonts;
    int drawn = 0;
    for (const PageSlice& s : slices) {
        if (pages >= 0 && drawn >= pages)
            break;
        if (drawn > 0)
            device.newPage();
        ++drawn;
        double y = 0;
        if (header) {
            DrawBand(p, *header, y, s.FirstRow, drawn, scale, fonts);
            y += header->Height;
        }
        for (int r = s.FirstRow; detail && r < s.FirstRow + s.RowCount; ++r) {
            DrawBand(p, *detail, y, r, drawn, scale, fonts);
            y += detail->Height;
        }
        if (s.Summary && summary)
            DrawBand(p, *summary, y, FRows.Count() - 1, drawn, scale, fonts);
    }
    p.end();
    return drawn;
}

int BandReport::WritePdf(const QString& fileName) const
{
    if (FRows.IsEmpty())
        return 0;
    // Written beside the target and put in its place only once every byte is on disk: a full
    // disk must neither pass for a written report nor cost the previous one.
    try {
        ExportTarget target(fileName);
        QFile out(target.tempPath());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        int pages = 0;
        {
            QPdfWriter pdf(&out);
            pdf.setTitle(FLayout.JobTitle);
            pdf.setCreator(QStringLiteral("Zuvaro３"));
            pdf.setResolution(600);
            pages = Print(pdf);
        }
        if (pages == 0 || out.error() != QFileDevice::NoError || !out.flush() || ::fsync(out.handle()) != 0)
            return 0;
        out.close();
        if (out.error() != QFileDevice::NoError)
            return 0;
        target.commit();
        return pages;
    } catch (const AppError& e) {
        WriteLog(QStringLiteral("BandReport: cannot write ") + fileName + QStringLiteral(": ") + e.message());
        return 0;
    }
}
