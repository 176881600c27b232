#include "trigger/ZylTimer.h"

#include "platform/ThreadPriority.h"
#include "platform/TimerResolution.h"
#include "toolkit/base/Thread.h"
#include "toolkit/base/UiThread.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>

class TTimerThread;

namespace {

// One worker's own state, guarded by the shared lock.
struct TWorkerControl
{
    bool Stop = false;              // told to stop by the timer
    TTimerThread* Thread = nullptr; // while the thread object exists
    int ThreadId = 0;               // kernel id once the body runs, for priority changes
    quint32 TickCounter = 0;
    bool Looping = false; // from the start of the body until the loop ends
};

// Round half to even.
double RoundHalfEven(double x)
{
    const double whole = std::floor(x);
    const double fraction = x - whole;
    if (fraction > 0.5)
        return whole + 1;
    if (fraction < 0.5)
        return whole;
    return std::fmod(whole, 2.0) == 0 ? whole : whole + 1;
}

ThreadPriority::Level PlatformLevel(TThreadPriority priority)
{
    switch (priority) {
    case tpIdle:
        return ThreadPriority::Level::Idle;
    case tpLowest:
        return ThreadPriority::Level::Lowest;
    case tpLower:
        return ThreadPriority::Level::Lower;
    case tpNormal:
        break;
    case tpHigher:
        return ThreadPriority::Level::Higher;
    case tpHighest:
        return ThreadPriority::Level::Highest;
    case tpTimeCritical:
        return ThreadPriority::Level::TimeCritical;
    }
    return ThreadPriority::Level::Normal;
}

} // namespace

// Everything the timer and its workers share, under one lock.
struct TZylTimerShared
{
    mutable std::mutex Lock;
    std::condition_variable Wake; // a worker was told to stop

    TZylTimer* Owner = nullptr; // cleared when the timer is destroyed
    bool Enabled = true;
    double Interval = 1.0;
    bool Cycled = true;
    quint32 RepeatCount = 0;
    TNotifyEvent OnTimer;
    TThreadPriority Priority = tpNormal;
    bool Synchronized = false;

    std::shared_ptr<TWorkerControl> Current;
    int Workers = 0;
    std::atomic<int> RunningHandlers{0};

    // Lock held.
    void StopWorker(TWorkerControl& worker);
};

// The worker of one enabling of the timer. Frees itself when it ends.
class TTimerThread final : public Thread
{
public:
    TTimerThread(std::shared_ptr<TZylTimerShared> Shared, std::shared_ptr<TWorkerControl> Control)
        : Thread("ZylTimer"), m_shared(std::move(Shared)), m_control(std::move(Control))
    {
        setFreeOnTerminate(true);
    }

    ~TTimerThread() override
    {
        const std::lock_guard lock(m_shared->Lock);
        m_control->Thread = nullptr;
        --m_shared->Workers;
    }

protected:
    void execute() override;

private:
    bool StopRequested() const { return m_control->Stop || terminated(); } // lock held
    // Sleeps; false when told to stop meanwhile.
    bool Sleep(quint32 Milliseconds);
    bool Cycle();
    void DoTimer();

    const std::shared_ptr<TZylTimerShared> m_shared;
    const std::shared_ptr<TWorkerControl> m_control;
};

TSleepPlan SleepPlan(double Interval)
{
    TSleepPlan plan;
    if (Interval > SleepLimitSeconds) {
        const double k = std::trunc(Interval / SleepLimitSeconds);
        if (!(k <= static_cast<double>(std::numeric_limits<quint32>::max()))) {
            plan.RangeError = true;
            return plan;
        }
        plan.FullSleeps = static_cast<quint32>(k);
        const double rest = Interval - k * SleepLimitSeconds;
        if (std::trunc(rest * 1000) > 0)
            plan.RestMilliseconds = static_cast<quint32>(RoundHalfEven(rest * 1000));
    } else if (std::trunc(Interval * 1000) > 0) {
        plan.RestMilliseconds = static_cast<quint32>(RoundHalfEven(Interval * 1000));
    }
    return plan;
}

