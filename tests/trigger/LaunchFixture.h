#pragma once

#include "common/TraceCapture.h"
#include "platform/ProcessLauncher.h"
#include "trigger/LaunchCreateProcess.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

// How one launch thread ended, as its end notification saw it.
struct LaunchEnd
{
    std::atomic<bool> ended{false};
    std::atomic<bool> onUiThread{false};
};

// Starts a launch thread that reports its end into end; the thread frees itself.
inline void startLaunch(const QString& command, const QString& parameter, LaunchEnd& end,
                        std::shared_ptr<ProcessLauncher> launcher = ProcessLauncher::system())
{
    auto* thread = new TThreadProcessLaunch(command, parameter, std::move(launcher));
    thread->setOnTerminate([&end](Thread&) {
        end.onUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        end.ended = true;
    });
    thread->start();
}
