#pragma once

#include <QString>

// The environment record: where the program keeps its files. Empty until the startup module has
// run, cleared when the program ends. Folder texts end with the platform's separator.
namespace ApplicationGlobal {

extern QString DataPath;   // shared data folder: the schedule file
extern QString ConfigPath; // per-user configuration folder: the placement file

void Clear();

} // namespace ApplicationGlobal

// The application name, also the base name of the schedule file.
inline constexpr char16_t AppName[] = u"Hourglen";
