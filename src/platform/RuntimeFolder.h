#pragma once

#include <QString>

// The user's private runtime folder, for the one-copy lock and the socket through which a
// second start hands its text over. XDG_RUNTIME_DIR when the session sets it and it is the
// user's own; without it, a folder of our own in the user's home, made 0700 and checked to
// belong to the user. Never a folder of a guessable name in a shared place: another local
// user could make it first and so take the lock or the texts. Empty when neither is usable.
QString PrivateRuntimeFolder();
// Without XDG_RUNTIME_DIR (cron, su) Qt makes /tmp/runtime-<user> for its own use: called
// before the application object, this names the private folder above instead.
void ProvideRuntimeFolder();
