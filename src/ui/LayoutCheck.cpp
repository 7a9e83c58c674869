#include "ui/LayoutCheck.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRubberBand>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>

namespace {

QString NameOf(const QWidget* w)
{
    if (!w->objectName().isEmpty())
        return w->objectName();
    // An unnamed control is known by its nearest named ancestor.
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (!p->objectName().isEmpty())
            return p->objectName() + QLatin1Char('>') + QLatin1String(w->metaObject()->className());
    return QLatin1String(w->metaObject()->className());
}

QString CaptionOf(const QWidget* w)
{
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    if (auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    return QString();
}

int TextWidth(const QWidget* w, const QString& text)
{
    return w->fontMetrics().size(Qt::TextShowMnemonic, text).width();
}

int IconWidth(const QAbstractButton* b)
{
    return b->icon().isNull() ? 0 : b->iconSize().width() + 4;
}

// Inputs whose height must hold a line of text. The line edits inside combo boxes and
// spin boxes are measured with their owner.
bool IsLineInput(const QWidget* w)
{
    if (qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
        return true;
    if (qobject_cast<const QLineEdit*>(w))
        return !qobject_cast<const QComboBox*>(w->parentWidget()) &&
               !qobject_cast<const QAbstractSpinBox*>(w->parentWidget());
    return false;
}

// Widgets that are meant to lie over others.
bool OverlapsByDesign(const QWidget* w)
{
    return qobject_cast<const QFocusFrame*>(w) || qobject_cast<const QRubberBand*>(w) ||
           w->property("zuvaroOverlay").toBool();
}

void CheckTabs(const QTabBar* bar, const QString& window, QList<LayoutCheck::Finding>& out)
{
    const int hspace = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
    // Tabs beyond the end are reachable while the bar shows its scroll arrows.
    bool scrolls = false;
    for (const QToolButton* arrow : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
        scrolls = scrolls || arrow->isVisible();
    for (int i = 0; i < bar->count(); ++i) {
        if (!bar->isTabVisible(i) || bar->tabText(i).isEmpty())
            continue;
        int needed = TextWidth(bar, bar->tabText(i)) + hspace;
        if (!bar->tabIcon(i).isNull())
            needed += bar->iconSize().width() + 4;
        for (auto side : {QTabBar::LeftSide, QTabBar::RightSide})
            if (const QWidget* button = bar->tabButton(i, side))
                needed += button->width();
        const QRect r = bar->tabRect(i);
        if (r.width() < needed)
            out.append({window, NameOf(bar), bar->tabText(i),
                        QStringLiteral("tab %1 is %2 px wide, its caption needs %3").arg(i).arg(r.width()).arg(needed)});
        else if (!scrolls && (r.left() < 0 || r.right() >= bar->width()))
            out.append({window, NameOf(bar), bar->tabText(i),
                        QStringLiteral("tab %1 runs past the end of its %2 px bar").arg(i).arg(bar->width())});
    }
}

void CheckOverlaps(const QWidget* parent, const QString& window, QList<LayoutCheck::Finding>& out)
{
    QList<const QWidget*> shown;
    for (const QObject* o : parent->children()) {
        auto* w = qobject_cast<const QWidget*>(o);
        if (w && !w->isWindow() && w->isVisible() && !w->geometry().isEmpty() && !OverlapsByDesign(w))
            shown.append(w);
    }
    for (int i = 0; i < shown.size(); ++i)
        for (int j = i + 1; j < shown.size(); ++j) {
            const QRect a = shown.at(i)->geometry();
            const QRect b = shown.at(j)->geometry();
            if (!a.intersects(b))
                continue;
            const QRect both = a.intersected(b);
            out.append({window, NameOf(shown.at(i)), CaptionOf(shown.at(i)),
                        QStringLiteral("overlaps %1 \"%2\" by %3x%4 px")
                            .arg(NameOf(shown.at(j)), CaptionOf(shown.at(j)))
                            .arg(both.width())
                            .arg(both.height())});
        }
}

} // namespace

int LayoutCheck::NeededWidth(const QWidget* w)
{
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        if (l->text().isEmpty() || l->wordWrap() || !l->pixmap().isNull())
            return 0;
        return l->minimumSizeHint().width();
    }
    if (auto* b = qobject_cast<const QPushButton*>(w)) {
        if (b->text().isEmpty())
            return 0;
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.features = b->autoDefault() ? QStyleOptionButton::AutoDefaultButton : QStyleOptionButton::None;
        const QRect inner = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        return b->width() - inner.width() + TextWidth(b, b->text()) + IconWidth(b);
    }
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
        auto* b = static_cast<const QAbstractButton*>(w);
        if (b->text().isEmpty())
            return 0;
        QStyleOptionButton opt;
        opt.initFrom(b);
        const bool check = qobject_cast<const QCheckBox*>(w);
        const QRect inner = b->style()->subElementRect(
            check ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &opt, b);
        return b->width() - inner.width() + TextWidth(b, b->text()) + IconWidth(b);
    }
    if (auto* t = qobject_cast<const QToolButton*>(w)) {
        if (t->text().isEmpty() || t->toolButtonStyle() == Qt::ToolButtonIconOnly ||
            (t->toolButtonStyle() == Qt::ToolButtonFollowStyle && !t->icon().isNull()))
            return 0;
        return t->sizeHint().width();
    }
    if (auto* g = qobject_cast<const QGroupBox*>(w)) {
        if (g->title().isEmpty())
            return 0;
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.lineWidth = 1;
        opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        int base = g->fontMetrics().horizontalAdvance(g->title() + QLatin1Char(' '));
        if (g->isCheckable()) {
            opt.subControls |= QStyle::SC_GroupBoxCheckBox;
            base += g->style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, g) +
                    g->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, g);
        }
        return g->style()->sizeFromContents(QStyle::CT_GroupBox, &opt, QSize(base, g->fontMetrics().height()), g).width();
    }
    return 0;
}

QList<LayoutCheck::Finding> LayoutCheck::Check(const QWidget* window, const QString& windowName)
{
    QList<Finding> out;
    QList<const QWidget*> all{window};
    for (const QWidget* w : window->findChildren<QWidget*>())
        if (!w->isWindow() && w->isVisible() && w->window() == window)
            all.append(w);
    for (const QWidget* w : all) {
        if (const int needed = NeededWidth(w); needed > w->width())
            out.append({windowName, NameOf(w), CaptionOf(w),
                        QStringLiteral("is %1 px wide, its caption needs %2").arg(w->width()).arg(needed)});
        if (auto* l = qobject_cast<const QLabel*>(w); l && l->wordWrap() && !l->text().isEmpty()) {
            const int needed = l->heightForWidth(l->width());
            if (needed > l->height())
                out.append({windowName, NameOf(w), l->text(),
                            QStringLiteral("is %1 px high, its wrapped text needs %2").arg(l->height()).arg(needed)});
        }
        if (IsLineInput(w) && w->height() < w->minimumSizeHint().height())
            out.append({windowName, NameOf(w), CaptionOf(w),
                        QStringLiteral("is %1 px high, one line needs %2")
                            .arg(w->height())
                            .arg(w->minimumSizeHint().height())});
        if (auto* bar = qobject_cast<const QTabBar*>(w))
            CheckTabs(bar, windowName, out);
        CheckOverlaps(w, windowName, out);
    }
    return out;
}

QString LayoutCheck::Format(const Finding& f)
{
    QString text = f.Text;
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QStringLiteral("%1\t%2\t\"%3\"\t%4").arg(f.Window, f.Widget, text, f.Problem);
}
