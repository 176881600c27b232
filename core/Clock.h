#pragma once

#include <QDateTime>
#include <QTimeZone>

#include <memory>
#include <mutex>

// The one clock that every read of the current date and time goes through. It gives the current
// instant and the time zone that local dates and times are read in; tests replace it with a
// TManualClock and hand it any zone. Reading is safe from any thread.
class TClock
{
public:
    virtual ~TClock() = default;
    // The current instant, in UTC.
    virtual QDateTime UtcNow() const = 0;
    // The zone of the local date and time.
    virtual QTimeZone Zone() const = 0;
    // The current local date and time in Zone().
    QDateTime Now() const { return UtcNow().toTimeZone(Zone()); }
};

// The real clock: the system's time and its time zone.
class TSystemClock final : public TClock
{
public:
    QDateTime UtcNow() const override;
    QTimeZone Zone() const override;
};

// A clock that stands still until it is set or advanced; safe to read and set from any thread.
// A date and time given without a zone (Qt::LocalTime) is a local time in the clock's zone;
// one with a zone or in UTC is that instant.
class TManualClock final : public TClock
{
public:
    explicit TManualClock(const QDateTime& now = QDateTime(QDate(2000, 1, 1), QTime(0, 0)),
                          const QTimeZone& zone = QTimeZone::systemTimeZone());
    QDateTime UtcNow() const override;
    QTimeZone Zone() const override;
    void Set(const QDateTime& now);
    void SetZone(const QTimeZone& zone);
    void AdvanceMSecs(qint64 msecs);

private:
    QDateTime Instant(const QDateTime& now) const; // lock held

    mutable std::mutex m_lock;
    QTimeZone m_zone;
    qint64 m_msecs = 0; // since the epoch, UTC
};

namespace Clock {

// The current local date and time, without regard to the zone's name.
QDateTime Now();
QDate Date();
QTime Time();
// The current instant in UTC, and the zone of the local time.
QDateTime UtcNow();
QTimeZone Zone();

// Installs a clock (nullptr: the system clock again) and returns the one it replaces.
std::shared_ptr<TClock> Replace(std::shared_ptr<TClock> clock);
// The clock in use.
std::shared_ptr<TClock> Current();

} // namespace Clock
