#pragma once

#include <QDateTime>

#include <memory>
#include <mutex>

// The one clock that every read of the current date and time goes through. Tests replace it with a
// TManualClock; reading is safe from any thread.
class TClock
{
public:
    virtual ~TClock() = default;
    // The current local date and time, without a time zone part.
    virtual QDateTime Now() const = 0;
};

// The real clock: the system's local time.
class TSystemClock final : public TClock
{
public:
    QDateTime Now() const override;
};

// A clock that stands still until it is set or advanced; safe to read and set from any thread.
class TManualClock final : public TClock
{
public:
    explicit TManualClock(QDateTime now = QDateTime(QDate(2000, 1, 1), QTime(0, 0)));
    QDateTime Now() const override;
    void Set(const QDateTime& now);
    void AdvanceMSecs(qint64 msecs);

private:
    mutable std::mutex m_lock;
    QDateTime m_now;
};

namespace Clock {

QDateTime Now();
QDate Date();
QTime Time();

// Installs a clock (nullptr: the system clock again) and returns the one it replaces.
std::shared_ptr<TClock> Replace(std::shared_ptr<TClock> clock);

} // namespace Clock
