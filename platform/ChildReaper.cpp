#include "platform/ChildReaper.h"

#include <cerrno>
#include <cstdint>

#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

int ChildReaper::openDescriptor(pid_t process)
{
    // The library's declaration lacks C linkage in C++; the system call is the same.
    return static_cast<int>(syscall(SYS_pidfd_open, process, 0));
}

ChildReaper::~ChildReaper()
{
    {
        const std::lock_guard lock(m_lock);
        m_stop = true;
    }
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        while (write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
        }
        m_thread.join();
    }
    // Descriptors of children still running are closed with the set's owner, the process.
    if (m_poll >= 0)
        close(m_poll);
    if (m_wake >= 0)
        close(m_wake);
}

bool ChildReaper::watch(pid_t child)
{
    {
        const std::lock_guard lock(m_lock);
        if (!m_thread.joinable()) {
            m_poll = epoll_create1(EPOLL_CLOEXEC);
            m_wake = eventfd(0, EFD_CLOEXEC);
            epoll_event wake{};
            wake.events = EPOLLIN;
            wake.data.fd = m_wake;
            if (m_poll < 0 || m_wake < 0 || epoll_ctl(m_poll, EPOLL_CTL_ADD, m_wake, &wake) != 0) {
                if (m_poll >= 0)
                    close(m_poll);
                if (m_wake >= 0)
                    close(m_wake);
                m_poll = m_wake = -1;
                return false;
            }
            m_thread = std::thread([this] { run(); });
        }
    }
    const int fd = openDescriptor(child); // close-on-exec by nature
    if (fd < 0)
        return false;
    // Joining the set needs no wake-up of the thread: it sleeps until a child ends.
    epoll_event ended{};
    ended.events = EPOLLIN;
    ended.data.fd = fd;
    if (epoll_ctl(m_poll, EPOLL_CTL_ADD, fd, &ended) != 0) {
        close(fd);
        return false;
    }
    return true;
}

void ChildReaper::run()
{
    pthread_setname_np(pthread_self(), "ChildReaper");
    epoll_event events[16];
    for (;;) {
        const int count = epoll_wait(m_poll, events, 16, -1);
        if (count < 0 && errno != EINTR)
            return;
        for (int i = 0; i < count; ++i) {
            const int fd = events[i].data.fd;
            if (fd == m_wake) {
                const std::lock_guard lock(m_lock);
                if (m_stop)
                    return;
                continue;
            }
            siginfo_t info{};
            const int reaped =
                waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(fd), &info, WEXITED | WNOHANG);
            if (reaped == 0 && info.si_pid == 0)
                continue; // not ended yet
            epoll_ctl(m_poll, EPOLL_CTL_DEL, fd, nullptr);
            close(fd);
        }
    }
}
