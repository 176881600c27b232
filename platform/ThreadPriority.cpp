#include "platform/ThreadPriority.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace ThreadPriority {

int currentThreadId()
{
    return static_cast<int>(gettid());
}

int niceValue(Level level)
{
    switch (level) {
    case Level::Lowest:
        return 10;
    case Level::Lower:
        return 5;
    case Level::Higher:
        return -5;
    case Level::Highest:
        return -10;
    case Level::TimeCritical:
        return -20;
    case Level::Idle:
    case Level::Normal:
        break;
    }
    return 0;
}

bool apply(int threadId, Level level)
{
    if (threadId <= 0)
        return false;
    // On Linux both calls act on the single thread whose kernel id they are given.
    const sched_param param{};
    const int policy = level == Level::Idle ? SCHED_IDLE : SCHED_OTHER;
    if (sched_getscheduler(threadId) != policy && sched_setscheduler(threadId, policy, &param) != 0)
        return false;
    if (level == Level::Idle)
        return true;
    return setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), niceValue(level)) == 0;
}

} // namespace ThreadPriority
