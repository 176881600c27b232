// 100 tasks due in the same second: from the tick that finds them to the last of their programs
// running, through real launch threads and real process starts. Then the idle program, started as a
// child on the offscreen platform: its processor use, its wake-ups per second over all its threads
// and its resident memory, over 30 seconds.

#include "core/FormatSettings.h"
#include "platform/ProcessLauncher.h"
#include "schedule/triggerlist/DueCheck.h"
#include "schedule/triggerlist/TriggerList.h"
#include "trigger/LaunchCreateProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>

#include <atomic>
#include <cstdio>

#include <unistd.h>

namespace {

constexpr int DueTasks = 100;
constexpr int ListSize = 10000;
constexpr int IdleSeconds = 30;

// Counts the programs that run, and when the last one did.
class CountingLauncher final : public ProcessLauncher
{
public:
    LaunchOutcome start(const QString& program, const QStringList& arguments) override
    {
        const LaunchOutcome outcome = m_system->start(program, arguments);
        if (outcome.started())
            ++m_started;
        else
            ++m_failed;
        return outcome;
    }
    int started() const { return m_started.load(); }
    int failed() const { return m_failed.load(); }

private:
    std::shared_ptr<ProcessLauncher> m_system = ProcessLauncher::system();
    std::atomic<int> m_started{0};
    std::atomic<int> m_failed{0};
};

struct Usage
{
    qint64 cpuTicks = 0; // user and system time of the process
    qint64 switches = 0; // context switches of all its threads
    qint64 rssKiB = 0;
    int threads = 0;
};

qint64 FieldAfter(const QByteArray& text, const QByteArray& key)
{
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return 0;
    return text.mid(at + key.size()).trimmed().split(' ').value(0).split('\n').value(0).toLongLong();
}

Usage Sample(qint64 pid)
{
    Usage usage;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // The fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        usage.cpuTicks = fields.value(11).toLongLong() + fields.value(12).toLongLong();
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        usage.rssKiB = FieldAfter(status.readAll(), "VmRSS:");
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile taskStatus(tasks.filePath(task) + QStringLiteral("/status"));
        if (!taskStatus.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = taskStatus.readAll();
        usage.switches +=
            FieldAfter(text, "voluntary_ctxt_switches:") + FieldAfter(text, "nonvoluntary_ctxt_switches:");
        ++usage.threads;
    }
    return usage;
}

bool HasThread(qint64 pid, const QByteArray& name)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task) + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return true;
    }
    return false;
}

void Target(const char* name, double measured, double limit, const char* unit)
{
    std::printf("target %s: %.2f%s (limit %.2f%s) %s\n", name, measured, unit, limit, unit,
                measured <= limit ? "met" : "missed");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    // --- 100 due in one second, real launches.
    const QString script = dir.filePath(QStringLiteral("job.sh"));
    {
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("#!/bin/sh\nexit 0\n");
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
    TFormatSettings settings = TFormatSettings::FromLocale(QLocale::system());
    settings.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const QDateTime local(QDate(2026, 12, 9), QTime(21, 0, 0), zone);
    const QString dueText =
        FormatDateTime(settings.LongTimeFormat, QDateTime(local.date(), local.time(), Qt::UTC), settings);
    std::vector<TRec> entries;
    for (int i = 0; i < ListSize; ++i) {
        TRec r;
        r.taskname = script;
        r.taskparm = QStringLiteral("%1").arg(i);
        r.launchtime = i < DueTasks ? dueText : QStringLiteral("x%1").arg(i);
        r.launchcbwed = QStringLiteral("1");
        entries.push_back(r);
    }
    TTriggerList list;
    list.Replace(std::move(entries));
    const auto launcher = std::make_shared<CountingLauncher>();
    QElapsedTimer clock;
    clock.start();
    const TDueCheckResult due = DueCheck(local.toUTC(), zone, std::nullopt, list, settings);
    for (const TDueLaunch& launch : due.Launches) {
        auto* thread = new TThreadProcessLaunch(launch.taskname, launch.taskparm, launcher);
        thread->start(); // frees itself
    }
    const qint64 foundAfter = clock.nsecsElapsed();
    while (launcher->started() + launcher->failed() < int(due.Launches.size()) && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double allRunning = double(clock.nsecsElapsed()) / 1e6;
    // Let the threads' end notifications free them.
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    std::printf("100 due: found and threads started in %.2f ms; all %d programs running after %.2f ms (%d "
                "failed)\n",
                double(foundAfter) / 1e6, launcher->started(), allRunning, launcher->failed());

    // --- The idle program.
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(HOURGLEN_PROGRAM_FILE), QStringList());
    if (!program.waitForStarted())
        return 1;
    const qint64 pid = program.processId();
    QElapsedTimer startup;
    startup.start();
    while (!HasThread(pid, "ZylTimer") && startup.elapsed() < 20000)
        QThread::msleep(20);
    QThread::sleep(3); // start-up done
    const Usage before = Sample(pid);
    QElapsedTimer window;
    window.start();
    QThread::sleep(IdleSeconds);
    const Usage after = Sample(pid);
    const double seconds = double(window.nsecsElapsed()) / 1e9;
    const double cpuPercent =
        double(after.cpuTicks - before.cpuTicks) / double(sysconf(_SC_CLK_TCK)) / seconds * 100;
    const double wakeups = double(after.switches - before.switches) / seconds;
    program.terminate();
    if (!program.waitForFinished(10000)) {
        program.kill();
        program.waitForFinished();
    }
    std::printf(
        "idle program over %.1f s: %d threads, processor %.3f %%, %.2f wake-ups/s, resident %lld KiB\n",
        seconds, after.threads, cpuPercent, wakeups, static_cast<long long>(after.rssKiB));

    Target("due_100_all_running", allRunning, 1000.0, " ms");
    Target("idle_wakeups_per_second", wakeups, 5.0, "");
    return 0;
}
