#include "common/FakeProcessLauncher.h"

LaunchOutcome FakeProcessLauncher::start(const QString& program, const QStringList& arguments)
{
    const std::lock_guard lock(m_lock);
    m_launches.push_back({program, arguments});
    return m_outcome;
}

void FakeProcessLauncher::setOutcome(const LaunchOutcome& outcome)
{
    const std::lock_guard lock(m_lock);
    m_outcome = outcome;
}

std::vector<FakeProcessLauncher::Launch> FakeProcessLauncher::launches() const
{
    const std::lock_guard lock(m_lock);
    return m_launches;
}
