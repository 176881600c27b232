#pragma once

// Asks, for the calling thread and as long as the object lives, that its sleeps end within a
// millisecond of their due time. On Linux this is the thread's timer slack, which is already far
// finer (50 microseconds) unless someone widened it; only a wider slack is narrowed, and the old
// value comes back when the request ends. Must be destroyed on the thread that created it.
class TimerResolutionRequest final
{
public:
    TimerResolutionRequest();
    ~TimerResolutionRequest();
    TimerResolutionRequest(const TimerResolutionRequest&) = delete;
    TimerResolutionRequest& operator=(const TimerResolutionRequest&) = delete;

    // The slack of the calling thread, in nanoseconds (-1 when it cannot be read).
    static long currentSlackNanoseconds();

private:
    long m_previous = -1; // slack to restore, or -1 when nothing was changed
};
