#pragma once

#include <QString>

// Start with the user's desktop: an XDG autostart entry named after the executable
// (~/.config/autostart/zuvaro3.desktop) that starts it in its own folder.
namespace AutostartEntry {
QString Path();
bool Exists();
// Creates or removes the entry as asked and writes what happened to the diagnostic log.
// Returns whether the entry exists afterwards.
bool Apply(bool on);
} // namespace AutostartEntry
