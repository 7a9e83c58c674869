#include "ui/DialogKit.h"

#include "core/Cp932.h"
#include "db/ColumnWidths.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QToolTip>

namespace DialogKit {
namespace {

const char* const kApplied = "zuvaroDialogKit";
const char* const kLimit = "zuvaroByteLimit";
const QColor kFocusColour(255, 200, 200);

bool IsInput(const QWidget* w)
{
    if (qobject_cast<const QComboBox*>(w))
        return true;
    if (auto* le = qobject_cast<const QLineEdit*>(w))
        return !qobject_cast<const QComboBox*>(le->parentWidget()) && !qobject_cast<const QAbstractSpinBox*>(le->parentWidget());
    return qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w);
}

// Enter moves on everywhere but in multi-line text, where it starts a new line.
bool EnterMovesOn(const QWidget* w)
{
    return !qobject_cast<const QPlainTextEdit*>(w) && !qobject_cast<const QTextEdit*>(w);
}

bool IsReadOnly(const QWidget* w)
{
    if (auto* le = qobject_cast<const QLineEdit*>(w))
        return le->isReadOnly();
    if (auto* pe = qobject_cast<const QPlainTextEdit*>(w))
        return pe->isReadOnly();
    if (auto* te = qobject_cast<const QTextEdit*>(w))
        return te->isReadOnly();
    if (auto* sb = qobject_cast<const QAbstractSpinBox*>(w))
        return sb->isReadOnly();
    return false;
}

void Paint(QWidget* w, bool focused)
{
    QPalette pal = w->palette();
    const QPalette base = QApplication::palette(w);
    QColor colour = base.color(QPalette::Base);
    if (IsReadOnly(w))
        colour = base.color(QPalette::ToolTipBase);
    else if (focused)
        colour = kFocusColour;
    pal.setColor(QPalette::Base, colour);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        pal.setColor(QPalette::Button, focused ? kFocusColour : base.color(QPalette::Button));
        if (combo->lineEdit())
            combo->lineEdit()->setPalette(pal);
    }
    w->setPalette(pal);
}

class InputFilter : public QObject
{
public:
    using QObject::QObject;
    static InputFilter* instance()
    {
        static QPointer<InputFilter> filter;
        if (!filter)
            filter = new InputFilter(qApp);
        return filter;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            Paint(w, true);
            break;
        case QEvent::FocusOut:
            Paint(w, false);
            break;
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && EnterMovesOn(w)) {
                auto* combo = qobject_cast<QComboBox*>(w);
                if (combo && combo->view() && combo->view()->isVisible())
                    return false; // Enter picks the item of an open list
                // A Tab press moves on exactly as Tab would, focus proxies included.
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QCoreApplication::sendEvent(w, &tab);
                return true;
            }
            break;
        }
        default:
            break;
        }
        return false;
    }
};

void ShowNotice(QWidget* w, int maxBytes)
{
    if (w->isVisible())
        QToolTip::showText(w->mapToGlobal(QPoint(0, w->height())), LimitNotice(maxBytes), w);
}

} // namespace

QString LimitNotice(int maxBytes)
{
    return QStringLiteral("%1バイトを超えて入力することはできません。").arg(maxBytes);
}

void ApplyToInput(QWidget* input)
{
    if (!input || input->property(kApplied).toBool())
        return;
    input->setProperty(kApplied, true);
    input->installEventFilter(InputFilter::instance());
    Paint(input, input->hasFocus());
}

void Apply(QWidget* form)
{
    const auto children = form->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (IsInput(w))
            ApplyToInput(w);
    }
    if (form->isWindow())
        form->setMinimumSize(form->size());
}

void SetReadOnlyLook(QWidget* input, bool readOnly)
{
    if (auto* le = qobject_cast<QLineEdit*>(input))
        le->setReadOnly(readOnly);
    else if (auto* pe = qobject_cast<QPlainTextEdit*>(input))
        pe->setReadOnly(readOnly);
    else if (auto* te = qobject_cast<QTextEdit*>(input))
        te->setReadOnly(readOnly);
    else if (auto* sb = qobject_cast<QAbstractSpinBox*>(input))
        sb->setReadOnly(readOnly);
    Paint(input, input->hasFocus());
}

