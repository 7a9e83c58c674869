#pragma once

#include <QDate>
#include <QString>

// SQL literal: the text between single quotes with every single quote doubled.
QString QuotedSql(const QString& text);
// "null" for an empty text, else the text itself (numbers held as text).
QString NullOrText(const QString& text);
// CSV field: the text between double quotes with every double quote doubled.
QString DoubleQuoted(const QString& text);
QString FlagText(bool on);
// True exactly when the text is "1".
bool IsFlagOn(const QString& text);
// Whole years from earlier to later (an age).
int YearsBetween(const QDate& earlier, const QDate& later);
// ASCII and half-width katakana to their full-width forms; voiced marks are combined.
QString ToFullWidth(const QString& text);
// Every "-" removed (the _NON form of a number as a user typed it).
QString RemoveHyphens(const QString& text);
// A caller's number without control characters (below 0x20, and DEL), however it arrived:
// left in, they would travel into the database and forge lines in the logs, and a NUL
// cannot be stored at all.
QString RemoveControlCharacters(const QString& text);
// Date literals in the form the database expects.
QString SqlDate(const QDate& d);
QString SqlDateTime(const QDateTime& t);
