#pragma once

#include <QString>

class TfrmMain;
class TfrmMemo;

// The phone book and the call memo as the main window and the customer frames open them.
namespace AdminActions {
// The phone book dialog on number; a change refreshes the phone-book lists, and the main
// window's number field and caller name take the entry as the dialog closed.
void OpenTels(TfrmMain& form, const QString& number);
// The memo window for a call (number as text; empty, when no call is selected, says what
// to select; anything else but a whole number does nothing); OK stores the memo and
// refreshes the call lists.
void EditMemo(TfrmMain& form, const QString& logNo, const QString& memo);
QString NoCallSelectedMessage();
// The memo window of the main window, made at start-up (and on first use when missing).
TfrmMemo* MemoWindow(TfrmMain& form);
}
