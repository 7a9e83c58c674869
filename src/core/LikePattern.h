#pragma once

#include <QString>

// The database compares LIKE patterns on Shift-JIS bytes, so a pattern can match inside a
// double-byte character (a trail byte equal to '\', '_' or an ASCII letter). Searches run the
// statement as built and then keep only the rows whose decoded text really matches.
namespace LikePattern {
// SQL LIKE on characters: '%' any run, '_' one character, everything else itself
// (case-sensitive, as the database compares).
bool Matches(const QString& text, const QString& pattern);
// The pattern a search builds for a typed text: "text%" from the beginning, "%text%" anywhere.
QString ForSearch(const QString& typed, bool anywhere);
}
