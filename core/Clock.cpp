#include "core/Clock.h"

QDateTime TSystemClock::Now() const
{
    return QDateTime::currentDateTime();
}

TManualClock::TManualClock(QDateTime now) : m_now(std::move(now)) {}

QDateTime TManualClock::Now() const
{
    std::lock_guard lock(m_lock);
    return m_now;
}

void TManualClock::Set(const QDateTime& now)
{
    std::lock_guard lock(m_lock);
    m_now = now;
}

void TManualClock::AdvanceMSecs(qint64 msecs)
{
    std::lock_guard lock(m_lock);
    m_now = m_now.addMSecs(msecs);
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

std::shared_ptr<TClock> Get()
{
    std::lock_guard guard(lock());
    return current();
}

} // namespace

QDateTime Now()
{
    return Get()->Now();
}

QDate Date()
{
    return Now().date();
}

QTime Time()
{
    return Now().time();
}

std::shared_ptr<TClock> Replace(std::shared_ptr<TClock> clock)
{
    if (!clock)
        clock = std::make_shared<TSystemClock>();
    std::lock_guard guard(lock());
    return std::exchange(current(), std::move(clock));
}

} // namespace Clock
