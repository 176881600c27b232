#pragma once

#include <QObject>
#include <QtGlobal>

#include <functional>
#include <memory>

class TZylTimer;

enum TThreadPriority
{
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical
};

// Called once per tick with the timer as sender. In direct mode (Synchronized false) it runs on the
// worker thread; the sender is then valid only while the timer exists, so an owner that destroys
// its timer first disables it and waits until TickRunning() is false.
using TNotifyEvent = std::function<void(TZylTimer* Sender)>;

// The sleeps of one cycle for an interval, in the platform's millisecond sleeps.
struct TSleepPlan
{
    bool RangeError = false;      // the number of full sleeps does not fit in 32 bits: no tick at all
    quint32 FullSleeps = 0;       // sleeps of FullSleepMilliseconds each
    quint32 RestMilliseconds = 0; // one more sleep of this length, none when 0

    bool operator==(const TSleepPlan&) const = default;
};

// The longest single sleep, and the same in seconds.
constexpr quint32 FullSleepMilliseconds = 2147483647;
constexpr double SleepLimitSeconds = 2147483.647;

// How long a worker sleeps before each tick, for an interval in seconds. Intervals below one
// millisecond, zero and negative ones do not sleep; halves round to the even neighbour.
TSleepPlan SleepPlan(double Interval);

struct TZylTimerShared;

// A timer that ticks at a fixed interval in seconds, driven by a worker thread that sleeps
// between ticks. Ticks are endless, one-shot (Cycled false) or limited to RepeatCount.
//
// The workers keep the timer's shared state alive, not the timer: destroying the timer returns at
// once, and no tick follows. A worker told to stop wakes from its sleep and ends without ticking;
// a handler already running when the stop comes finishes first. The properties may be read and
// written from any thread.
class TZylTimer final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TZylTimer)

public:
    explicit TZylTimer(QObject* Owner = nullptr);
    ~TZylTimer() override;

    bool Enabled() const;
    void SetEnabled(bool Value);
    double Interval() const;
    void SetInterval(double Value);
    bool Cycled() const;
    void SetCycled(bool Value);
    quint32 RepeatCount() const;
    void SetRepeatCount(quint32 Value);
    TNotifyEvent OnTimer() const;
    void SetOnTimer(TNotifyEvent Value);
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority Value);

    // Not published: true runs OnTimer on the user-interface thread while the worker waits.
    bool Synchronized() const;
    void SetSynchronized(bool Value);

    // Cycles the current worker has completed; 0 after every UpdateTimer.
    quint32 TickCounter() const;

    // Stops the current worker, if any, and starts a fresh one when Enabled is true. Never waits.
    // Throws std::system_error, and leaves the timer without a worker, when no thread can be made.
    void UpdateTimer();

    // Whether an OnTimer call of this timer is running now.
    bool TickRunning() const;
    // Whether the current worker still loops (false once it has ended by itself, or when stopped).
    bool Running() const;
    // Workers of this timer whose thread has not ended and been freed yet, stopped ones included.
    int WorkerCount() const;

    // The state the workers share; outlives the timer while a worker holds it. For tests that watch
    // the workers after the timer is gone.
    std::shared_ptr<const TZylTimerShared> Shared() const { return m_shared; }
    static int WorkerCount(const TZylTimerShared& Shared);
    static bool TickRunning(const TZylTimerShared& Shared);

private:
    std::shared_ptr<TZylTimerShared> m_shared;
};
