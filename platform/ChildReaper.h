#pragma once

#include <sys/types.h>

#include <mutex>
#include <thread>

// Reaps started children when they end, so that none stays behind as a zombie, without waiting
// for any other child of the process (no SIGCHLD handler, no wait for any child): each child is
// watched through a descriptor of its own. The watching thread starts with the first child, sleeps
// until a child ends, and ends with the object; children still running then are left to the system.
class ChildReaper final
{
public:
    ChildReaper() = default;
    ~ChildReaper();
    ChildReaper(const ChildReaper&) = delete;
    ChildReaper& operator=(const ChildReaper&) = delete;

    // Takes the child over; false when it cannot be watched (the caller must reap it then).
    bool watch(pid_t child);

    // A descriptor that tells when the process ends, or -1 (kernels before 5.3 have none).
    static int openDescriptor(pid_t process);

private:
    void run();

    std::mutex m_lock; // guards the start of the thread and the end request
    int m_poll = -1;   // epoll set of the children's descriptors and m_wake
    int m_wake = -1;   // eventfd that asks the thread to end
    bool m_stop = false;
    std::thread m_thread;
};
