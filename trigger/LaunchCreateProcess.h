#pragma once

#include "platform/ProcessLauncher.h"
#include "toolkit/base/Thread.h"

#include <QString>

#include <memory>

// The command line of a launch: the program path, and when the parameter is not empty a blank and
// the parameter. No quotes are added around the path.
QString LaunchCommandLine(const QString& Command, const QString& Parameter);

// Starts one due task's program in a short-lived thread of its own and ends; never waits for the
// program. Created suspended and freeing itself when it ends; its end notification reaches the
// user-interface thread without the thread waiting for it. It traces through the trace log
// directly, which any thread may call, so nothing on the launch path waits for the user-interface
// thread.
class TThreadProcessLaunch final : public Thread
{
public:
    TThreadProcessLaunch(const QString& Command, const QString& Parameter,
                         std::shared_ptr<ProcessLauncher> Launcher = ProcessLauncher::system());

    const QString& Command() const { return m_command; }
    const QString& Parameter() const { return m_parameter; }

protected:
    void execute() override { Execute(); }

private:
    void Execute();
    int ThreadWinExecAndWait32(const QString& Command, const QString& Parameter, int ShowWindow);
    void TraceBeginCurrent();

    QString m_parameter;
    QString m_currentTraceName;
    QString m_command;
    const std::shared_ptr<ProcessLauncher> m_launcher;
};

// Starts a program from the user-interface thread and returns at once. The caller has checked that
// the file exists and trimmed the parameter. Returns 0, whatever became of the start; a start that
// fails adds one line naming the file and the reason to the debug window.
int WinExecAndWait32(const QString& Command, const QString& Parameter, int ShowWindow,
                     ProcessLauncher& Launcher = *ProcessLauncher::system());
