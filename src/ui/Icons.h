#pragma once

#include <QIcon>
#include <QPixmap>

// The program's small pictures, drawn rather than shipped.
namespace Icons {
// Application and tray icon: green while every phone is linked, grey otherwise.
QIcon AppIcon(bool allAttached = true);
// The response mark of the call logs: a small sheet with lines of text.
QPixmap ResponseMark();
}
