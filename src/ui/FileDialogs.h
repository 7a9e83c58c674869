#pragma once

#include <QString>

class QWidget;

// The program's file and folder choosers: each opens in the folder a file was last chosen in
// during this run, else in the user's home folder (never the program's own folder).
namespace FileDialogs {

QString StartFolder();
// Remembers the folder of a chosen file or folder; an empty path changes nothing.
void Remember(const QString& chosen);
// A suggested file name placed in the start folder.
QString StartPath(const QString& fileName);

QString OpenFile(QWidget* parent, const QString& caption, const QString& filter);
QString SaveFile(QWidget* parent, const QString& caption, const QString& suggestedName, const QString& filter);
// start: the folder to open in when it exists, else the start folder.
QString Folder(QWidget* parent, const QString& caption, const QString& start);

} // namespace FileDialogs
