#include "platform/TimerResolution.h"

#include <sys/prctl.h>

namespace {
constexpr long OneMillisecond = 1000000; // nanoseconds
} // namespace

TimerResolutionRequest::TimerResolutionRequest()
{
    const long slack = currentSlackNanoseconds();
    if (slack > OneMillisecond && prctl(PR_SET_TIMERSLACK, OneMillisecond, 0, 0, 0) == 0)
        m_previous = slack;
}

TimerResolutionRequest::~TimerResolutionRequest()
{
    if (m_previous > 0)
        prctl(PR_SET_TIMERSLACK, m_previous, 0, 0, 0);
}

long TimerResolutionRequest::currentSlackNanoseconds()
{
    return prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
}
