#include "platform/ProgramFile.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>

namespace ProgramFile {

bool exists(const QString& path)
{
    return test(path) == 0;
}

int test(const QString& path)
{
    if (path.isEmpty())
        return ENOENT;
    struct stat info
    {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? EISDIR : 0;
}

} // namespace ProgramFile
