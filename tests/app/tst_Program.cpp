// The program's life through TProgram, in-process: the start order of the five modules, the stop
// sequence, the debug window, threads that end after the message loop, one instance per data
// folder. Then the program file started as a process: --help, --version, a second start, and the
// signals that close it.

#include "common/StartupTrace.h"
#include "common/TestMain.h"

#include "app/Program.h"
#include "core/ApplicationGlobal.h"
#include "core/DataModuleApplicationStartup.h"
#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "debugview/DebugBox.h"
#include "debugview/DebugWindow.h"
#include "platform/ProcessLauncher.h"
#include "platform/session/InstanceChannel.h"
#include "platform/session/InstanceLock.h"
#include "schedule/DataModuleDatabase.h"
#include "schedule/HourglenDataModule.h"
#include "toolkit/base/Thread.h"
#include "trigger/LaunchCreateProcess.h"
#include "trigger/ZylTimer.h"
#include "ui/Main.h"

#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <memory>
#include <mutex>

namespace {

const QStringList ModuleNames{"DataModule_Debug", "DataModule_Database", "DataModule_ApplicationStartup",
                              "DataModule_Hourglen", "Form_Hourglen"};

// Which global references are set, in the table's order.
QList<bool> globalsSet()
{
    return {DataModule_Debug != nullptr, DataModule_Database != nullptr,
            DataModule_ApplicationStartup != nullptr, DataModule_Hourglen != nullptr,
            Form_Hourglen != nullptr};
}

const QStringList StartupBlocks = StartupTrace::ApplicationStartupBlock();

const QStringList AfterStartup = StartupTrace::ScheduleAndMainWindowBlocks();

const QString Version = QStringLiteral("2.0.0.0");

QString dataPathFor(const QString& dataHome)
{
    return dataHome + QStringLiteral("/Quillfern/Hourglen/") + Version + u'/';
}

// The instance files of the test's own folders.
QString instanceBase()
{
    const QString root = TestEnvironment::root();
    return TProgram::InstanceFileBase(root + QStringLiteral("/runtime"),
                                      dataPathFor(root + QStringLiteral("/data")));
}

// A program as main() makes it, with a command line of its own.
class ProgramRun
{
public:
    explicit ProgramRun(const QStringList& arguments = {})
    {
        m_storage << QByteArrayLiteral("hourglen");
        for (const QString& argument : arguments)
            m_storage << argument.toLocal8Bit();
        for (QByteArray& argument : m_storage)
            m_argv.push_back(argument.data());
        m_argv.push_back(nullptr);
        m_argc = static_cast<int>(m_storage.size());
        program = std::make_unique<TProgram>(m_argc, m_argv.data());
    }

