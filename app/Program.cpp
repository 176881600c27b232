#include "app/Program.h"

#include "core/ApplicationGlobal.h"
#include "core/DataModuleApplicationStartup.h"
#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "core/FormatSettings.h"
#include "debugview/DebugWindow.h"
#include "platform/session/InstanceChannel.h"
#include "platform/session/InstanceLock.h"
#include "platform/session/TerminationSignals.h"
#include "schedule/DataModuleDatabase.h"
#include "schedule/HourglenDataModule.h"
#include "support/VersionInformation.h"
#include "toolkit/base/Thread.h"
#include "ui/Main.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

// How long a second start waits for the running instance's answer.
constexpr int HandOverMilliseconds = 3000;
// How many modal windows a close by signal closes before it closes the main window anyway.
constexpr int MaxModalCloses = 8;

void WriteError(const QString& line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

TProgram::TProgram(int& argc, char** argv, const QString& ProgramFile) : m_programFile(ProgramFile)
{
    // 1. Module initialisation: the trace stack, the empty environment and version records, the
    //    format settings of the system locale.
    m_callStack = std::make_unique<TCallStackInstance>();
    ApplicationGlobal::Clear();
    VersionInformation::Clear();
    FormatSettings.LoadFromSystemLocale();

    // 2. The application object. Only the main window's close ends the message loop (the debug
    //    window may stay open).
    m_application = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(QString::fromUtf16(AppName));
    QApplication::setQuitOnLastWindowClosed(false);
    m_arguments = QApplication::arguments().mid(1);

    // Caught from here on, so a signal during start-up waits for the main window.
    m_signals = std::make_unique<TerminationSignals>();
    QObject::connect(m_signals.get(), &TerminationSignals::received, m_signals.get(),
                     [this](int) { CloseOnSignal(); });
}

TProgram::~TProgram()
{
    Stop();
    m_signals.reset();
    m_application.reset();
}

void TProgram::AddModule(QObject* Module)
{
    m_modules.emplace_back(Module);
    if (m_onModuleCreated)
        m_onModuleCreated(Module);
}

int TProgram::Run()
{
    // 3. The modules in their order.
    AddModule(new TDataModule_Debug(m_arguments, std::make_unique<TDebugWindow>()));
    AddModule(new TDataModule_Database());
    AddModule(new TDataModule_ApplicationStartup(m_programFile));
    if (!ClaimInstance()) {
        Stop();
        return 0;
    }
    AddModule(new TDataModule_Hourglen());
    AddModule(new TForm_Hourglen());

    // 4. The message loop, until the main window has closed.
    TForm_Hourglen* form = Form_Hourglen;
    QObject::connect(form, &TForm_Hourglen::closed, m_application.get(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (m_channel)
        QObject::connect(m_channel.get(), &InstanceChannel::activationRequested, form,
                         [] { BringMainWindowToFront(); });
    form->show();
    if (m_onRunning)
        QTimer::singleShot(0, form, [this] { m_onRunning(); });
    const int result = QApplication::exec();

    // 5. The stop sequence.
    Stop();
    return result;
}

QString TProgram::RuntimeFolder(const QString& ConfigPath)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return QDir::cleanPath(runtime);
    return QDir::cleanPath(ConfigPath);
}

QString TProgram::InstanceFileBase(const QString& RuntimeFolder, const QString& DataPath)
{
    return RuntimeFolder + QStringLiteral("/") + QString::fromUtf16(AppName) + u'-' +
           InstanceLock::nameFor(InstanceLock::normalisedFolder(DataPath));
}

// Takes the data folder for this instance. False when another instance has it: that one has been
// asked to come to the front, and this one ends.
bool TProgram::ClaimInstance()
{
    const QString dataPath = ApplicationGlobal::DataPath;
    const QString base = InstanceFileBase(RuntimeFolder(ApplicationGlobal::ConfigPath), dataPath);
    auto lock = std::make_unique<InstanceLock>(base + QStringLiteral(".lock"));
    const QString socketPath = base + QStringLiteral(".socket");
    switch (lock->tryLock()) {
    case InstanceLock::Result::Acquired:
        break;
    case InstanceLock::Result::Busy: {
        m_handedOver = true;
        const bool answered = InstanceChannel::requestActivation(socketPath, HandOverMilliseconds);
        WriteError(answered ? QStringLiteral("Hourglen is already running for %1; its window has been "
                                             "brought to the front.")
                                  .arg(QDir::toNativeSeparators(dataPath))
                            : QStringLiteral("Hourglen is already running for %1.")
                                  .arg(QDir::toNativeSeparators(dataPath)));
        return false;
    }
    case InstanceLock::Result::Failed:
        // Better a scheduler that runs than none: go on, and say that a second copy is not caught.
        WriteError(QStringLiteral("Hourglen: cannot lock %1 (%2); a second start on the same schedule "
                                  "will not be detected.")
                       .arg(lock->path(), lock->error()));
        return true;
    }
    m_lock = std::move(lock);
    m_channel = std::make_unique<InstanceChannel>(socketPath);
    if (!m_channel->listen()) {
        DebugLine(QStringLiteral("Cannot listen on ") + socketPath + QStringLiteral(": ") +
                  m_channel->error());
        m_channel.reset();
    }
    return true;
}

void TProgram::BringMainWindowToFront()
{
    QWidget* window = Form_Hourglen;
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

// A signal asks the program to end: the main window closes as with the Exit command, after the
// modal windows above it.
void TProgram::CloseOnSignal()
{
    if (!Form_Hourglen)
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != Form_Hourglen && m_modalCloses < MaxModalCloses) {
        ++m_modalCloses;
        modal->close();
        // Once the modal window's own loop has returned.
        QTimer::singleShot(0, m_signals.get(), [this] { CloseOnSignal(); });
        return;
    }
    Form_Hourglen->close();
}

void TProgram::Stop()
{
    if (m_stopped)
        return;
    m_stopped = true;

    // Module finalisation: no trace line from here on; the records cleared; the trace stack released.
    if (DataModule_Debug)
        DataModule_Debug->CloseTraceLog();
    VersionInformation::Clear();
    ApplicationGlobal::Clear();
    m_callStack.reset();

    // The modules in the reverse order of their creation: the main window first (its timer stops).
    while (!m_modules.empty())
        m_modules.pop_back();

    // Threads that end after the message loop (the timer's worker, a late launch) are freed while
    // the application object still takes their end notifications.
    WaitForThreads();

    // The data folder is free for the next start only once nothing of this one can start a task.
    m_channel.reset();
    m_lock.reset();
}

void TProgram::WaitForThreads()
{
    if (Thread::liveCount() == 0)
        return;
    const QDeadlineTimer deadline(ThreadWaitMilliseconds);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (Thread::liveCount() == 0 || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
}
