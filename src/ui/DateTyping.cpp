#include "ui/DateTyping.h"

#include "core/Clock.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>

namespace DateTyping {

std::optional<QDate> Parse(const QString& typed)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})/(\\d{1,2})/(\\d{1,2})$|^(\\d{4})(\\d{2})(\\d{2})$"));
    const QRegularExpressionMatch m = form.match(typed);
    if (!m.hasMatch())
        return std::nullopt;
    const int base = m.capturedLength(1) > 0 ? 1 : 4;
    const QDate date(m.captured(base).toInt(), m.captured(base + 1).toInt(), m.captured(base + 2).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

namespace {

class Typing : public QObject
{
public:
    explicit Typing(QDateEdit* edit) : QObject(edit), FEdit(edit) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != FEdit) {
            // The calendar of a blank picker opens at today.
            if (event->type() == QEvent::Show && FEdit->date() == FEdit->minimumDate() &&
                !FEdit->specialValueText().isEmpty())
                if (auto* calendar = qobject_cast<QCalendarWidget*>(watched))
                    calendar->setCurrentPage(Clock::today().year(), Clock::today().month());
            return false;
        }
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            FTyped.clear();
            return false;
        }
        if (event->type() != QEvent::KeyPress || FEdit->isReadOnly())
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool typed = text.size() == 1 && (text.at(0).isDigit() || text.at(0) == QLatin1Char('/')) &&
                           text.at(0).unicode() < 0x80;
        if (key->key() == Qt::Key_Backspace && !FTyped.isEmpty()) {
            FTyped.chop(1);
        } else if (typed) {
            if (FTyped.size() >= 10)
                return true;
            FTyped += text;
        } else {
            // Any other key goes to the picker as usual and ends the typed date.
            FTyped.clear();
            return false;
        }
        Show();
        return true;
    }

private:
    void Show()
    {
        if (const std::optional<QDate> date = Parse(FTyped);
            date && *date >= FEdit->minimumDate() && *date <= FEdit->maximumDate()) {
            FEdit->setDate(*date);
            return;
        }
        // Not a date yet: shown as typed; leaving the picker brings back its date.
        if (auto* line = FEdit->findChild<QLineEdit*>()) {
            line->setText(FTyped);
            line->setCursorPosition(int(FTyped.size()));
        }
    }

    QDateEdit* FEdit;
    QString FTyped;
};

} // namespace

void Install(QDateEdit* edit)
{
    auto* typing = new Typing(edit);
    edit->installEventFilter(typing);
    if (edit->calendarPopup() && edit->calendarWidget())
        edit->calendarWidget()->installEventFilter(typing);
}

} // namespace DateTyping
