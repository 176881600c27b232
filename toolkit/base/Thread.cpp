#include "toolkit/base/Thread.h"

#include "toolkit/base/UiThread.h"

#include <pthread.h>

Thread::Thread(std::string name) : m_name(std::move(name)) {}

Thread::~Thread()
{
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach(); // freed from its own end notification, without an event loop
    else
        m_thread.join();
}

void Thread::start()
{
    if (m_started.exchange(true))
        return;
    const std::lock_guard lock(m_startLock);
    m_thread = std::thread([this] { run(); });
}

void Thread::run()
{
    {
        // start() may run on a thread other than the user-interface thread.
        const std::lock_guard lock(m_startLock);
    }
    // Linux limits thread names to 15 characters.
    pthread_setname_np(pthread_self(), m_name.substr(0, 15).c_str());
    if (!terminated()) {
        try {
            execute();
        } catch (...) {
            m_fatal = std::current_exception();
        }
    }
    m_finished.store(true);
    reportEnd();
}

void Thread::reportEnd()
{
    if (!m_onTerminate && !m_freeOnTerminate)
        return;
    std::weak_ptr<int> alive = m_alive;
    // Nothing of this object may be touched on this thread after the post: the object may be gone.
    UiThread::post([this, alive] {
        if (!alive.lock())
            return;
        if (m_onTerminate)
            m_onTerminate(*this);
        if (m_freeOnTerminate)
            delete this;
    });
}
