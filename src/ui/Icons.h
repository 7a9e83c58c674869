#pragma once

#include <QIcon>

// The program's small pictures, drawn rather than shipped.
namespace Icons {
// Application and tray icon: green while every phone is linked, grey otherwise.
QIcon AppIcon(bool allAttached = true);
}
