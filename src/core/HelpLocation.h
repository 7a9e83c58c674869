#pragma once

#include <QString>

// Where the help pages of a program in exeDir are: beside the program first (a build tree,
// which copies them there, or a folder the program was copied to with its help), then in
// the installed data folder reached from the program's folder (<prefix>/bin →
// <prefix>/share/zuvaro3/help). One rule for the tree and the installed program.
namespace HelpLocation {

// The start page, index.html, of the first place that has one; empty when none has.
QString IndexPage(const QString& exeDir);
// The places looked at, in order.
QStringList Folders(const QString& exeDir);

} // namespace HelpLocation
