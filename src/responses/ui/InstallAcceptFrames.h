#pragma once

class TfrmMain;

// Response frames on the customer tabs, the response mark of the call log and its
// double-click on the response column.
void InstallAcceptFrames(TfrmMain& form);
