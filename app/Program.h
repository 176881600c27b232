#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class InstanceChannel;
class InstanceLock;
class QApplication;
class QObject;
class TCallStackInstance;
class TerminationSignals;

// The program's life, in the order of its start and stop sequences.
//
// Construction: module initialisation (the trace stack, the empty environment and version records,
// the format settings of the system locale), then the application object.
// Run(): the five modules in their order, each reached through its global reference and with its
// creation handler run before the next is made; between the startup module (which knows the data
// folder) and the schedule module, the claim on the data folder; then the message loop until the
// main window has closed; then the stop sequence: module finalisation (the trace log closed and the
// trace stack released), the modules destroyed in reverse order, and every thread that is still
// ending waited for and freed.
// Destruction: the application object, last.
//
// One instance per data folder: a second start on the same folder hands over to the running
// instance (its main window comes to the front) and ends with status 0 and one line on standard
// error, before any timer can start. SIGTERM, SIGINT and SIGHUP close the main window as the Exit
// command does.
class TProgram final
{
public:
    using TModuleHook = std::function<void(QObject* Module)>;
    using THook = std::function<void()>;

    // argc must outlive the object. programFile: the program's own file (empty: the application's).
    TProgram(int& argc, char** argv, const QString& ProgramFile = QString());
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // Creates the modules, runs the message loop and stops; returns the exit status.
    int Run();

    // For tests: called with each module right after its creation handler has run.
    void SetOnModuleCreated(TModuleHook Hook) { m_onModuleCreated = std::move(Hook); }
    // For tests: called once the message loop runs with the main window shown.
    void SetOnRunning(THook Hook) { m_onRunning = std::move(Hook); }

    // Whether Run() found another instance on the same data folder and handed over to it.
    bool HandedOver() const { return m_handedOver; }

    // The folder of the instance lock and socket: $XDG_RUNTIME_DIR when it names a folder, else the
    // configuration folder.
    static QString RuntimeFolder(const QString& ConfigPath);
    // The lock file and socket paths without their suffixes, named after the data folder.
    static QString InstanceFileBase(const QString& RuntimeFolder, const QString& DataPath);

    // The running instance's answer to a second start: the main window shown, un-minimised, raised
    // and activated.
    static void BringMainWindowToFront();

    // How long the stop sequence waits for threads that are still ending.
    static constexpr int ThreadWaitMilliseconds = 10000;

private:
    void AddModule(QObject* Module);
    bool ClaimInstance();
    void CloseOnSignal();
    void Stop();
    void WaitForThreads();

    QStringList m_arguments;
    QString m_programFile;
    std::unique_ptr<TCallStackInstance> m_callStack;
    std::unique_ptr<QApplication> m_application;
    std::unique_ptr<TerminationSignals> m_signals;
    std::vector<std::unique_ptr<QObject>> m_modules; // in creation order
    std::unique_ptr<InstanceLock> m_lock;
    std::unique_ptr<InstanceChannel> m_channel;
    TModuleHook m_onModuleCreated;
    THook m_onRunning;
    bool m_handedOver = false;
    bool m_stopped = false;
    int m_modalCloses = 0;
};
