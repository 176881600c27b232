#include "platform/session/InstanceLock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

InstanceLock::InstanceLock(QString path) : m_path(std::move(path)) {}

InstanceLock::~InstanceLock()
{
    release();
}

InstanceLock::Result InstanceLock::tryLock()
{
    if (held())
        return Result::Acquired;
    const QByteArray name = QFile::encodeName(m_path);
    // Another holder may remove the file between our open and our lock; then the lock we got is on
    // a file nobody else can find, and we try again on the new one.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            return Result::Failed;
        }
        int locked = 0;
        while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
        }
        if (locked != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                return Result::Busy;
            m_error = QString::fromLocal8Bit(std::strerror(error));
            return Result::Failed;
        }
        struct stat opened
        {};
        struct stat named
        {};
        if (::fstat(fd, &opened) == 0 && ::stat(name.constData(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            // For a reader: which process holds it. The content is a courtesy; the lock is what counts.
            const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
            if (::ftruncate(fd, 0) == 0) {
                [[maybe_unused]] const ssize_t written = ::write(fd, pid.constData(), pid.size());
            }
            m_fd = fd;
            m_error.clear();
            return Result::Acquired;
        }
        ::close(fd);
    }
    m_error = QStringLiteral("the lock file keeps changing");
    return Result::Failed;
}

void InstanceLock::release()
{
    if (!held())
        return;
    // Removed while still locked, so no one can lock the old file after we let go of it.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}

QString InstanceLock::nameFor(const QString& key)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

QString InstanceLock::normalisedFolder(const QString& path)
{
    QString rest;
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo(existing).isDir()) {
        const qsizetype cut = existing.lastIndexOf(u'/');
        if (cut <= 0)
            return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
        rest.prepend(existing.mid(cut));
        existing.truncate(cut);
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? existing : canonical) + rest);
}
