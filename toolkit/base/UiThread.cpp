#include "toolkit/base/UiThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <exception>
#include <latch>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// One queued call. Destroyed without having run when its receiver goes first: dropped runs then.
class CallEvent final : public QEvent
{
public:
    static QEvent::Type type()
    {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }

    CallEvent(std::function<void()> fn, std::function<void()> dropped)
        : QEvent(type()), m_fn(std::move(fn)), m_dropped(std::move(dropped))
    {}
    ~CallEvent() override
    {
        if (!m_ran && m_dropped)
            m_dropped();
    }
    Q_DISABLE_COPY_MOVE(CallEvent)

    void run()
    {
        m_ran = true;
        m_fn();
    }

private:
    std::function<void()> m_fn;
    std::function<void()> m_dropped;
    bool m_ran = false;
};

class Receiver final : public QObject
{
public:
    Receiver() = default;
    Q_DISABLE_COPY_MOVE(Receiver)

    bool event(QEvent* event) override
    {
        if (event->type() != CallEvent::type())
            return QObject::event(event);
        static_cast<CallEvent*>(event)->run();
        return true;
    }
};

// The receiver of the current application object and its thread, under one lock.
std::mutex g_lock;
Receiver* g_receiver = nullptr;
std::thread::id g_uiThread;

void detach()
{
    Receiver* receiver = nullptr;
    {
        const std::lock_guard lock(g_lock);
        receiver = std::exchange(g_receiver, nullptr);
        g_uiThread = {};
    }
    // Calls still queued are dropped here, on the user-interface thread.
    delete receiver;
}

// Runs in the application object's constructor, on its thread; detach runs first in its destructor.
void attach()
{
    {
        const std::lock_guard lock(g_lock);
        if (g_receiver)
            return;
        g_receiver = new Receiver;
        g_uiThread = std::this_thread::get_id();
    }
    qAddPostRoutine(detach);
}

// Posts under the lock, so the receiver cannot go meanwhile; false when there is none.
bool queue(std::function<void()>& fn, std::function<void()>& dropped)
{
    const std::lock_guard lock(g_lock);
    if (!g_receiver)
        return false;
    QCoreApplication::postEvent(g_receiver, new CallEvent(std::move(fn), std::move(dropped)));
    return true;
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(attach)

namespace UiThread {

bool isCurrent()
{
    const std::lock_guard lock(g_lock);
    return !g_receiver || g_uiThread == std::this_thread::get_id();
}

bool available()
{
    const std::lock_guard lock(g_lock);
    return g_receiver != nullptr;
}

bool runBlocking(const std::function<void()>& fn)
{
    if (isCurrent()) {
        fn();
        return true;
    }
    std::exception_ptr failure;
    bool ran = false;
    std::latch done(1);
    std::function<void()> call = [&] {
        ran = true;
        try {
            fn();
        } catch (...) {
            failure = std::current_exception();
        }
        done.count_down();
    };
    std::function<void()> dropped = [&done] { done.count_down(); };
    if (!queue(call, dropped)) {
        // The application object went away since the check above.
        fn();
        return true;
    }
    done.wait();
    if (failure)
        std::rethrow_exception(failure);
    return ran;
}

void post(std::function<void()> fn)
{
    std::function<void()> dropped;
    if (!queue(fn, dropped))
        fn();
}

void post(std::function<void()> fn, std::function<void()> dropped)
{
    if (!queue(fn, dropped) && dropped)
        dropped();
}

} // namespace UiThread
