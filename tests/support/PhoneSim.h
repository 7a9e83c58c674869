#pragma once

#include <QProcess>
#include <QStringList>

#include <memory>

// The phone simulator, for tests that need a phone on the other end of a Wi-Fi link.
namespace PhoneSim {
// A TCP port nobody listens on right now.
int FreePort();
// Whether something listens on the TCP port, read from the kernel's table so that no probe
// connection reaches the program as a phone.
bool Listening(int port);
// Starts zuvaro-phone against port, trying again while nobody listens there yet; null
// when it could not connect within timeoutMs.
std::unique_ptr<QProcess> Start(int port, const QStringList& args = {}, int timeoutMs = 30000);
}
