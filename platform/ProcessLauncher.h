#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class ChildReaper;

// What became of one process start.
struct LaunchOutcome
{
    enum class Status
    {
        Started,       // the program runs
        NotFound,      // no such file
        NotExecutable, // a folder, no execute permission, or not a program nor a script the shell can read
        Failed         // the system refused for another reason
    };

    Status status = Status::Failed;
    int error = 0;  // the system's error number, 0 when started
    QString reason; // the system's text for it, empty when started

    bool started() const { return status == Status::Started; }
    // A short plain text, e.g. "not executable (Permission denied)".
    QString describe() const;

    static LaunchOutcome fromError(int error);
};

// Starts programs. The program file is started directly with the arguments as given; a file the
// system does not take for a program (a script without a "#!" line) is read by /bin/sh with the same
// arguments, as execvp does, and its arguments are never shell text. The child runs detached in a
// session of its own, with this process's environment and current folder, and is never left behind
// as a zombie.
// Implementations are safe to call from several threads at once.
class ProcessLauncher
{
public:
    virtual ~ProcessLauncher() = default;

    // Returns once the program runs (or could not be started); never waits for the program.
    virtual LaunchOutcome start(const QString& program, const QStringList& arguments) = 0;

    // Splits a parameter text into arguments: blanks and tabs separate them, double quotes group
    // (a quoted part may hold blanks, "" is an empty argument, quoted and plain parts next to each
    // other join), a backslash directly before a double quote gives the quote itself; everything
    // else, shell characters included, is plain text. An unclosed quote runs to the end.
    static QStringList splitArguments(const QString& text);

    // The launcher that starts real processes.
    static std::shared_ptr<ProcessLauncher> system();
};

class SystemProcessLauncher final : public ProcessLauncher
{
public:
    enum class Method
    {
        Spawn,     // posix_spawn in a session of its own, reaped by a watching thread when it ends
        DoubleFork // fork twice; the intermediate is reaped at once, the system reaps the program
    };

    // Spawn falls back to DoubleFork where the system cannot watch single children.
    explicit SystemProcessLauncher(Method method = Method::Spawn);
    ~SystemProcessLauncher() override;

    LaunchOutcome start(const QString& program, const QStringList& arguments) override;

private:
    Method m_method;
    std::unique_ptr<ChildReaper> m_reaper;
};
