#pragma once

class TfrmMain;

// Plugs the day's response list "対応履歴" and the response search into the main window.
void InstallResponsePage(TfrmMain& form);
