#pragma once

#include <functional>

// Calls into the user-interface thread (the thread of the application object).
namespace UiThread {

// True on the user-interface thread, and wherever no application object exists.
bool isCurrent();

// The synchronous cross-thread call: runs fn on the user-interface thread and waits for it.
// On that thread, or without an application object, fn runs at once. An exception thrown by fn
// is handed back to the caller. Never call it while the user-interface thread waits for the caller.
void runBlocking(const std::function<void()>& fn);

// Queues fn to the user-interface thread and returns at once; without an application object it
// runs at once.
void post(std::function<void()> fn);

} // namespace UiThread
