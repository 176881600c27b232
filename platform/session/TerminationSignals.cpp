#include "platform/session/TerminationSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<int> g_write{-1}; // the pipe's write end while an object is installed
static_assert(std::atomic<int>::is_always_lock_free);

struct sigaction g_previous[3];

void handle(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = g_write.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signalNumber);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

const std::vector<int>& TerminationSignals::signalNumbers()
{
    static const std::vector<int> numbers{SIGTERM, SIGINT, SIGHUP};
    return numbers;
}

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_write.load() >= 0)
        return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = fds[0];
    g_write.store(fds[1]);
    m_notifier = new QSocketNotifier(m_read, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    const std::vector<int>& numbers = signalNumbers();
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        struct sigaction action
        {};
        action.sa_handler = handle;
        sigemptyset(&action.sa_mask);
        // Restarted system calls elsewhere in the program; the default back after the first one.
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        ::sigaction(numbers[i], &action, &g_previous[i]);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    const std::vector<int>& numbers = signalNumbers();
    for (std::size_t i = 0; i < numbers.size(); ++i)
        ::sigaction(numbers[i], &g_previous[i], nullptr);
    const int write = g_write.exchange(-1);
    ::close(write);
    ::close(m_read);
}

void TerminationSignals::readPipe()
{
    unsigned char bytes[16];
    for (;;) {
        const ssize_t count = ::read(m_read, bytes, sizeof bytes);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
    }
}
