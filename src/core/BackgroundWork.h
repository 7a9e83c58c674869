#pragma once

#include <functional>

// Runs work on a thread of its own while this thread goes on serving its event loop (phone
// links, incoming calls), and returns once the work is done. work must not touch objects of
// this thread. Without an application object it simply runs work here.
void RunServingEvents(const std::function<void()>& work);
