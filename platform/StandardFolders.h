#pragma once

#include <QString>

// The folders that stand in for the Windows shell's application-data folders, without a trailing
// separator. The folders are looked up, never created.
namespace SpecialFolders {

enum class Folder
{
    CommonAppData, // $XDG_DATA_HOME, else ~/.local/share
    LocalAppData   // $XDG_CONFIG_HOME, else ~/.config
};

// The folder's path, or an empty text when it cannot be determined.
QString path(Folder folder);

} // namespace SpecialFolders
