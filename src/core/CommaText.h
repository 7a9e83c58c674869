#pragma once

#include <QString>
#include <QStringList>

// The classic string-list comma text, as lists are kept in the settings file: entries
// separated by commas; an entry holding a blank, control character, comma or double quote is
// written between double quotes with inner double quotes doubled.
namespace CommaText {
// Blanks and control characters outside quotes separate entries too, so "a b" reads as two.
QStringList Split(const QString& text);
QString Join(const QStringList& entries);
} // namespace CommaText
