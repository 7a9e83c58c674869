#include "ui/GridTextDelegate.h"

#include <QApplication>
#include <QPainter>

namespace {
// Texts of a few days of calls; beyond this the cache starts again rather than grow.
constexpr int kMaxTexts = 8192;
} // namespace

const QStaticText& GridTextDelegate::Laid(const QString& text, const QFont& font) const
{
    if (font != FFont || FTexts.size() >= kMaxTexts) {
        FTexts.clear();
        FFont = font;
    }
    auto it = FTexts.find(text);
    if (it == FTexts.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        it = FTexts.insert(text, laid);
    }
    return *it;
}

void GridTextDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QWidget* view = option.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    // The cell's panel (selection, hover) as the style draws it, without its text.
    QStyleOptionViewItem panel = option;
    panel.index = index;
    panel.features &= ~QStyleOptionViewItem::HasDisplay;
    panel.text.clear();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &panel, painter, view);

    QString text = index.data(Qt::DisplayRole).toString();
    // A cell is one line: a memo's line breaks show as blanks instead of lines cut in half.
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        text.replace(QLatin1String("\r\n"), QLatin1String(" "))
            .replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (!text.isEmpty()) {
        const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (option.state & QStyle::State_Active)  ? QPalette::Active
                                                                                     : QPalette::Inactive;
        const QStaticText& laid = Laid(text, option.font);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        const QRect box = option.rect.adjusted(margin, 0, -margin, 0);
        painter->save();
        painter->setClipRect(box, Qt::IntersectClip);
        painter->setFont(option.font);
        painter->setPen(option.palette.color(
            group, option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const int top = box.top() + (box.height() - qRound(laid.size().height())) / 2;
        painter->drawStaticText(QPoint(box.left(), top), laid);
        painter->restore();
    }
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect;
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor = option.palette.color(
            option.state & QStyle::State_Selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
    }
}
