#include "platform/ProcessLauncher.h"

#include "platform/ChildReaper.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

QString LaunchOutcome::describe() const
{
    QString text;
    switch (status) {
    case Status::Started:
        text = QStringLiteral("started");
        break;
    case Status::NotFound:
        text = QStringLiteral("not found");
        break;
    case Status::NotExecutable:
        text = QStringLiteral("not executable");
        break;
    case Status::Failed:
        text = QStringLiteral("failed");
        break;
    }
    if (!reason.isEmpty())
        text += QStringLiteral(" (") + reason + u')';
    return text;
}

LaunchOutcome LaunchOutcome::fromError(int error)
{
    LaunchOutcome outcome;
    outcome.error = error;
    const char* text = strerrordesc_np(error);
    outcome.reason = text ? QString::fromUtf8(text) : QStringLiteral("error %1").arg(error);
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        outcome.status = Status::NotFound;
        break;
    case EACCES:
    case EPERM:
    case ENOEXEC:
    case EISDIR:
    case ETXTBSY:
        outcome.status = Status::NotExecutable;
        break;
    default:
        outcome.status = Status::Failed;
        break;
    }
    return outcome;
}

QStringList ProcessLauncher::splitArguments(const QString& text)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size() && text.at(i + 1) == u'"') {
            current += u'"';
            inArgument = true;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && (c == u' ' || c == u'\t')) {
            if (inArgument)
                arguments.append(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.append(current);
    return arguments;
}

std::shared_ptr<ProcessLauncher> ProcessLauncher::system()
{
    // One instance, with its reaper thread, serves every caller for the rest of the run.
    static const std::shared_ptr<ProcessLauncher> launcher = std::make_shared<SystemProcessLauncher>();
    return launcher;
}

namespace {

// The started program runs at the program's own priority, not at that of the thread that started it
// (the interval timer's worker may run at another level, and new threads inherit it).
struct PriorityReset
{
    bool needed = false;
    int policy = SCHED_OTHER;
    int nice = 0;
};

PriorityReset priorityReset()
{
    PriorityReset reset;
    const int mainPolicy = sched_getscheduler(getpid());
    const int ownPolicy = sched_getscheduler(0);
    errno = 0;
    const int mainNice = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    const bool mainNiceKnown = errno == 0;
    errno = 0;
    const int ownNice = getpriority(PRIO_PROCESS, 0);
    const bool ownNiceKnown = errno == 0;
    if (mainPolicy < 0 || ownPolicy < 0 || !mainNiceKnown || !ownNiceKnown)
        return reset;
    reset.needed = mainPolicy != ownPolicy || mainNice != ownNice;
    reset.policy = mainPolicy;
    reset.nice = mainNice;
    return reset;
}

// The shell that runs a file the system does not take for a program (a script without a "#!" line),
// as execvp does it: /bin/sh FILE ARGS..., where the arguments stay the script's own arguments.
const char ShellPath[] = "/bin/sh";

void writeError(int fd, int error)
{
    while (write(fd, &error, sizeof error) < 0 && errno == EINTR) {
    }
}

// Runs in the grandchild, between fork and exec: only async-signal-safe calls.
[[noreturn]] void execProgram(const char* path, char* const* argv, char* const* shellArgv, int reportFd,
                              const PriorityReset& reset)
{
    struct sigaction standard
    {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        sigaction(signal, &standard, nullptr); // fails harmlessly for SIGKILL, SIGSTOP and glibc's own
    setsid();
    if (reset.needed) {
        const sched_param param{};
        sched_setscheduler(0, reset.policy, &param);
        setpriority(PRIO_PROCESS, 0, reset.nice);
    }
    // None of the program's own descriptors reach the started program; the report pipe closes on exec.
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(path, argv, environ);
    int error = errno;
    if (error == ENOEXEC) {
        execve(ShellPath, shellArgv, environ);
        error = ENOEXEC; // no shell to run it: the file itself is what cannot be started
    }
    writeError(reportFd, error);
    _exit(127);
}

} // namespace

namespace {

bool processDescriptorsWork()
{
    static const bool work = [] {
        const int fd = ChildReaper::openDescriptor(getpid());
        if (fd < 0)
            return false;
        close(fd);
        return true;
    }();
    return work;
}

LaunchOutcome startDoubleForked(const char* path, char* const* argv, char* const* shellArgv,
                                const PriorityReset& reset)
{
    // The grandchild reports a failed exec through the pipe; a successful exec closes it unwritten.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return LaunchOutcome::fromError(errno);

    // The intermediate child ends at once and is reaped here, so the started program is handed to
    // the system's reaper and never stays behind as a zombie of ours.
    const pid_t middle = fork();
    if (middle < 0) {
        const int error = errno;
        close(report[0]);
        close(report[1]);
        return LaunchOutcome::fromError(error);
    }
    if (middle == 0) {
        close(report[0]);
        const pid_t child = fork();
        if (child < 0) {
            writeError(report[1], errno);
            _exit(1);
        }
        if (child == 0)
            execProgram(path, argv, shellArgv, report[1], reset);
        _exit(0);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int childError = 0;
    ssize_t got = 0;
    do {
        got = read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof childError))
        return LaunchOutcome::fromError(childError);
    if (got != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return LaunchOutcome::fromError(ECHILD);
    return LaunchOutcome{LaunchOutcome::Status::Started, 0, {}};
}

LaunchOutcome startSpawned(const char* path, char* const* argv, char* const* shellArgv,
                           const PriorityReset& reset, ChildReaper& reaper)
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    const sched_param param{};
    if (reset.needed) {
        flags |= POSIX_SPAWN_SETSCHEDULER;
        posix_spawnattr_setschedpolicy(&attributes, reset.policy);
        posix_spawnattr_setschedparam(&attributes, &param);
    }
    posix_spawnattr_setflags(&attributes, flags);
    // None of the program's own descriptors reach the started program.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    // The nice value is inherited from the calling thread; it is the program's own for the spawn.
    errno = 0;
    const int ownNice = getpriority(PRIO_PROCESS, 0);
    const bool niceChanged =
        reset.needed && errno == 0 && ownNice != reset.nice && setpriority(PRIO_PROCESS, 0, reset.nice) == 0;
    pid_t child = 0;
    int error = posix_spawn(&child, path, &actions, &attributes, argv, environ);
    if (error == ENOEXEC && posix_spawn(&child, ShellPath, &actions, &attributes, shellArgv, environ) == 0)
        error = 0;
    if (niceChanged)
        setpriority(PRIO_PROCESS, 0, ownNice);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return LaunchOutcome::fromError(error); // a child whose exec failed is reaped by posix_spawn
    if (!reaper.watch(child)) {
        // Out of descriptors: a thread of its own waits for this one child.
        std::thread([child] {
            while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    }
    return LaunchOutcome{LaunchOutcome::Status::Started, 0, {}};
}

} // namespace

SystemProcessLauncher::SystemProcessLauncher(Method method)
    : m_method(method == Method::Spawn && !processDescriptorsWork() ? Method::DoubleFork : method),
      m_reaper(std::make_unique<ChildReaper>())
{}

SystemProcessLauncher::~SystemProcessLauncher() = default;

LaunchOutcome SystemProcessLauncher::start(const QString& program, const QStringList& arguments)
{
    const QByteArray path = QFile::encodeName(program);
    if (path.isEmpty())
        return LaunchOutcome::fromError(ENOENT);
    // The common failures are found without starting a process; exec has the last word.
    struct stat info
    {};
    if (stat(path.constData(), &info) != 0)
        return LaunchOutcome::fromError(errno);
    if (S_ISDIR(info.st_mode))
        return LaunchOutcome::fromError(EISDIR);
    if (access(path.constData(), X_OK) != 0)
        return LaunchOutcome::fromError(errno);

    // Everything the children need is built before they exist.
    std::vector<QByteArray> texts;
    texts.reserve(static_cast<size_t>(arguments.size()) + 1);
    texts.push_back(path);
    for (const QString& argument : arguments)
        texts.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    argv.reserve(texts.size() + 1);
    for (QByteArray& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    // For the shell, should the system refuse the file: the file as the script to read (a name that
    // begins with "-" made "./-..." so that the shell does not take it for an option), then the
    // arguments as they are.
    QByteArray script = path.startsWith('-') ? "./" + path : path;
    std::vector<char*> shellArgv;
    shellArgv.reserve(argv.size() + 1);
    shellArgv.push_back(const_cast<char*>(ShellPath));
    shellArgv.push_back(script.data());
    shellArgv.insert(shellArgv.end(), argv.begin() + 1, argv.end());
    const PriorityReset reset = priorityReset();

    if (m_method == Method::Spawn)
        return startSpawned(path.constData(), argv.data(), shellArgv.data(), reset, *m_reaper);
    return startDoubleForked(path.constData(), argv.data(), shellArgv.data(), reset);
}
