#include "toolkit/table/TableFile.h"

#include "toolkit/base/Exception.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

// Closes a descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// While it lives, a write beyond the file-size limit fails with EFBIG in this thread instead of
// ending the program: SIGXFSZ is blocked for this thread only (other threads keep their handling),
// and one raised meanwhile is taken off before the mask comes back.
class FileSizeSignalGuard
{
public:
    FileSizeSignalGuard()
    {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &set, &m_previous);
        m_wasBlocked = sigismember(&m_previous, SIGXFSZ) == 1;
    }
    ~FileSizeSignalGuard()
    {
        if (!m_wasBlocked) {
            sigset_t set;
            sigemptyset(&set);
            sigaddset(&set, SIGXFSZ);
            sigset_t pending;
            sigemptyset(&pending);
            const timespec now{0, 0};
            while (sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1) {
                if (sigtimedwait(&set, nullptr, &now) < 0 && errno != EINTR)
                    break;
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    FileSizeSignalGuard(const FileSizeSignalGuard&) = delete;
    FileSizeSignalGuard& operator=(const FileSizeSignalGuard&) = delete;

private:
    sigset_t m_previous{};
    bool m_wasBlocked = false;
};

[[noreturn]] void cannotOpen(const QString& fileName, const QString& reason)
{
    throw Exception(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, reason));
}

[[noreturn]] void cannotCreate(const QString& fileName, const QString& reason)
{
    throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason));
}

} // namespace

namespace TableFile {

QByteArray read(const QString& fileName)
{
    // Opened without blocking, so a FIFO without a writer does not hold the caller; what it is
    // comes from the open descriptor, so nothing can be swapped in between the test and the read.
    const Descriptor fd(::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        cannotOpen(fileName, systemReason(errno));
    struct stat info
    {};
    if (::fstat(fd.get(), &info) != 0)
        cannotOpen(fileName, systemReason(errno));
    if (!S_ISREG(info.st_mode))
        cannotOpen(fileName,
                   S_ISDIR(info.st_mode) ? systemReason(EISDIR) : QStringLiteral("Not a regular file"));
    QByteArray bytes;
    bytes.reserve(qsizetype(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            cannotOpen(fileName, systemReason(errno));
        }
        if (got == 0)
            break;
        bytes.append(buffer, qsizetype(got));
    }
    return bytes;
}

void write(const QString& fileName, const QByteArray& bytes)
{
    const QFileInfo info(fileName);
    QDir().mkpath(info.absolutePath());
    const FileSizeSignalGuard guard;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        cannotCreate(fileName, file.errorString());
    // Written through the descriptor so the system's reason for a short write is at hand.
    const int fd = file.handle();
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            file.cancelWriting();
            cannotCreate(fileName, systemReason(error));
        }
        done += written;
    }
    // The data reaches the disk before the new file takes the old one's name.
    if (::fsync(fd) != 0) {
        const int error = errno;
        file.cancelWriting();
        cannotCreate(fileName, systemReason(error));
    }
    if (!file.commit())
        cannotCreate(fileName, file.errorString());
    // And the rename itself, so a power loss cannot bring back the old name's old content
    // or leave neither. A folder that cannot be synced (some file systems) is left as it is.
    const Descriptor folder(
        ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0 && ::fsync(folder.get()) != 0 && errno != EINVAL && errno != EROFS)
        cannotCreate(fileName, systemReason(errno));
}

} // namespace TableFile
