// The program entry: --help and --version, answered without a display; everything else is the
// program's life in TProgram.

#include "app/Program.h"

#include <cstdio>
#include <cstring>

namespace {

const char Usage[] = "Usage: hourglen [/DEBUG]\n"
                     "Starts programs at planned times.\n"
                     "\n"
                     "  /DEBUG, --debug  as the first argument, in any letter case: show the debug window\n"
                     "  --help           print this text and end\n"
                     "  --version        print the version and end\n"
                     "\n"
                     "Other arguments are ignored. A second start on the same schedule brings the running\n"
                     "window to the front and ends.\n";

bool hasArgument(int argc, char** argv, const char* wanted)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], wanted) == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // Answered without the application object, so they need no display, and before the claim on
    // the data folder, so they work while an instance runs.
    if (hasArgument(argc, argv, "--help")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (hasArgument(argc, argv, "--version")) {
        std::printf("Hourglen %s\n", HOURGLEN_PRODUCT_VERSION);
        return 0;
    }
    TProgram program(argc, argv);
    return program.Run();
}
