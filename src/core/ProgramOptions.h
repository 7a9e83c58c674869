#pragma once

#include <QString>
#include <QStringList>

// The informational arguments of the program. They are answered on the terminal before
// anything else happens: no display, no data folders, no settings file. Only a lone
// argument counts, so "/s <text>" and a user id with a password keep their meaning
// whatever they look like.
namespace ProgramOptions {

enum class Info { None, Help, Version };

// args without the program's own name.
Info Parse(const QStringList& args);
QString HelpText();
QString VersionText();

} // namespace ProgramOptions
