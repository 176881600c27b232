#pragma once

// Thread priorities in the scheme of the toolkit's thread class, mapped onto what Linux offers:
// the idle level becomes the SCHED_IDLE policy, the others a nice value of the thread under the
// normal policy. Raising a thread above its current level needs privileges the program usually
// lacks; such a request is refused by the system and the thread keeps its level.
namespace ThreadPriority {

enum class Level
{
    Idle,
    Lowest,
    Lower,
    Normal,
    Higher,
    Highest,
    TimeCritical
};

// The kernel's id of the calling thread.
int currentThreadId();

// The nice value a level stands for (Idle: the nice value of Normal, under SCHED_IDLE).
int niceValue(Level level);

// Gives the thread with that kernel id the level; false when the system refused.
bool apply(int threadId, Level level);

} // namespace ThreadPriority
