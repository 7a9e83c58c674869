#pragma once

class TfrmMain;

// Plugs the customer frames, the phone book and the call memo into the main window.
void InstallCustomers(TfrmMain& form);