void LimitBytes(QLineEdit* edit, int maxBytes)
{
    const bool first = !edit->property(kLimit).isValid();
    edit->setProperty(kLimit, maxBytes);
    if (!first)
        return;
    // Characters are at most 2 bytes in Shift-JIS, so the character limit is a cheap first bound.
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const int limit = edit->property(kLimit).toInt();
        if (limit < 0 || text.size() <= limit / 2 || Cp932::byteLength(text) <= limit)
            return;
        int cursor = edit->cursorPosition();
        const QString cut = Cp932::truncateToBytes(text, limit);
        const QSignalBlocker block(edit);
        edit->setText(cut);
        edit->setCursorPosition(qMin(cursor, int(cut.size())));
        ShowNotice(edit, limit);
        emit edit->textChanged(cut);
    });
}

void LimitBytes(QPlainTextEdit* edit, int maxBytes)
{
    const bool first = !edit->property(kLimit).isValid();
    edit->setProperty(kLimit, maxBytes);
    if (!first)
        return;
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit]() {
        const int limit = edit->property(kLimit).toInt();
        const QString text = edit->toPlainText();
        if (limit < 0 || text.size() <= limit / 2)
            return;
        const auto bytes = [](const QString& t) { return Cp932::byteLength(t); };
        if (bytes(text) <= limit)
            return;
        QTextCursor cursor = edit->textCursor();
        const int position = cursor.position();
        // Drop what the last edit added beyond the limit: cut the text before the cursor.
        QString head = text.left(position);
        const QString tail = text.mid(position);
        while (!head.isEmpty() && bytes(head + tail) > limit)
            head.chop(head.size() >= 2 && head.at(head.size() - 1).isLowSurrogate() ? 2 : 1);
        QString result = head + tail;
        while (!result.isEmpty() && bytes(result) > limit)
            result.chop(1);
        const QSignalBlocker block(edit);
        edit->setPlainText(result);
        cursor = edit->textCursor();
        cursor.setPosition(qMin(int(head.size()), int(result.size())));
        edit->setTextCursor(cursor);
        ShowNotice(edit, limit);
        emit edit->textChanged();
    });
}

void LimitBytes(QComboBox* combo, int maxBytes)
{
    combo->setProperty(kLimit, maxBytes);
    if (combo->lineEdit())
        LimitBytes(combo->lineEdit(), maxBytes);
}

void LimitToColumn(QLineEdit* edit, const QString& table, const QString& column)
{
    LimitBytes(edit, ColumnWidths::Width(table, column));
}

void LimitToColumn(QPlainTextEdit* edit, const QString& table, const QString& column)
{
    LimitBytes(edit, ColumnWidths::Width(table, column));
}

void LimitToColumn(QComboBox* combo, const QString& table, const QString& column)
{
    LimitBytes(combo, ColumnWidths::Width(table, column));
}

int ByteLimit(const QWidget* input)
{
    const QVariant v = input->property(kLimit);
    return v.isValid() ? v.toInt() : -1;
}

namespace {
// The Alt+key buttons of one area, kept as a child of the area.
class AreaKeys : public QObject
{
public:
    using QObject::QObject;
    QHash<int, QPointer<QAbstractButton>> Buttons;
};

AreaKeys* areaKeysOf(const QWidget* w)
{
    for (QObject* child : w->children())
        if (auto* keys = dynamic_cast<AreaKeys*>(child))
            return keys;
    return nullptr;
}

// Alt+key of an area's buttons, taken before the focused input or the window's shortcuts see
// it: a line edit would type the letter, and a window-wide button with the same key would
// make the key ambiguous, and then nothing acts. One filter on the application is what lets
// it come first; only Alt key events are looked at, the innermost area with the key wins.
class AreaKeyFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() != Qt::AltModifier || !watched->isWidgetType())
            return false;
        for (auto* w = static_cast<QWidget*>(watched); w; w = w->isWindow() ? nullptr : w->parentWidget()) {
            AreaKeys* keys = areaKeysOf(w);
            QAbstractButton* button = keys ? keys->Buttons.value(key->key()) : nullptr;
            if (!button || !button->isEnabled() || !button->isVisible())
                continue;
            key->accept();
            if (event->type() == QEvent::KeyPress)
                button->click();
            return true;
        }
        return false;
    }
};
} // namespace

void AreaShortcut(QWidget* area, Qt::Key key, QAbstractButton* button)
{
    static QPointer<AreaKeyFilter> filter;
    if (!filter) {
        filter = new AreaKeyFilter(qApp);
        qApp->installEventFilter(filter);
    }
    AreaKeys* keys = areaKeysOf(area);
    if (!keys)
        keys = new AreaKeys(area);
    keys->Buttons.insert(key, button);
}

} // namespace DialogKit
