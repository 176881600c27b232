#pragma once

#include <QString>

namespace ProgramFile {

// Whether the path names an existing file; a folder does not count. Links are followed.
bool exists(const QString& path);

// 0 when exists(path) holds, else the system's error number for why not (EISDIR for a folder).
int test(const QString& path);

} // namespace ProgramFile
