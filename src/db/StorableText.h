#pragma once

#include <QString>

// The database keeps text as CP932 bytes. A character outside CP932 would be stored as '?',
// so it is refused before anything is written.

// The refusal message: "「顧客名」に登録できない文字（X）が含まれています。", or without a
// field name "データベースに登録できない文字（X）が含まれています。".
QString UnstorableTextMessage(const QString& field, const QString& character);

// Throws an InputError (core/InputError.h) with that message (and logs it) when text holds a character CP932
// cannot hold. Dialogs call it per field with the field's caption.
void CheckStorableText(const QString& field, const QString& text);

// For text that must be stored whatever it holds (a caller's number: a call is never lost
// over it): each character CP932 cannot hold becomes "〓", and the result is cut to maxBytes
// CP932 bytes. Text that fits comes back unchanged.
QString StorableFallback(const QString& text, int maxBytes);