    std::unique_ptr<TProgram> program;

private:
    QList<QByteArray> m_storage;
    std::vector<char*> m_argv;
    int m_argc = 0;
};

// A launcher that holds every start until it is let go, as a slow start would.
class HeldLauncher final : public ProcessLauncher
{
public:
    LaunchOutcome start(const QString&, const QStringList&) override
    {
        std::unique_lock lock(m_lock);
        ++m_entered;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
        ++m_done;
        return {LaunchOutcome::Status::Started, 0, {}};
    }
    void release()
    {
        const std::lock_guard lock(m_lock);
        m_released = true;
        m_changed.notify_all();
    }
    int entered() const
    {
        const std::lock_guard lock(m_lock);
        return m_entered;
    }
    int done() const
    {
        const std::lock_guard lock(m_lock);
        return m_done;
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_released = false;
    int m_entered = 0;
    int m_done = 0;
};

// Runs body once the program runs, then closes its main window (also when a check in body failed,
// so a failure never leaves the message loop running).
void whenRunning(TProgram& program, std::function<void()> body)
{
    program.SetOnRunning([body = std::move(body)] {
        body();
        if (Form_Hourglen && Form_Hourglen->isVisible())
            Form_Hourglen->close();
    });
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    // The configuration folder exists, as after a first start.
    void initTestCase()
    {
        QVERIFY(
            QDir().mkpath(TestEnvironment::root() + QStringLiteral("/config/Quillfern/Hourglen/") + Version));
    }

    void cleanup() { QCOMPARE(QCoreApplication::instance(), nullptr); }

    void startAndStopOrder()
    {
        ProgramRun run;
        // Module initialisation, then the application object.
        QVERIFY(CallStack != nullptr);
        QVERIFY(ApplicationGlobal::DataPath.isEmpty());
        QVERIFY(QCoreApplication::instance() != nullptr);
        QCOMPARE(globalsSet(), QList<bool>(5, false));

        QStringList created;
        QList<QList<bool>> globalsAtCreation;
        QStringList destroyed;
        bool finalisedBeforeEachDestruction = true;
        bool applicationDuringDestruction = true;
        QStringList lines;
        bool running = false;
        run.program->SetOnModuleCreated([&](QObject* module) {
            created << module->objectName();
            globalsAtCreation << globalsSet();
            const QString name = module->objectName();
            QObject::connect(module, &QObject::destroyed, [&, name] {
                destroyed << name;
                finalisedBeforeEachDestruction = finalisedBeforeEachDestruction && CallStack == nullptr &&
                                                 ApplicationGlobal::DataPath.isEmpty() &&
                                                 ApplicationGlobal::ConfigPath.isEmpty();
                applicationDuringDestruction =
                    applicationDuringDestruction && QCoreApplication::instance() != nullptr;
                // Nothing may be written while the modules are destroyed, whoever asks.
                TraceBegin(QStringLiteral("Late.") + name);
                DebugLine(QStringLiteral("late line ") + name);
                TraceEnd();
            });
            if (auto* debug = qobject_cast<TDataModule_Debug*>(module))
                QObject::connect(debug, &TDataModule_Debug::lineHanded,
                                 [&lines](const QString& l) { lines << l; });
        });
        whenRunning(*run.program, [&] {
            running = Form_Hourglen && Form_Hourglen->isVisible() && CallStack != nullptr;
            Form_Hourglen->close();
        });
        QCOMPARE(run.program->Run(), 0);
        QVERIFY(running);
        QVERIFY(!run.program->HandedOver());

        QCOMPARE(created, ModuleNames);
        // Each module is reached through its global reference from its creation on; the later ones
        // do not exist yet.
        for (int i = 0; i < 5; ++i) {
            QList<bool> expected(5, false);
            for (int j = 0; j <= i; ++j)
                expected[j] = true;
            QCOMPARE(globalsAtCreation[i], expected);
        }
        // Each creation handler ran before the next module was created.
        QCOMPARE(lines.mid(0, StartupBlocks.size()), StartupBlocks);
        QCOMPARE(lines.mid(StartupBlocks.size(), 4), AfterStartup);
        QVERIFY(lines.contains(QStringLiteral("BEG    TForm_Hourglen.FormClose")));
        for (const QString& line : std::as_const(lines))
            QVERIFY2(!line.contains(QLatin1String("Late")) && !line.contains(QLatin1String("late")),
                     qPrintable(line));

        QStringList reversed = ModuleNames;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(destroyed, reversed);
        QVERIFY(finalisedBeforeEachDestruction);
        QVERIFY(applicationDuringDestruction);
        QCOMPARE(globalsSet(), QList<bool>(5, false));
        // The application object goes last.
        QVERIFY(QCoreApplication::instance() != nullptr);
        run.program.reset();
        QCOMPARE(QCoreApplication::instance(), nullptr);
    }

    // In-process, the debug window as the user sees it once the program runs: shown with the
    // switch in first position (any letter case), with the start-up blocks nested.
    void debugWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("shown");
        QTest::newRow("/DEBUG") << QStringList{"/DEBUG"} << true;
        QTest::newRow("/debug and an unknown argument") << QStringList{"/debug", "--unknown"} << true;
        QTest::newRow("--debug") << QStringList{"--debug"} << true;
        QTest::newRow("no arguments") << QStringList{} << false;
        QTest::newRow("switch in second position") << QStringList{"whatever", "/DEBUG"} << false;
    }

