// The program entry: module initialisation, the application object, the five modules in
// their order, the message loop until the main window closes, and the stop sequence.

#include "app/ModuleSet.h"
#include "core/ApplicationGlobal.h"
#include "core/DataModuleDebug.h"
#include "core/DebugCallStack.h"
#include "core/FormatSettings.h"
#include "debugview/DebugBox.h"
#include "debugview/DebugWindow.h"
#include "support/VersionInformation.h"
#include "ui/Main.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char Usage[] = "Usage: hourglen [/DEBUG]\n"
                     "Starts programs at planned times.\n"
                     "\n"
                     "  /DEBUG, --debug  as the first argument, in any letter case: show the debug window\n"
                     "  --help           print this text and end\n"
                     "  --version        print the version and end\n"
                     "\n"
                     "Other arguments are ignored.\n";

bool hasArgument(int argc, char** argv, const char* wanted)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], wanted) == 0)
            return true;
    }
    return false;
}

// For the end-to-end test: with HOURGLEN_DEBUG_VIEW_DUMP naming a file, the program writes the debug
// window's text there once start-up is done and closes its main window.
void armDebugViewDump()
{
    const QString target = qEnvironmentVariable("HOURGLEN_DEBUG_VIEW_DUMP");
    if (target.isEmpty())
        return;
    QTimer::singleShot(0, qApp, [target] {
        QFile file(target);
        TkvtDebugBox* box = DataModule_Debug ? DebugBoxOf(*DataModule_Debug) : nullptr;
        if (box && file.open(QIODevice::WriteOnly)) {
            file.write(box->View()->toPlainText().toUtf8());
            file.write("\n--visible=" + QByteArray(box->Window()->isVisible() ? "1" : "0") + '\n');
            file.close();
        }
        if (Form_Hourglen)
            Form_Hourglen->close();
    });
}

} // namespace

int main(int argc, char** argv)
{
    // Answered without the application object, so they need no display.
    if (hasArgument(argc, argv, "--help")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (hasArgument(argc, argv, "--version")) {
        std::printf("Hourglen %s\n", HOURGLEN_PRODUCT_VERSION);
        return 0;
    }

    // 1. Module initialisation: the trace stack, the empty environment and version records, the
    //    format settings of the system locale.
    auto callStack = std::make_unique<TCallStackInstance>();
    ApplicationGlobal::Clear();
    VersionInformation::Clear();
    FormatSettings.LoadFromSystemLocale();

    // 2. The application object.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf16(AppName));

    // 3. The five modules; 4. the message loop, until the main window has closed.
    auto modules = std::make_unique<TModuleSet>(QApplication::arguments().mid(1));
    QObject::connect(modules->MainWindow(), &TForm_Hourglen::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    modules->MainWindow()->show();
    armDebugViewDump();
    const int result = QApplication::exec();

    // 5. Module finalisation, then the modules in reverse order.
    VersionInformation::Clear();
    ApplicationGlobal::Clear();
    callStack.reset();
    modules.reset();
    return result;
}
