#pragma once

#include <QDate>
#include <QString>

#include <optional>

class QDateEdit;

// A date picker that takes a date typed whole, in the form it shows ("1990/05/20", also
// "1990/5/20" or "19900520"), whatever it showed before, blank included. The picker's own
// field-by-field typing turns such input into another date; here the typed characters are
// collected and the date is set as soon as they form one. A picker whose earliest date
// stands for "no date" opens its calendar at today rather than at that date.
namespace DateTyping {
void Install(QDateEdit* edit);
// The date the typed text stands for, if it is a whole date.
std::optional<QDate> Parse(const QString& typed);
} // namespace DateTyping
