#pragma once

#include <QByteArray>
#include <QString>

// The database and the CSV files hold text as CP932 (Shift-JIS) bytes.
namespace Cp932 {
// Encodes text; ok is false when a character has no CP932 form (it would become '?').
QByteArray encode(const QString& text, bool* ok = nullptr);
QString decode(const QByteArray& bytes);
bool canEncode(const QString& text);
// Length in CP932 bytes, the unit in which input field lengths are counted.
int byteLength(const QString& text);
// The longest beginning of text that fits in maxBytes CP932 bytes (never half a character).
QString truncateToBytes(const QString& text, int maxBytes);
// The first character that CP932 cannot hold, or an empty string.
QString firstUnencodable(const QString& text);
}