void TZylTimerShared::StopWorker(TWorkerControl& worker)
{
    worker.Stop = true;
    // The thread object exists only while its pointer is set, and it clears it under this lock.
    if (worker.Thread)
        worker.Thread->terminate();
    Wake.notify_all();
}

bool TTimerThread::Sleep(quint32 Milliseconds)
{
    std::unique_lock lock(m_shared->Lock);
    return !m_shared->Wake.wait_for(lock, std::chrono::milliseconds(Milliseconds),
                                    [this] { return StopRequested(); });
}

void TTimerThread::execute()
{
    const TimerResolutionRequest resolution;
    {
        const std::lock_guard lock(m_shared->Lock);
        m_control->ThreadId = ThreadPriority::currentThreadId();
        m_control->Looping = true;
        if (m_shared->Priority != tpNormal)
            ThreadPriority::apply(m_control->ThreadId, PlatformLevel(m_shared->Priority));
    }
    struct LoopEnd
    {
        TTimerThread& thread;
        ~LoopEnd()
        {
            const std::lock_guard lock(thread.m_shared->Lock);
            thread.m_control->Looping = false;
        }
    } loopEnd{*this};
    while (Cycle()) {
    }
}

// One cycle of the loop; false when the worker ends.
bool TTimerThread::Cycle()
{
    double interval = 0;
    {
        const std::lock_guard lock(m_shared->Lock);
        if (StopRequested() || !m_shared->Enabled)
            return false;
        interval = m_shared->Interval;
    }
    const TSleepPlan plan = SleepPlan(interval);
    if (plan.RangeError)
        return false;
    for (quint32 i = 0; i < plan.FullSleeps; ++i) {
        if (!Sleep(FullSleepMilliseconds))
            return false;
    }
    if (plan.RestMilliseconds > 0 && !Sleep(plan.RestMilliseconds))
        return false;

    bool synchronized = false;
    {
        const std::lock_guard lock(m_shared->Lock);
        if (StopRequested())
            return false;
        synchronized = m_shared->Synchronized;
    }
    if (synchronized)
        UiThread::runBlocking([this] { DoTimer(); });
    else
        DoTimer();

    const std::lock_guard lock(m_shared->Lock);
    if (!m_shared->Cycled)
        terminate();
    ++m_control->TickCounter;
    if (m_shared->RepeatCount != 0 && m_control->TickCounter >= m_shared->RepeatCount)
        terminate();
    return true;
}

void TTimerThread::DoTimer()
{
    TNotifyEvent handler;
    TZylTimer* owner = nullptr;
    {
        // Checked and marked under one lock: a stop either comes first and no tick follows, or
        // finds the tick running and lets it finish.
        const std::lock_guard lock(m_shared->Lock);
        if (StopRequested() || !m_shared->Enabled || !m_shared->Owner || !m_shared->OnTimer)
            return;
        handler = m_shared->OnTimer;
        owner = m_shared->Owner;
        ++m_shared->RunningHandlers;
    }
    struct Running
    {
        std::atomic<int>& count;
        ~Running() { --count; }
    } running{m_shared->RunningHandlers};
    handler(owner);
}

TZylTimer::TZylTimer(QObject* Owner) : QObject(Owner), m_shared(std::make_shared<TZylTimerShared>())
{
    m_shared->Owner = this;
    UpdateTimer();
}

TZylTimer::~TZylTimer()
{
    const std::lock_guard lock(m_shared->Lock);
    m_shared->Enabled = false;
    m_shared->Owner = nullptr;
    m_shared->OnTimer = nullptr;
    if (m_shared->Current)
        m_shared->StopWorker(*m_shared->Current);
    m_shared->Current.reset();
}

bool TZylTimer::Enabled() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->Enabled;
}

