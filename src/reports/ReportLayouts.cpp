#include "reports/ReportLayouts.h"

namespace {

const Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
const Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
const Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

TReportElement label(const QString& text, double x, double y, double w, double h, Qt::Alignment align = kLeft)
{
    TReportElement e;
    e.Kind = TElementKind::Label;
    e.Text = text;
    e.Rect = QRectF(x, y, w, h);
    e.Align = align;
    return e;
}

TReportElement field(const QString& name, double x, double w, Qt::Alignment align = kLeft,
                     TFieldFormat format = TFieldFormat::Plain)
{
    TReportElement e;
    e.Kind = TElementKind::Field;
    e.Field = name;
    e.Rect = QRectF(x, 0, w, 6);
    e.Align = align;
    e.Format = format;
    return e;
}

TReportElement rule(TElementKind kind, double y, double width)
{
    TReportElement e;
    e.Kind = kind;
    e.Rect = QRectF(0, y, width, 0);
    return e;
}

// Title, print date and page number, and the column headings between two rules.
TReportBand pageHeader(int item, double width, const QList<TReportElement>& headings)
{
    TReportBand b;
    b.Kind = TBandKind::PageHeader;
    b.Height = 31;
    TReportElement title = label(ReportLayouts::Title(item), 0, 0, width, 10, kCentre);
    title.PointSize = 16;
    title.Bold = true;
    b.Elements << title;
    TReportElement date;
    date.Kind = TElementKind::PrintDate;
    date.Rect = QRectF(width - 80, 11, 80, 5);
    date.Align = kRight;
    TReportElement page;
    page.Kind = TElementKind::PageNumber;
    page.Text = QStringLiteral(" ページ");
    page.Rect = QRectF(width - 80, 16, 80, 5);
    page.Align = kRight;
    b.Elements << date << page << rule(TElementKind::Rule, 23, width) << rule(TElementKind::Rule, 30, width);
    for (TReportElement h : headings) {
        h.Rect = QRectF(h.Rect.x(), 23.5, h.Rect.width(), 6);
        b.Elements << h;
    }
    return b;
}

} // namespace

namespace ReportLayouts {

QString Title(int item)
{
    return item == 1 ? QStringLiteral("顧客別") : QStringLiteral("発着信電話番号別");
}

TReportLayout Print1(int item)
{
    const double width = 190;
    TReportLayout l;
    l.JobTitle = QStringLiteral("電話番号集計");
    l.Orientation = QPageLayout::Portrait;
    const bool cust = item == 1;
    l.Bands << pageHeader(item, width,
                          {label(QStringLiteral("NO"), 0, 0, 14, 6, kRight),
                           label(cust ? QStringLiteral("代表電話番号") : QStringLiteral("電話番号"), 20, 0, 50, 6),
                           label(cust ? QStringLiteral("顧客名") : QStringLiteral("名前"), 72, 0, 86, 6),
                           label(QStringLiteral("通話回数[回]"), 158, 0, 32, 6, kRight)});

    TReportBand detail;
    detail.Kind = TBandKind::Detail;
    detail.Height = 6;
    TReportElement no;
    no.Kind = TElementKind::RunningNo;
    no.Rect = QRectF(0, 0, 14, 6);
    no.Align = kRight;
    detail.Elements << no << field(QStringLiteral("TEL_NO"), 20, 50, kLeft, TFieldFormat::Number)
                    << field(QStringLiteral("CALLER"), 72, 86) << field(QStringLiteral("TOTAL"), 158, 32, kRight)
                    << rule(TElementKind::DottedRule, 6, width);
    l.Bands << detail;

    TReportBand summary;
    summary.Kind = TBandKind::Summary;
    summary.Height = 9;
    TReportElement total;
    total.Kind = TElementKind::FieldSum;
    total.Field = QStringLiteral("TOTAL");
    total.Rect = QRectF(158, 2, 32, 6);
    total.Align = kRight;
    total.Bold = true;
    TReportElement caption = label(QStringLiteral("合計："), 110, 2, 46, 6, kRight);
    caption.Bold = true;
    summary.Elements << caption << total;
    l.Bands << summary;
    return l;
}

TReportLayout Print2(int item)
{
    const double width = 277;
    TReportLayout l;
    l.JobTitle = QStringLiteral("電話番号集計");
    l.Orientation = QPageLayout::Landscape;
    l.Bands << pageHeader(
        item, width,
        {label(QStringLiteral("発着信日時"), 0, 0, 36, 6), label(QStringLiteral("電話番号"), 38, 0, 34, 6),
         label(QStringLiteral("名前"), 74, 0, 62, 6), label(QStringLiteral("発着信区分"), 138, 0, 22, 6),
         label(QStringLiteral("ポート"), 162, 0, 16, 6, kRight), label(QStringLiteral("メモ"), 182, 0, 95, 6)});
    TReportBand detail;
    detail.Kind = TBandKind::Detail;
    detail.Height = 6;
    detail.Elements << field(QStringLiteral("DT_FROM"), 0, 36, kLeft, TFieldFormat::DateTime)
                    << field(QStringLiteral("TEL_NO"), 38, 34, kLeft, TFieldFormat::Number)
                    << field(QStringLiteral("CALLER"), 74, 62) << field(QStringLiteral("TEL_TYPE"), 138, 22)
                    << field(QStringLiteral("PORT_NO"), 162, 16, kRight)
                    << field(QStringLiteral("TEL_MEMO"), 182, 95, kLeft, TFieldFormat::JoinLines)
                    << rule(TElementKind::DottedRule, 6, width);
    l.Bands << detail;
    return l;
}

} // namespace ReportLayouts
