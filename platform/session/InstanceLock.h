#pragma once

#include <QString>

// An exclusive lock on a file that lasts as long as the object holds it, or the process lives: the
// kernel releases it when the process ends in any way, so a lock left by a crashed process never
// blocks. The descriptor is closed on exec, so programs started meanwhile do not keep it.
class InstanceLock final
{
public:
    enum class Result
    {
        Acquired, // this object holds the lock
        Busy,     // another open file, in this or another process, holds it
        Failed    // the file cannot be made or locked; error() says why
    };

    explicit InstanceLock(QString path);
    ~InstanceLock(); // releases the lock and removes the file when held
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting.
    Result tryLock();
    void release();
    bool held() const { return m_fd >= 0; }

    const QString& path() const { return m_path; }
    // The system's reason for the last failure.
    const QString& error() const { return m_error; }

    // A short name that stands for key in a file name: the same for the same key, different for
    // different ones (16 hexadecimal digits of a SHA-256 of its UTF-8 bytes).
    static QString nameFor(const QString& key);

    // The folder path as it would be once it exists: the deepest existing ancestor with its links
    // resolved, the rest appended; "." and ".." and doubled separators removed.
    static QString normalisedFolder(const QString& path);

private:
    QString m_path;
    QString m_error;
    int m_fd = -1;
};
