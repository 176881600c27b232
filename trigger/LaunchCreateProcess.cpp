#include "trigger/LaunchCreateProcess.h"

#include "core/DataModuleDebug.h"
#include "platform/ProgramFile.h"
#include "support/LibStrng.h"

namespace {

// Asks a normally shown window; Linux programs open their windows by themselves, so the value is
// carried for the record only.
constexpr int SW_SHOWNORMAL = 1;

// Background starts would otherwise fail unseen: one plain line in the debug window.
void ReportFailure(const QString& command, const LaunchOutcome& outcome, const QString& commandLine)
{
    DebugLine(QStringLiteral("Cannot start \"") + command + QStringLiteral("\": ") + outcome.describe() +
              QStringLiteral("; command line: ") + commandLine);
}

// The platform's process creation for a command line of the program path and the parameter. The
// program file itself is started, so a path with blanks names one file; the parameter is split
// into arguments by quoting rules and never reaches a shell.
LaunchOutcome CreateProcessFor(ProcessLauncher& launcher, const QString& command, const QString& parameter)
{
    const QString commandLine = LaunchCommandLine(command, parameter);
    const LaunchOutcome outcome = launcher.start(command, ProcessLauncher::splitArguments(parameter));
    if (!outcome.started())
        ReportFailure(command, outcome, commandLine);
    return outcome;
}

} // namespace

QString LaunchCommandLine(const QString& Command, const QString& Parameter)
{
    if (Parameter.isEmpty())
        return Command;
    return Command + u' ' + Parameter;
}

TThreadProcessLaunch::TThreadProcessLaunch(const QString& Command, const QString& Parameter,
                                           std::shared_ptr<ProcessLauncher> Launcher)
    : Thread("ProcessLaunch"), m_launcher(std::move(Launcher))
{
    m_currentTraceName = QStringLiteral("TThreadProcessLaunch.Create");
    TraceBeginCurrent();
    setFreeOnTerminate(true);
    m_command = Command;
    m_parameter = Parameter;
    TraceEnd();
}

void TThreadProcessLaunch::TraceBeginCurrent()
{
    TraceBegin(m_currentTraceName);
}

void TThreadProcessLaunch::Execute()
{
    m_currentTraceName = QStringLiteral("TThreadProcessLaunch.Execute");
    TraceBeginCurrent();
    const QString parameter = LibStrng::Trim(m_parameter);
    const int fileError = ProgramFile::test(m_command);
    if (fileError == 0)
        ThreadWinExecAndWait32(m_command, parameter, SW_SHOWNORMAL);
    else
        ReportFailure(m_command, LaunchOutcome::fromError(fileError),
                      LaunchCommandLine(m_command, parameter));
    TraceEnd();
}

int TThreadProcessLaunch::ThreadWinExecAndWait32(const QString& Command, const QString& Parameter,
                                                 int ShowWindow)
{
    m_currentTraceName = QStringLiteral("TThreadProcessLaunch.ThreadWinExecAndWait32");
    TraceBeginCurrent();
    Q_UNUSED(ShowWindow)
    CreateProcessFor(*m_launcher, Command, Parameter);
    TraceEnd();
    return 0;
}

int WinExecAndWait32(const QString& Command, const QString& Parameter, int ShowWindow,
                     ProcessLauncher& Launcher)
{
    TraceBegin(QStringLiteral("WinExecAndWait32"));
    Q_UNUSED(ShowWindow)
    CreateProcessFor(Launcher, Command, Parameter);
    TraceEnd();
    return 0;
}
