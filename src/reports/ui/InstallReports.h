#pragma once

class TfrmMain;

// Plugs the totals into the main window: "集計(&P)" opens the totals dialog for the day
// chosen on the window.
void InstallReports(TfrmMain& form);
