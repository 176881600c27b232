#pragma once

#include "platform/ProcessLauncher.h"

#include <mutex>
#include <vector>

// Records what would have been started, and answers with a chosen outcome. For tests.
class FakeProcessLauncher final : public ProcessLauncher
{
public:
    struct Launch
    {
        QString program;
        QStringList arguments;
    };

    LaunchOutcome start(const QString& program, const QStringList& arguments) override;

    void setOutcome(const LaunchOutcome& outcome);
    std::vector<Launch> launches() const;

private:
    mutable std::mutex m_lock;
    std::vector<Launch> m_launches;
    LaunchOutcome m_outcome{LaunchOutcome::Status::Started, 0, {}};
};