void TZylTimer::SetEnabled(bool Value)
{
    {
        const std::lock_guard lock(m_shared->Lock);
        if (m_shared->Enabled == Value)
            return;
        m_shared->Enabled = Value;
    }
    UpdateTimer();
}

double TZylTimer::Interval() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->Interval;
}

void TZylTimer::SetInterval(double Value)
{
    const std::lock_guard lock(m_shared->Lock);
    m_shared->Interval = Value;
}

bool TZylTimer::Cycled() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->Cycled;
}

void TZylTimer::SetCycled(bool Value)
{
    const std::lock_guard lock(m_shared->Lock);
    m_shared->Cycled = Value;
}

quint32 TZylTimer::RepeatCount() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->RepeatCount;
}

void TZylTimer::SetRepeatCount(quint32 Value)
{
    const std::lock_guard lock(m_shared->Lock);
    m_shared->RepeatCount = Value;
}

TNotifyEvent TZylTimer::OnTimer() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->OnTimer;
}

void TZylTimer::SetOnTimer(TNotifyEvent Value)
{
    const std::lock_guard lock(m_shared->Lock);
    m_shared->OnTimer = std::move(Value);
}

TThreadPriority TZylTimer::Priority() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->Priority;
}

void TZylTimer::SetPriority(TThreadPriority Value)
{
    const std::lock_guard lock(m_shared->Lock);
    if (m_shared->Priority == Value)
        return;
    m_shared->Priority = Value;
    // A worker whose body has not started yet takes the value when it starts.
    const std::shared_ptr<TWorkerControl>& worker = m_shared->Current;
    if (worker && worker->Looping)
        ThreadPriority::apply(worker->ThreadId, PlatformLevel(Value));
}

bool TZylTimer::Synchronized() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->Synchronized;
}

void TZylTimer::SetSynchronized(bool Value)
{
    const std::lock_guard lock(m_shared->Lock);
    m_shared->Synchronized = Value;
}

quint32 TZylTimer::TickCounter() const
{
    const std::lock_guard lock(m_shared->Lock);
    return m_shared->Current ? m_shared->Current->TickCounter : 0;
}

void TZylTimer::UpdateTimer()
{
    TTimerThread* worker = nullptr;
    {
        const std::lock_guard lock(m_shared->Lock);
        if (m_shared->Current)
            m_shared->StopWorker(*m_shared->Current);
        m_shared->Current.reset();
        if (m_shared->Enabled) {
            auto control = std::make_shared<TWorkerControl>();
            // Owned by itself from start() on: it frees itself when it ends.
            worker = new TTimerThread(m_shared, control);
            control->Thread = worker;
            m_shared->Current = std::move(control);
            ++m_shared->Workers;
        }
    }
    if (!worker)
        return;
    // Not started yet, so it cannot have ended and freed itself in between.
    try {
        worker->start();
    } catch (...) {
        // No thread could be made: the worker never runs, so it is freed here and forgotten.
        {
            const std::lock_guard lock(m_shared->Lock);
            if (m_shared->Current && m_shared->Current->Thread == worker)
                m_shared->Current.reset();
        }
        delete worker;
        throw;
    }
}

bool TZylTimer::TickRunning() const
{
    return TickRunning(*m_shared);
}

bool TZylTimer::TickRunning(const TZylTimerShared& Shared)
{
    return Shared.RunningHandlers.load() > 0;
}

bool TZylTimer::Running() const
{
    const std::lock_guard lock(m_shared->Lock);
    const std::shared_ptr<TWorkerControl>& worker = m_shared->Current;
    return worker && worker->Thread && !worker->Thread->terminated() && !worker->Thread->finished();
}

int TZylTimer::WorkerCount() const
{
    return WorkerCount(*m_shared);
}

int TZylTimer::WorkerCount(const TZylTimerShared& Shared)
{
    const std::lock_guard lock(Shared.Lock);
    return Shared.Workers;
}
