#pragma once

// The trace blocks the program writes while it starts, as the debug window shows them.

#include <QStringList>

namespace StartupTrace {

// The startup module's creation, with the configuration folder present.
inline QStringList ApplicationStartupBlock()
{
    return {
        "BEG    TDataModule_ApplicationStartup.DataModuleCreate",
        "\tBEG    VERSIONINFORMATION.FileVersionInformation",
        "\tEND    VERSIONINFORMATION.FileVersionInformation",
        "\tBEG    TDataModule_ApplicationStartup.GetSpecialFolderPath",
        "\tEND    TDataModule_ApplicationStartup.GetSpecialFolderPath",
        "\tBEG    TDataModule_ApplicationStartup.GetSpecialFolderPath",
        "\tEND    TDataModule_ApplicationStartup.GetSpecialFolderPath",
        "END    TDataModule_ApplicationStartup.DataModuleCreate",
    };
}

// What follows it: the schedule module's creation, then the main window's.
inline QStringList ScheduleAndMainWindowBlocks()
{
    // The main window's creation reads its placement first.
    return {"BEG    TDataModule_Hourglen.DataModuleCreate", "END    TDataModule_Hourglen.DataModuleCreate",
            "BEG    TForm_Hourglen.FormCreate", "\tBEG    CommonFormPlacement.ReadFormParameters"};
}

} // namespace StartupTrace
