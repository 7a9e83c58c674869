#pragma once

#include <QString>

// A "zuvaro:" address forwarded from another program, e.g. "zuvaro:dial?telno=0312345678".
struct TDialRequest
{
    bool IsDial = false; // the command was "dial"
    QString TelNo;       // the "telno" parameter, empty when absent
};

namespace DialAddress {
// True when the text starts with "zuvaro:" in any letter case.
bool IsAddress(const QString& text);
// Reads the command and its parameters; any command but "dial" gives IsDial false.
TDialRequest Parse(const QString& text);
// Turns a number to dial into what the phone is sent: full-width digits and signs become
// ASCII, blanks and hyphens go. Anything but 0-9 + * # (a command separator, a letter, a
// control character) or more than MaxDialDigits characters refuses the whole number:
// false, and number is left empty.
constexpr int MaxDialDigits = 40; // the width of TEL_NO
bool CleanDialNumber(const QString& raw, QString* number);
// The message for a refused number, naming it.
QString RefusedNumberMessage(const QString& raw);
// Splits comma text the classic string-list way: commas, blanks and control characters
// separate entries, double quotes keep them together ("" is a quote inside).
QStringList SplitCommaText(const QString& text);
}
