#include "ui/DialogKit.h"

#include "core/Cp932.h"
#include "db/ColumnWidths.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
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

#include <memory>

namespace DialogKit {
namespace {

const char* const kApplied = "zuvaroDialogKit";
const char* const kLimit = "zuvaroByteLimit";
const QColor kFocusColour(255, 200, 200);
// Only while focused; otherwise the style's own frame.
const QString kFocusFrame =
    QStringLiteral("QPlainTextEdit:focus, QTextEdit:focus { border: 2px solid rgb(230, 120, 120); }");

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
    else if (focused && EnterMovesOn(w))
        colour = kFocusColour; // a large text area shows its focus by a frame instead
    pal.setColor(QPalette::Base, colour);
    // A disabled input (a record in browse mode) reads like a read-only one: the tooltip
    // background with the normal text colour, not pale grey text.
    pal.setColor(QPalette::Disabled, QPalette::Base, base.color(QPalette::Active, QPalette::ToolTipBase));
    pal.setColor(QPalette::Disabled, QPalette::Text, base.color(QPalette::Active, QPalette::Text));
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, base.color(QPalette::Active, QPalette::ButtonText));
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
    if (!EnterMovesOn(input) && input->styleSheet().isEmpty())
        input->setStyleSheet(kFocusFrame);
    Paint(input, input->hasFocus());
}

void Apply(QWidget* form)
{
    const auto children = form->findChildren<QWidget*>();
    for (QWidget* w : children) {
        if (IsInput(w))
            ApplyToInput(w);
    }
    if (form->isWindow()) {
        // The design size, or more where the captions and inputs need it (a larger font or
        // scale factor than the design's).
        const QSize size = form->size().expandedTo(form->minimumSizeHint());
        form->resize(size);
        form->setMinimumSize(size);
    }
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

namespace {
// What an edit keeps of the text it inserted (at, length inserted) between unchanged parts:
// the inserted text cut to the bytes the rest leaves free, in one pass. A full field thus
// refuses a character typed anywhere, and a paste keeps its beginning.
struct Cut
{
    QString text;
    int cursor = 0;
    bool changed = false;
};
Cut CutInserted(const QString& text, int at, int inserted, int limit)
{
    Cut out{text, at + inserted, false};
    if (limit < 0 || text.size() <= limit / 2)
        return out;
    const int total = Cp932::byteLength(text);
    if (total <= limit)
        return out;
    const QString added = text.mid(at, inserted);
    const int budget = limit - (total - Cp932::byteLength(added));
    out.changed = true;
    if (budget < 0) {
        // Over the limit without what was inserted (a limit set on longer text): cut the end.
        out.text = Cp932::truncateToBytes(text.left(at) + text.mid(at + inserted), limit);
        out.cursor = qMin(at, int(out.text.size()));
        return out;
    }
    const QString kept = Cp932::truncateToBytes(added, budget);
    out.text = text.left(at) + kept + text.mid(at + inserted);
    out.cursor = at + int(kept.size());
    return out;
}

// Where a change inserted into text, found against the text before it: what lies between
// the longest common beginning and the longest common end.
std::pair<int, int> InsertedRange(const QString& before, const QString& text)
{
    const int common = int(qMin(text.size(), before.size()));
    int prefix = 0;
    while (prefix < common && text.at(prefix) == before.at(prefix))
        ++prefix;
    int suffix = 0;
    while (suffix < common - prefix && text.at(text.size() - 1 - suffix) == before.at(before.size() - 1 - suffix))
        ++suffix;
    // Never split a surrogate pair between the kept and the inserted part.
    if (prefix > 0 && text.at(prefix - 1).isHighSurrogate())
        --prefix;
    return {prefix, int(text.size()) - prefix - suffix};
}

// A paste into a limited multi-line text is cut before the text reaches it: a huge text
// would otherwise be laid out only to be removed again.
class PasteCutter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* edit = qobject_cast<QPlainTextEdit*>(watched);
        if (!edit || event->type() != QEvent::KeyPress || edit->isReadOnly() ||
            !static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste))
            return false;
        const int limit = ByteLimit(edit);
        const QClipboard* clipboard = QGuiApplication::clipboard();
        const QString pasted = clipboard ? clipboard->text() : QString();
        if (limit < 0 || pasted.isEmpty())
            return false;
        QTextCursor cursor = edit->textCursor();
        const QString text = edit->toPlainText();
        const int start = cursor.selectionStart();
        const int end = cursor.selectionEnd();
        const int budget = limit - Cp932::byteLength(text.left(start) + text.mid(end));
        const QString kept = Cp932::truncateToBytes(pasted, qMax(0, budget));
        if (kept.size() < pasted.size())
            ShowNotice(edit, limit);
        if (kept.isEmpty())
            return true;
        cursor.insertText(kept);
        edit->setTextCursor(cursor);
        edit->ensureCursorVisible();
        return true;
    }
};
} // namespace

void LimitBytes(QLineEdit* edit, int maxBytes)
{
    const bool first = !edit->property(kLimit).isValid();
    edit->setProperty(kLimit, maxBytes);
    if (!first)
        return;
    // The text before each change tells what the change inserted.
    auto before = std::make_shared<QString>(edit->text());
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, before](const QString& text) {
        const int limit = edit->property(kLimit).toInt();
        const auto [at, added] = InsertedRange(*before, text);
        const Cut cut = CutInserted(text, at, added, limit);
        *before = cut.text;
        if (!cut.changed)
            return;
        {
            const QSignalBlocker block(edit);
            edit->setText(cut.text);
            edit->setCursorPosition(cut.cursor);
        }
        ShowNotice(edit, limit);
        if (cut.text != text)
            emit edit->textChanged(cut.text);
    });
}

void LimitBytes(QPlainTextEdit* edit, int maxBytes)
{
    const bool first = !edit->property(kLimit).isValid();
    edit->setProperty(kLimit, maxBytes);
    if (!first)
        return;
    edit->installEventFilter(new PasteCutter(edit));
    // The text before each change tells what the change inserted (the document's own change
    // reports cover whole paragraphs for input-method text).
    auto before = std::make_shared<QString>(edit->toPlainText());
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, before]() {
        const int limit = edit->property(kLimit).toInt();
        const QString text = edit->toPlainText();
        const auto [at, added] = InsertedRange(*before, text);
        const Cut cut = CutInserted(text, at, added, limit);
        *before = cut.text;
        if (!cut.changed)
            return;
        {
            const QSignalBlocker block(edit);
            QTextCursor cursor(edit->document());
            if (cut.text.size() + (at + added - cut.cursor) == text.size()) {
                // Only the end of what was inserted goes: one removal, undo history kept.
                cursor.setPosition(cut.cursor);
                cursor.setPosition(at + added, QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
            } else {
                edit->setPlainText(cut.text);
                cursor = edit->textCursor();
                cursor.setPosition(cut.cursor);
            }
            edit->setTextCursor(cursor);
        }
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
