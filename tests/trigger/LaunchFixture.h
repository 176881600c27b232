#pragma once

#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "platform/ProcessLauncher.h"
#include "trigger/LaunchCreateProcess.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

// The trace module of the program for one test, with every line it hands to the debug window.
class TraceCapture
{
public:
    TraceCapture() : m_debug(std::make_unique<TDataModule_Debug>(QStringList()))
    {
        QObject::connect(m_debug.get(), &TDataModule_Debug::lineHanded, m_debug.get(),
                         [this](const QString& line) { m_lines.append(line); });
    }

    QStringList& lines() { return m_lines; }

    QStringList linesContaining(const QString& text) const
    {
        QStringList found;
        for (const QString& line : m_lines) {
            if (line.contains(text))
                found.append(line);
        }
        return found;
    }

private:
    TCallStackInstance m_stack;
    std::unique_ptr<TDataModule_Debug> m_debug;
    QStringList m_lines;
};

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
