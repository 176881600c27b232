#pragma once

#include <QtGlobal>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A worker thread in the manner of the toolkit's thread class: created suspended, started once,
// asked to end through a terminate request that the body polls, optionally freed when it has ended,
// and with an end notification that runs on the user-interface thread.
//
// A terminate request that comes before the body starts skips the body; the end is still reported.
// A thread that frees itself must not be touched by anyone once it has been started, except through
// terminate() by an owner that learns of its end from the end notification.
// A thread that does not free itself is destroyed by its owner on the user-interface thread; the
// destructor waits for the body to return, and a pending end notification is dropped.
class Thread
{
public:
    using TerminateHandler = std::function<void(Thread& thread)>;

    explicit Thread(std::string name);
    virtual ~Thread();
    Q_DISABLE_COPY_MOVE(Thread)

    void start();
    void terminate() noexcept { m_terminated.store(true); }
    bool terminated() const noexcept { return m_terminated.load(); }

    void setFreeOnTerminate(bool free) noexcept { m_freeOnTerminate = free; }
    bool freeOnTerminate() const noexcept { return m_freeOnTerminate; }

    // Runs on the user-interface thread after the body has returned (or was skipped).
    void setOnTerminate(TerminateHandler handler) { m_onTerminate = std::move(handler); }

    bool started() const noexcept { return m_started.load(); }
    bool finished() const noexcept { return m_finished.load(); }
    const std::string& name() const noexcept { return m_name; }

    // The exception that ended the body, if any (the toolkit swallows it like its thread class does).
    std::exception_ptr fatalException() const { return m_fatal; }

    // Valid from start() on.
    std::thread::native_handle_type nativeHandle() { return m_thread.native_handle(); }
    std::thread::id id() const noexcept { return m_thread.get_id(); }

protected:
    virtual void execute() = 0;

private:
    void run();
    void reportEnd();

    std::string m_name;
    std::thread m_thread;
    // Held by start() while it stores m_thread: the body waits for it, so that an end reported
    // (and a free done) on another thread never meets a half-stored m_thread.
    std::mutex m_startLock;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_finished{false};
    bool m_freeOnTerminate = false;
    TerminateHandler m_onTerminate;
    std::exception_ptr m_fatal;
    // Lets a queued end notification see on the user-interface thread whether its thread still exists.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
