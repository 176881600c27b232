#pragma once

#include <QtGlobal>

#include <mutex>
#include <optional>
#include <vector>

class Thread;

// The list of launch threads started and not yet ended, with its own lock: the timer's worker
// appends, the user-interface thread removes (at each thread's end), asks them to end and releases
// the list. Absent until the first append; it refers to the threads but does not own them.
class TLaunchThreadList final
{
public:
    TLaunchThreadList() = default;
    Q_DISABLE_COPY_MOVE(TLaunchThreadList)

    // Whether the list exists (created by the first append, gone after Release).
    bool Exists() const;
    int Count() const;
    bool Contains(const Thread* thread) const;
    // Creates the list when there is none, and appends.
    void Append(Thread* thread);
    void Remove(const Thread* thread);
    // Sets the terminate request of every listed thread, first to last.
    void TerminateAll();
    // Releases the list.
    void Release();

private:
    mutable std::mutex m_lock;
    std::optional<std::vector<Thread*>> m_threads;
};
