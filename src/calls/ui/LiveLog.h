#pragma once

class TfrmMain;

// With the database on a server, a call logged by another PC shows on this PC's call log
// at once: every LOG insert posts an event, and today's log is refreshed when it arrives.
void InstallLiveLog(TfrmMain& form);
