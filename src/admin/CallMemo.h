#pragma once

#include <QString>

// The memo of a call as the memo window hands it over: its lines joined by CR LF, with no
// line break after the last one, at most 4000 Shift-JIS bytes including the line breaks.
namespace CallMemo {
constexpr int kMaxBytes = 4000;
QString FromEditor(const QString& plainText);
QString ToEditor(const QString& memo);
bool TooLong(const QString& memo);
QString TooLongMessage();
}
