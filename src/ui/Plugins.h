#pragma once

class TfrmMain;

// Plugs every subsystem into the main window (buttons, menus, hooks on its signals); called
// once from the window's constructor. The window knows none of them.
void InstallPlugins(TfrmMain& form);
