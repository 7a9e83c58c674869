#pragma once

class TfrmMain;

// Plugs "データ出力" and "履歴削除" into the main window.
void InstallLogs(TfrmMain& form);
