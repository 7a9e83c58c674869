#pragma once

#include <QString>

class QLineEdit;
class QPlainTextEdit;
class QAbstractButton;
class QComboBox;
class QWidget;

// What every form of the program shares: the focused input is painted RGB(255,200,200),
// read-only inputs carry the tooltip background, Enter moves to the next field, and a
// resizable form cannot be made smaller than its design size.
namespace DialogKit {

// Applies focus colour and Enter-moves-on to every input below form (now and when called
// again for inputs made later) and fixes the minimum size at the form's current size, grown to
// what its layout needs.
void Apply(QWidget* form);
// The same for one input made after Apply (option editors built at run time).
void ApplyToInput(QWidget* input);
// Paints an input as read-only (and makes it so).
void SetReadOnlyLook(QWidget* input, bool readOnly = true);

// Holds an input to maxBytes Shift-JIS bytes: typing or pasting beyond stops at the limit,
// never half a character, with a short notice beside the input. maxBytes < 0: no limit.
void LimitBytes(QLineEdit* edit, int maxBytes);
void LimitBytes(QPlainTextEdit* edit, int maxBytes);
void LimitBytes(QComboBox* combo, int maxBytes);
// The limit of a database column, read from the database's own catalogue.
void LimitToColumn(QLineEdit* edit, const QString& table, const QString& column);
void LimitToColumn(QPlainTextEdit* edit, const QString& table, const QString& column);
void LimitToColumn(QComboBox* combo, const QString& table, const QString& column);
// The limit set on an input, -1 when none (tests).
int ByteLimit(const QWidget* input);
// The notice shown when input was cut at the limit.
QString LimitNotice(int maxBytes);

// Alt+key clicks button (when enabled) while the focus is within area, ahead of a button
// elsewhere on the window with the same key.
void AreaShortcut(QWidget* area, Qt::Key key, QAbstractButton* button);

} // namespace DialogKit
