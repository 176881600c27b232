#pragma once

#include <functional>

// Calls into the user-interface thread (the thread of the application object).
//
// Calls are queued to a receiver of our own that exists exactly as long as the application object
// takes events: it is made when the application object is constructed and goes, under a lock, when
// the application object starts to be destroyed. So no thread ever posts to an application object
// that is being destroyed, and a call still queued then is dropped (its dropped function runs).
namespace UiThread {

// True on the user-interface thread, and wherever no application object exists.
bool isCurrent();

// Whether an application object exists and takes calls.
bool available();

// The synchronous cross-thread call: runs fn on the user-interface thread and waits for it.
// On that thread, or without an application object, fn runs at once. An exception thrown by fn
// is handed back to the caller. Returns false when fn did not run because the application object
// went away before it could. Never call it while the user-interface thread waits for the caller.
bool runBlocking(const std::function<void()>& fn);

// Queues fn to the user-interface thread and returns at once; without an application object it
// runs at once.
void post(std::function<void()> fn);

// Queues fn to the user-interface thread and returns at once. When fn cannot run there (there is no
// application object, or it is destroyed before fn's turn comes), dropped runs instead: at once on
// the calling thread, or on the user-interface thread while the application object is destroyed.
// Exactly one of the two runs.
void post(std::function<void()> fn, std::function<void()> dropped);

} // namespace UiThread