    void debugWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, shown);
        ProgramRun run(arguments);
        bool shownAtDatabase = !shown;
        run.program->SetOnModuleCreated([&](QObject* module) {
            if (module->objectName() == QLatin1String("DataModule_Database"))
                shownAtDatabase = DebugBoxOf(*DataModule_Debug)->Window()->isVisible();
        });
        QStringList lines;
        bool visible = !shown;
        whenRunning(*run.program, [&] {
            TkvtDebugBox* box = DebugBoxOf(*DataModule_Debug);
            visible = box->Window()->isVisible();
            lines = box->View()->toPlainText().split(u'\n', Qt::SkipEmptyParts);
            Form_Hourglen->close();
        });
        QCOMPARE(run.program->Run(), 0);
        QCOMPARE(visible, shown);
        // Shown before any other module was created.
        QCOMPARE(shownAtDatabase, shown);
        if (!shown) {
            QVERIFY(lines.isEmpty());
            return;
        }
        QCOMPARE(lines.mid(0, StartupBlocks.size()), StartupBlocks);
        QCOMPARE(lines.mid(StartupBlocks.size(), 4), AfterStartup);
    }

    void configurationFolderCreatedOnFirstStart()
    {
        QTemporaryDir fresh;
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", fresh.filePath(QStringLiteral("cfg")).toLocal8Bit());
        QStringList lines;
        {
            ProgramRun run({QStringLiteral("/DEBUG")});
            whenRunning(*run.program, [&] {
                lines = DebugBoxOf(*DataModule_Debug)->View()->toPlainText().split(u'\n', Qt::SkipEmptyParts);
                Form_Hourglen->close();
            });
            QCOMPARE(run.program->Run(), 0);
        }
        qputenv("XDG_CONFIG_HOME", saved);
        const QString path =
            fresh.filePath(QStringLiteral("cfg")) + QStringLiteral("/Quillfern/Hourglen/") + Version + u'/';
        QCOMPARE(lines.mid(7, 3), (QStringList{"Configuration Path does not exist", path,
                                               path + QStringLiteral(" path built successfully")}));
        QVERIFY(QFileInfo(path).isDir());
    }

    void mainWindowLifeCycle()
    {
        ProgramRun run;
        QStringList lines;
        run.program->SetOnModuleCreated([&](QObject* module) {
            if (auto* debug = qobject_cast<TDataModule_Debug*>(module))
                QObject::connect(debug, &TDataModule_Debug::lineHanded,
                                 [&lines](const QString& l) { lines << l; });
        });
        int closedCount = -1;
        QStringList closeLines;
        whenRunning(*run.program, [&] {
            TForm_Hourglen* form = Form_Hourglen;
            QCOMPARE(form->windowTitle(), QStringLiteral("Hourglen"));
            QCOMPARE(form->objectName(), QStringLiteral("Form_Hourglen"));
            form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form));
            QTRY_COMPARE(form->Tag, 1);
            QVERIFY(lines.contains(QStringLiteral("BEG    TForm_Hourglen.FormActivate")));

            QSignalSpy closed(form, &TForm_Hourglen::closed);
            lines.clear();
            QVERIFY(form->close());
            closedCount = static_cast<int>(closed.count());
            closeLines = lines;
        });
        QCOMPARE(run.program->Run(), 0);
        QCOMPARE(closedCount, 1);
        // The close writes the placement inside its own block.
        QVERIFY(closeLines.size() >= 4);
        QCOMPARE(closeLines.first(), QStringLiteral("BEG    TForm_Hourglen.FormClose"));
        QCOMPARE(closeLines.last(), QStringLiteral("END    TForm_Hourglen.FormClose"));
        QVERIFY(closeLines.contains(QStringLiteral("\tBEG    CommonFormPlacement.WriteFormParameters")));
    }

    // The message loop ends while the timer's worker is stopping and a launch thread is still
    // starting its program: both end after the loop has returned, are freed, and nothing is
    // touched after it is gone (the sanitizers watch).
    void threadsEndingAfterTheMessageLoop()
    {
        ProgramRun run;
        auto launcher = std::make_shared<HeldLauncher>();
        std::atomic<int> ticks{0};
        std::atomic<bool> launchEndOnUiThread{false};
        std::shared_ptr<const TZylTimerShared> timerState;
        whenRunning(*run.program, [&] {
            // The timer belongs to the main window, as the window's own timer does.
            auto* timer = new TZylTimer(Form_Hourglen);
            timer->SetInterval(0.001);
            timer->SetOnTimer([&ticks](TZylTimer*) { ++ticks; });
            timer->SetEnabled(true);
            timerState = timer->Shared();
            QTRY_VERIFY(ticks.load() > 2);

            auto* launch = new TThreadProcessLaunch(QStringLiteral("/bin/true"), QString(), launcher);
            launch->setOnTerminate([&launchEndOnUiThread](Thread&) {
                launchEndOnUiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            });
            launch->start();
            QTRY_COMPARE(launcher->entered(), 1);
            // Let go of the launch once the stop sequence destroys the main window.
            QObject::connect(Form_Hourglen, &QObject::destroyed, [launcher] { launcher->release(); });
            Form_Hourglen->close();
        });
        QCOMPARE(run.program->Run(), 0);
        QCOMPARE(launcher->done(), 1);
        QVERIFY(launchEndOnUiThread);
        QCOMPARE(Thread::liveCount(), 0);
        QCOMPARE(TZylTimer::WorkerCount(*timerState), 0);
    }

    void lockFileNames_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("same");
        QTest::newRow("two data folders") << "/d/Quillfern/Hourglen/2.0.0.0/"
                                          << "/e/Quillfern/Hourglen/2.0.0.0/" << false;
        QTest::newRow("two versions") << "/d/Quillfern/Hourglen/2.0.0.0/"
                                      << "/d/Quillfern/Hourglen/2.0.0.1/" << false;
        QTest::newRow("one folder spelt twice") << "/d/Quillfern/Hourglen/2.0.0.0/"
                                                << "/d//Quillfern/x/../Hourglen/2.0.0.0" << true;
    }

    void lockFileNames()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, same);
        const QString a = TProgram::InstanceFileBase(QStringLiteral("/run/user/1"), first);
        const QString b = TProgram::InstanceFileBase(QStringLiteral("/run/user/1"), second);
        QCOMPARE(a == b, same);
        QVERIFY(a.startsWith(QLatin1String("/run/user/1/Hourglen-")));
    }

    void runtimeFolder()
    {
        QCOMPARE(TProgram::RuntimeFolder(QStringLiteral("/c/")),
                 TestEnvironment::root() + QStringLiteral("/runtime"));
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(TProgram::RuntimeFolder(QStringLiteral("/c/Quillfern/")), QStringLiteral("/c/Quillfern"));
        qputenv("XDG_RUNTIME_DIR", "relative/folder");
        QCOMPARE(TProgram::RuntimeFolder(QStringLiteral("/c/")), QStringLiteral("/c"));
        qputenv("XDG_RUNTIME_DIR", saved);
    }

    // While another holds the data folder, a start creates no schedule module and no main window
    // (so no timer) and ends with status 0; the data folder itself is not created.
    void secondStartEndsAtOnce()
    {
        InstanceLock other(instanceBase() + QStringLiteral(".lock"));
        QCOMPARE(other.tryLock(), InstanceLock::Result::Acquired);
        ProgramRun run;
        QStringList created;
        run.program->SetOnModuleCreated([&](QObject* module) { created << module->objectName(); });
        bool ran = false;
        whenRunning(*run.program, [&] { ran = true; });
        QCOMPARE(run.program->Run(), 0);
        QVERIFY(!ran);
        QVERIFY(run.program->HandedOver());
        QCOMPARE(created, ModuleNames.mid(0, 3));
        QCOMPARE(globalsSet(), QList<bool>(5, false));
        QVERIFY(!QFileInfo::exists(dataPathFor(TestEnvironment::root() + QStringLiteral("/data"))));
    }

    // A lock file left behind by a process that is gone does not block; while the program runs it
    // holds the lock, and it takes the file away when it ends.
    void staleLockFileDoesNotBlock()
    {
        const QString lockPath = instanceBase() + QStringLiteral(".lock");
        {
            QFile stale(lockPath);
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("99999999\n");
        }
        ProgramRun run;
        InstanceLock::Result whileRunning = InstanceLock::Result::Acquired;
        bool ran = false;
        whenRunning(*run.program, [&] {
            ran = true;
            InstanceLock probe(lockPath);
            whileRunning = probe.tryLock();
            Form_Hourglen->close();
        });
        QCOMPARE(run.program->Run(), 0);
        QVERIFY(ran);
        QVERIFY(!run.program->HandedOver());
        QCOMPARE(whileRunning, InstanceLock::Result::Busy);
        QVERIFY(!QFileInfo::exists(lockPath));
    }

    // The real program started a second time while this one runs: it brings this one's main
    // window to the front (un-minimised) and ends at once with status 0 and one line.
    void secondProgramBringsTheWindowToTheFront()
    {
        ProgramRun run;
        int exitCode = -1;
        QByteArray error;
        bool restored = false;
        bool minimisedBefore = false;
        whenRunning(*run.program, [&] {
            Form_Hourglen->showMinimized();
            minimisedBefore = Form_Hourglen->isMinimized();
            QProcess second;
            second.start(QStringLiteral(HOURGLEN_PROGRAM_FILE), {});
            // This loop serves the hand-over while the second program waits for the answer.
            QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 60000);
            exitCode = second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
            error = second.readAllStandardError();
            QTRY_VERIFY(!Form_Hourglen->isMinimized());
            restored = Form_Hourglen->isVisible();
            Form_Hourglen->close();
        });
        QCOMPARE(run.program->Run(), 0);
        QVERIFY(minimisedBefore);
        QCOMPARE(exitCode, 0);
        QVERIFY(restored);
        QCOMPARE(error.count('\n'), 1);
        QVERIFY2(error.startsWith("Hourglen is already running for ") &&
                     error.contains("its window has been brought to the front."),
                 error.constData());
    }
};

