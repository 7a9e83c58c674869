#pragma once

#include <QString>

// The database keeps text as CP932 bytes. A character outside CP932 would be stored as '?',
// so it is refused before anything is written.

// The refusal message: "「顧客名」に登録できない文字（X）が含まれています。", or without a
// field name "データベースに登録できない文字（X）が含まれています。".
QString UnstorableTextMessage(const QString& field, const QString& character);

// Throws an AppError with that message (and logs it) when text holds a character CP932
// cannot hold. Dialogs call it per field with the field's caption.
void CheckStorableText(const QString& field, const QString& text);
