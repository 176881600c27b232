// Measures how long a launch thread takes from its start until the started program runs, beside a
// bare posix_spawn of the same script, in the same run. The script tells it is running by writing
// to a FIFO that the benchmark waits on.

#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "trigger/LaunchCreateProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// "--quick" measures a few runs only: it shows the benchmark works (for example without a display),
// not how fast a launch is.
constexpr int Warmup = 5;
constexpr int Runs = 100;
constexpr int QuickWarmup = 1;
constexpr int QuickRuns = 3;
constexpr double RatioLimit = 2.0;

// Waits until the script has written its byte; false after ten seconds without it.
bool awaitSignal(int fifo)
{
    pollfd wait{fifo, POLLIN, 0};
    for (;;) {
        const int ready = poll(&wait, 1, 10000);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[64];
        if (read(fifo, buffer, sizeof buffer) > 0)
            return true;
    }
}

// Lets the script that has just signalled end, and its reaping happen, before the next measurement
// starts, so that no measurement shares the processors with the previous child's exit.
void settle()
{
    QCoreApplication::processEvents();
    usleep(20000);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = QCoreApplication::arguments().contains(QStringLiteral("--quick"));
    const int warmup = quick ? QuickWarmup : Warmup;
    const int runs = quick ? QuickRuns : Runs;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 2;
    const QString script = dir.filePath(QStringLiteral("signal.sh"));
    const QString fifoPath = dir.filePath(QStringLiteral("running"));
    {
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly))
            return 2;
        file.write("#!/bin/sh\nprintf x > \"$1\"\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray fifoName = QFile::encodeName(fifoPath);
    if (mkfifo(fifoName.constData(), 0600) != 0)
        return 2;
    // The benchmark keeps a writer open itself, so the FIFO never reports a hang-up between runs.
    const int fifo = open(fifoName.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const int keepOpen = open(fifoName.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fifo < 0 || keepOpen < 0)
        return 2;

    // The program's trace log, as in a real launch.
    TCallStackInstance stack;
    TDataModule_Debug debug{QStringList()};

    const QByteArray scriptName = QFile::encodeName(script);
    char* const spawnArgv[] = {const_cast<char*>(scriptName.constData()),
                               const_cast<char*>(fifoName.constData()), nullptr};
    std::vector<double> viaThread;
    std::vector<double> viaLauncher;
    std::vector<double> viaSpawn;
    std::vector<double> viaSessionThread;
    // The same start as the launch thread's, done bare: a new thread, a new session.
    posix_spawnattr_t sessionAttributes;
    posix_spawnattr_init(&sessionAttributes);
    posix_spawnattr_setflags(&sessionAttributes, POSIX_SPAWN_SETSID);
    SystemProcessLauncher launcher;
    const QStringList launcherArguments{fifoPath};
    for (int run = 0; run < warmup + runs; ++run) {
        std::atomic<bool> ended{false};
        auto* thread = new TThreadProcessLaunch(script, fifoPath);
        thread->setOnTerminate([&ended](Thread&) { ended = true; });
        QElapsedTimer clock;
        clock.start();
        thread->start();
        if (!awaitSignal(fifo)) {
            std::fprintf(stderr, "the launched script did not signal\n");
            return 1;
        }
        const double threadMicros = clock.nsecsElapsed() / 1000.0;
        while (!ended)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        settle();

        clock.restart();
        if (!launcher.start(script, launcherArguments).started() || !awaitSignal(fifo)) {
            std::fprintf(stderr, "the script started by the launcher did not signal\n");
            return 1;
        }
        const double launcherMicros = clock.nsecsElapsed() / 1000.0;
        settle();

        clock.restart();
        pid_t child = 0;
        if (posix_spawn(&child, scriptName.constData(), nullptr, nullptr, spawnArgv, environ) != 0 ||
            !awaitSignal(fifo)) {
            std::fprintf(stderr, "the spawned script did not signal\n");
            return 1;
        }
        const double spawnMicros = clock.nsecsElapsed() / 1000.0;
        waitpid(child, nullptr, 0);
        settle();

        clock.restart();
        pid_t sessionChild = 0;
        std::thread spawner([&] {
            posix_spawn(&sessionChild, scriptName.constData(), nullptr, &sessionAttributes, spawnArgv,
                        environ);
        });
        const bool sessionSignalled = awaitSignal(fifo);
        const double sessionMicros = clock.nsecsElapsed() / 1000.0;
        spawner.join();
        if (!sessionSignalled || sessionChild <= 0) {
            std::fprintf(stderr, "the script spawned in a session of its own did not signal\n");
            return 1;
        }
        waitpid(sessionChild, nullptr, 0);
        settle();

        if (run >= warmup) {
            viaThread.push_back(threadMicros);
            viaLauncher.push_back(launcherMicros);
            viaSpawn.push_back(spawnMicros);
            viaSessionThread.push_back(sessionMicros);
        }
    }
    posix_spawnattr_destroy(&sessionAttributes);
    close(keepOpen);
    close(fifo);

    const double thread = median(viaThread);
    const double spawn = median(viaSpawn);
    const double ratio = thread / spawn;
    std::printf("launch thread start to running child: median %.1f us over %d runs\n", thread, runs);
    std::printf("launcher alone to running child:       median %.1f us over %d runs\n", median(viaLauncher),
                runs);
    std::printf("bare posix_spawn to running child:     median %.1f us over %d runs\n", spawn, runs);
    std::printf("bare posix_spawn, own session, from a new thread: median %.1f us over %d runs\n",
                median(viaSessionThread), runs);
    std::printf("ratio: %.2f (launch thread / bare posix_spawn)\n", ratio);
    std::printf("ratio to the same start done bare: %.2f\n", thread / median(viaSessionThread));
    std::printf("target launch_ratio: %.2f (limit %.0f) %s\n", ratio, RatioLimit,
                ratio < RatioLimit ? "met" : "missed");
    return 0;
}
