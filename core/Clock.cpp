#include "core/Clock.h"

QDateTime TSystemClock::UtcNow() const
{
    return QDateTime::currentDateTimeUtc();
}

QTimeZone TSystemClock::Zone() const
{
    return QTimeZone::systemTimeZone();
}

TManualClock::TManualClock(const QDateTime& now, const QTimeZone& zone) : m_zone(zone)
{
    m_msecs = Instant(now).toMSecsSinceEpoch();
}

QDateTime TManualClock::Instant(const QDateTime& now) const
{
    if (now.timeSpec() == Qt::LocalTime && m_zone.isValid())
        return QDateTime(now.date(), now.time(), m_zone);
    return now;
}

QDateTime TManualClock::UtcNow() const
{
    std::lock_guard lock(m_lock);
    return QDateTime::fromMSecsSinceEpoch(m_msecs, Qt::UTC);
}

QTimeZone TManualClock::Zone() const
{
    std::lock_guard lock(m_lock);
    return m_zone;
}

void TManualClock::Set(const QDateTime& now)
{
    std::lock_guard lock(m_lock);
    m_msecs = Instant(now).toMSecsSinceEpoch();
}

void TManualClock::SetZone(const QTimeZone& zone)
{
    std::lock_guard lock(m_lock);
    m_zone = zone;
}

void TManualClock::AdvanceMSecs(qint64 msecs)
{
    std::lock_guard lock(m_lock);
    m_msecs += msecs;
}

namespace Clock {

namespace {

std::mutex& lock()
{
    static std::mutex instance;
    return instance;
}

std::shared_ptr<TClock>& current()
{
    static std::shared_ptr<TClock> instance = std::make_shared<TSystemClock>();
    return instance;
}

} // namespace

std::shared_ptr<TClock> Current()
{
    std::lock_guard guard(lock());
    return current();
}

QDateTime Now()
{
    return Current()->Now();
}

QDate Date()
{
    return Now().date();
}

QTime Time()
{
    return Now().time();
}

QDateTime UtcNow()
{
    return Current()->UtcNow();
}

QTimeZone Zone()
{
    return Current()->Zone();
}

std::shared_ptr<TClock> Replace(std::shared_ptr<TClock> clock)
{
    if (!clock)
        clock = std::make_shared<TSystemClock>();
    std::lock_guard guard(lock());
    return std::exchange(current(), std::move(clock));
}

} // namespace Clock
