#include "toolkit/base/Thread.h"

#include "toolkit/base/UiThread.h"

#include <pthread.h>

namespace {
std::atomic<int> g_live{0};
} // namespace

Thread::Thread(std::string name) : m_name(std::move(name)) {}

Thread::~Thread()
{
    if (m_thread.joinable()) {
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach(); // freed on its own thread, without an event loop
        else
            m_thread.join();
    }
    if (m_counted)
        --g_live;
}

int Thread::liveCount() noexcept
{
    return g_live.load();
}

void Thread::start()
{
    if (m_started.exchange(true))
        return;
    const std::lock_guard lock(m_startLock);
    m_thread = std::thread([this] { run(); });
    m_counted = true;
    ++g_live;
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
    // The end notification runs on the user-interface thread; when it cannot get there, a thread
    // that frees itself is freed all the same, wherever the drop happens.
    UiThread::post(
        [this, alive] {
            if (!alive.lock())
                return;
            if (m_onTerminate)
                m_onTerminate(*this);
            if (m_freeOnTerminate)
                delete this;
        },
        [this, alive] {
            if (alive.lock() && m_freeOnTerminate)
                delete this;
        });
}