// The program file, started as a process.
class TestProgramProcess : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QProcessEnvironment environment(bool display) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("runtime")));
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        else
            env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       QStringLiteral("xcb")); // there is none: must not be needed
        return env;
    }

    QString socketPath() const
    {
        return TProgram::InstanceFileBase(m_dir.filePath(QStringLiteral("runtime")),
                                          dataPathFor(m_dir.filePath(QStringLiteral("data")))) +
               QStringLiteral(".socket");
    }

    struct Run
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    Run run(const QStringList& arguments, const QProcessEnvironment& env)
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(HOURGLEN_PROGRAM_FILE), arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    // Starts the program and waits until it has claimed its data folder (its socket is there).
    bool startRunning(QProcess& process)
    {
        process.setProcessEnvironment(environment(true));
        process.start(QStringLiteral(HOURGLEN_PROGRAM_FILE), {});
        if (!process.waitForStarted(60000))
            return false;
        const QDeadlineTimer deadline(60000);
        while (!QFileInfo::exists(socketPath())) {
            if (deadline.hasExpired() || process.state() != QProcess::Running)
                return false;
            process.waitForFinished(20);
        }
        return true;
    }

    static bool endedByItself(QProcess& process)
    {
        if (process.waitForFinished(30000))
            return true;
        process.kill();
        process.waitForFinished();
        return false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("runtime"))));
        QVERIFY(QFile::setPermissions(m_dir.filePath(QStringLiteral("runtime")), QFileDevice::ReadOwner |
                                                                                     QFileDevice::WriteOwner |
                                                                                     QFileDevice::ExeOwner));
    }

    void version_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--version") << QStringList{"--version"};
        QTest::newRow("after other arguments") << QStringList{"/DEBUG", "--version"};
    }

    void version()
    {
        QFETCH(QStringList, arguments);
        const Run r = run(arguments, environment(false));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("Hourglen 2.0.0.0\n"));
    }

    void help()
    {
        const Run r = run({QStringLiteral("--help")}, environment(false));
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.startsWith("Usage: hourglen"));
        QVERIFY(r.out.contains("/DEBUG"));
        QVERIFY(r.out.contains("--version"));
    }

    // A desktop logout (SIGTERM), Ctrl+C (SIGINT) or a closed terminal (SIGHUP) closes the main
    // window as Exit does: the program ends by itself, with status 0 and nothing leaked.
    void signalClosesTheProgram_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void signalClosesTheProgram()
    {
        QFETCH(int, signalNumber);
        QProcess process;
        QVERIFY(startRunning(process));
        QCOMPARE(::kill(static_cast<pid_t>(process.processId()), signalNumber), 0);
        QVERIFY(endedByItself(process));
        const QByteArray err = process.readAllStandardError();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == 0, err.constData());
        QVERIFY2(!err.contains("Sanitizer"), err.constData());
        QVERIFY(!QFileInfo::exists(socketPath()));
    }

    // While one runs: a second start ends at once with status 0 and one line, the first goes on;
    // --help and --version still answer.
    void secondStartWhileOneRuns()
    {
        QProcess first;
        QVERIFY(startRunning(first));
        const Run second = run({}, environment(true));
        QCOMPARE(second.exitCode, 0);
        QVERIFY2(second.err.count('\n') == 1, second.err.constData());
        QVERIFY2(second.err.startsWith("Hourglen is already running for "), second.err.constData());
        QCOMPARE(run({QStringLiteral("--version")}, environment(false)).out,
                 QByteArray("Hourglen 2.0.0.0\n"));
        QCOMPARE(run({QStringLiteral("--help")}, environment(false)).exitCode, 0);
        QCOMPARE(first.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        QVERIFY(endedByItself(first));
        QCOMPARE(first.exitCode(), 0);
    }

    // A program killed outright leaves its lock and socket files; the next start runs all the same.
    void crashedInstanceDoesNotBlock()
    {
        QProcess crashed;
        QVERIFY(startRunning(crashed));
        crashed.kill();
        QVERIFY(crashed.waitForFinished(30000));
        QVERIFY(QFileInfo::exists(socketPath()));
        QVERIFY(!InstanceChannel::requestActivation(socketPath(), 1000));

        QProcess next;
        next.setProcessEnvironment(environment(true));
        next.start(QStringLiteral(HOURGLEN_PROGRAM_FILE), {});
        QVERIFY(next.waitForStarted(60000));
        // It takes over the folder and answers on it; a further start hands over to it.
        QTRY_VERIFY_WITH_TIMEOUT(InstanceChannel::requestActivation(socketPath(), 1000), 60000);
        const Run further = run({}, environment(true));
        QCOMPARE(further.exitCode, 0);
        QVERIFY2(further.err.contains("brought to the front"), further.err.constData());
        QCOMPARE(next.state(), QProcess::Running);
        ::kill(static_cast<pid_t>(next.processId()), SIGTERM);
        QVERIFY(endedByItself(next));
        QCOMPARE(next.exitCode(), 0);
    }
};

int main(int argc, char** argv)
{
    // No application object here: each case makes its own through TProgram, as main() does.
    QTemporaryDir& home = TestEnvironment::makeHome();
    if (!home.isValid())
        return 2;
    int status = 0;
    {
        TestProgram program;
        status |= QTest::qExec(&program, argc, argv);
    }
    {
        QCoreApplication app(argc, argv);
        TestProgramProcess process;
        status |= QTest::qExec(&process, argc, argv);
    }
    return status;
}

#include "tst_Program.moc"
