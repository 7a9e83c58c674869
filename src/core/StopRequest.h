#pragma once

#include <QString>

#include <functional>

class QEventLoop;

// A stop request (SIGTERM, SIGINT, the desktop session ending) ends the program from
// wherever it is: inside a modal dialog, a message box, a device request's wait or any
// other nested loop, and also before the main loop runs.
//
// Request() sets a process-wide flag, runs the registered closers (the GUI registers one
// that rejects every open dialog and message box) and exits every running event loop,
// the main one included; loops started afterwards return at once. The program then
// unwinds to its start-up code, which runs the teardown once and exits with status 0.
//
// What this means for other code:
//  - A dialog needs nothing special: QDialog::exec() returns Rejected.
//  - MessageService answers every later question with its cautious answer (No, Cancel)
//    without showing it.
//  - A wait of our own (a QEventLoop, a processEvents loop) must end when Requested() is
//    true: run the loop through Exec(), or test Requested() in each round.
namespace StopRequest {
bool Requested();
// Idempotent; the first reason is the one logged.
void Request(const QString& reason);
// Runs loop unless a stop was requested; a stop ends it. Returns loop.exec()'s value, -1
// when it did not run.
int Exec(QEventLoop& loop);
// Called once by Request(), in the order added (the GUI's dialog closer).
void AddCloser(std::function<void()> closer);
// Tests: forget the request and the closers.
void ResetForTests();
} // namespace StopRequest
