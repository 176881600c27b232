#include "trigger/LaunchThreadList.h"

#include "toolkit/base/Thread.h"

#include <algorithm>

bool TLaunchThreadList::Exists() const
{
    const std::lock_guard lock(m_lock);
    return m_threads.has_value();
}

int TLaunchThreadList::Count() const
{
    const std::lock_guard lock(m_lock);
    return m_threads ? int(m_threads->size()) : 0;
}

bool TLaunchThreadList::Contains(const Thread* thread) const
{
    const std::lock_guard lock(m_lock);
    return m_threads && std::find(m_threads->begin(), m_threads->end(), thread) != m_threads->end();
}

void TLaunchThreadList::Append(Thread* thread)
{
    const std::lock_guard lock(m_lock);
    if (!m_threads)
        m_threads.emplace();
    m_threads->push_back(thread);
}

void TLaunchThreadList::Remove(const Thread* thread)
{
    const std::lock_guard lock(m_lock);
    if (!m_threads)
        return;
    const auto found = std::find(m_threads->begin(), m_threads->end(), thread);
    if (found != m_threads->end())
        m_threads->erase(found);
}

void TLaunchThreadList::TerminateAll()
{
    // Only the user-interface thread removes threads, and a listed thread frees itself only after
    // its end notification has run there, so every listed thread still exists while this runs
    // on that thread.
    const std::lock_guard lock(m_lock);
    if (!m_threads)
        return;
    for (Thread* thread : *m_threads)
        thread->terminate();
}

void TLaunchThreadList::Release()
{
    const std::lock_guard lock(m_lock);
    m_threads.reset();
}
