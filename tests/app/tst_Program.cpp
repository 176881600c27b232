// The start order of the five modules, the main window's life cycle, and the program
// itself started as a process (--help, --version, "/DEBUG" with the start-up blocks nested).

#include "common/StartupTrace.h"
#include "common/TestMain.h"

#include "app/ModuleSet.h"
#include "core/DataModuleApplicationStartup.h"
#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "debugview/DebugBox.h"
#include "debugview/DebugWindow.h"
#include "schedule/DataModuleDatabase.h"
#include "schedule/HourglenDataModule.h"
#include "trigger/ZylTimer.h"
#include "ui/Main.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

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

} // namespace

namespace {

// A stopped timer worker ends at once and is freed through the user-interface thread's events;
// waiting for that keeps the test free of objects left behind.
void WaitForTimerWorkers(const TZylTimerShared& timer)
{
    QTRY_COMPARE(TZylTimer::WorkerCount(timer), 0);
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

    std::unique_ptr<TCallStackInstance> m_stack;

private slots:
    void init() { m_stack = std::make_unique<TCallStackInstance>(); }
    void cleanup() { m_stack.reset(); }

    void modulesCreatedInOrderAndDestroyedInReverse()
    {
        QStringList created;
        QList<QList<bool>> globalsAtCreation;
        QStringList destroyed;
        QStringList lines;
        auto modules = std::make_unique<TModuleSet>(QStringList{}, QString(), [&](QObject* module) {
            created << module->objectName();
            globalsAtCreation << globalsSet();
            const QString name = module->objectName();
            QObject::connect(module, &QObject::destroyed, [&destroyed, name] { destroyed << name; });
            if (auto* debug = qobject_cast<TDataModule_Debug*>(module))
                QObject::connect(debug, &TDataModule_Debug::lineHanded,
                                 [&lines](const QString& l) { lines << l; });
        });
        QCOMPARE(created, ModuleNames);
        // Each module is reached through its global reference from its creation on; the later ones
        // do not exist yet.
        for (int i = 0; i < 5; ++i) {
            QList<bool> expected(5, false);
            for (int j = 0; j <= i; ++j)
                expected[j] = true;
            QCOMPARE(globalsAtCreation[i], expected);
        }
        QCOMPARE(modules->MainWindow(), Form_Hourglen);
        QCOMPARE(DataModule_Debug->objectName(), QStringLiteral("DataModule_Debug"));

        // Each creation handler ran before the next module was created: the first trace lines are
        // those of the startup module, then the schedule module, then the main window.
        QVERIFY(lines.size() >= StartupBlocks.size() + 4);
        const qsizetype afterStartup = lines.indexOf(StartupBlocks.last()) + 1;
        QCOMPARE(lines.first(), StartupBlocks.first());
        QCOMPARE(lines.mid(afterStartup, 4), StartupTrace::ScheduleAndMainWindowBlocks());

        const auto timer = Form_Hourglen->ZylTimer_Action()->Shared();
        modules.reset();
        WaitForTimerWorkers(*timer);
        QStringList reversed = ModuleNames;
        std::reverse(reversed.begin(), reversed.end());
        QCOMPARE(destroyed, reversed);
        QCOMPARE(globalsSet(), QList<bool>(5, false));
    }

    void debugWindowShownBeforeTheOtherModules()
    {
        bool shownAtDatabase = false;
        auto modules = std::make_unique<TModuleSet>(QStringList{"/debug"}, QString(), [&](QObject* module) {
            if (module->objectName() == QLatin1String("DataModule_Database"))
                shownAtDatabase = DebugBoxOf(*DataModule_Debug)->Window()->isVisible();
        });
        QVERIFY(shownAtDatabase);
        const auto timer = Form_Hourglen->ZylTimer_Action()->Shared();
        modules.reset();
        WaitForTimerWorkers(*timer);
    }

    void mainWindowLifeCycle()
    {
        QStringList lines;
        auto modules = std::make_unique<TModuleSet>(QStringList{}, QString(), [&](QObject* module) {
            if (auto* debug = qobject_cast<TDataModule_Debug*>(module))
                QObject::connect(debug, &TDataModule_Debug::lineHanded,
                                 [&lines](const QString& l) { lines << l; });
        });
        TForm_Hourglen* form = modules->MainWindow();
        QCOMPARE(form->windowTitle(), QStringLiteral("Hourglen"));
        QCOMPARE(form->objectName(), QStringLiteral("Form_Hourglen"));
        QCOMPARE(form->Tag, 0);
        lines.clear();
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QTRY_COMPARE(form->Tag, 1);
        QVERIFY(lines.contains(QStringLiteral("BEG    TForm_Hourglen.FormActivate")));

        QSignalSpy closed(form, &TForm_Hourglen::closed);
        lines.clear();
        QVERIFY(form->close());
        QCOMPARE(closed.count(), 1);
        // No launch thread listed: no waiting; the placement is written last.
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.mid(0, 2), (QStringList{"BEG    TForm_Hourglen.FormClose",
                                               "\tBEG    CommonFormPlacement.WriteFormParameters"}));
        QCOMPARE(lines.mid(5), (QStringList{"\tEND    CommonFormPlacement.WriteFormParameters",
                                            "END    TForm_Hourglen.FormClose"}));
        QCOMPARE(form->Tag, 1);
        const auto timer = form->ZylTimer_Action()->Shared();
        modules.reset();
        WaitForTimerWorkers(*timer);
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

private slots:
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

    // The real program under the offscreen platform: with the configuration folder present, the
    // debug window shows the start-up blocks nested; unknown
    // arguments are ignored; the switch counts only in first position.
    void startUpBlocksInTheDebugWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("shown");
        QTest::newRow("/DEBUG") << QStringList{"/DEBUG"} << true;
        QTest::newRow("/debug and an unknown argument") << QStringList{"/debug", "--unknown"} << true;
        QTest::newRow("--debug") << QStringList{"--debug"} << true;
        QTest::newRow("no arguments") << QStringList{} << false;
        QTest::newRow("switch in second position") << QStringList{"whatever", "/DEBUG"} << false;
    }

    void startUpBlocksInTheDebugWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, shown);
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("config/Quillfern/Hourglen/2.0.0.0"))));
        QProcessEnvironment env = environment(true);
        const QString dump = m_dir.filePath(QStringLiteral("view.txt"));
        QFile::remove(dump);
        env.insert(QStringLiteral("HOURGLEN_DEBUG_VIEW_DUMP"), dump);
        const Run r = run(arguments, env);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QFile file(dump);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.last(), shown ? QStringLiteral("--visible=1") : QStringLiteral("--visible=0"));
        if (!shown) {
            QCOMPARE(lines.size(), 1);
            return;
        }
        QCOMPARE(lines.mid(0, StartupBlocks.size()), StartupBlocks);
        QCOMPARE(lines.mid(StartupBlocks.size(), 4), StartupTrace::ScheduleAndMainWindowBlocks());
    }

    void configurationFolderCreatedOnFirstStart()
    {
        QTemporaryDir fresh;
        QProcessEnvironment env = environment(true);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), fresh.filePath(QStringLiteral("cfg")));
        const QString dump = fresh.filePath(QStringLiteral("view.txt"));
        env.insert(QStringLiteral("HOURGLEN_DEBUG_VIEW_DUMP"), dump);
        const Run r = run({QStringLiteral("/DEBUG")}, env);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QFile file(dump);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString path =
            fresh.filePath(QStringLiteral("cfg")) + QStringLiteral("/Quillfern/Hourglen/2.0.0.0/");
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.mid(7, 3), (QStringList{"Configuration Path does not exist", path,
                                               path + QStringLiteral(" path built successfully")}));
        QVERIFY(QFileInfo(path).isDir());
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir& home = TestEnvironment::makeHome();
    if (!home.isValid())
        return 2;
    QApplication app(argc, argv);
    int status = 0;
    {
        TestProgram modules;
        status |= QTest::qExec(&modules, argc, argv);
    }
    {
        TestProgramProcess process;
        status |= QTest::qExec(&process, argc, argv);
    }
    return status;
}

#include "tst_Program.moc"
