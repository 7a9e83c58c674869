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
// Splits comma text the classic string-list way: commas, blanks and control characters
// separate entries, double quotes keep them together ("" is a quote inside).
QStringList SplitCommaText(const QString& text);
}
