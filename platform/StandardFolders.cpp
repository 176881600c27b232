#include "platform/StandardFolders.h"

#include <QDir>

#include <cstdlib>

namespace SpecialFolders {

namespace {

QString fromEnvironment(const char* variable, const char* homeRelative)
{
    // The XDG rules: a relative path in the variable is invalid and ignored.
    const QString value = QString::fromLocal8Bit(qgetenv(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = QString::fromLocal8Bit(qgetenv("HOME"));
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        return {};
    return QDir::cleanPath(home + u'/' + QLatin1String(homeRelative));
}

} // namespace

QString path(Folder folder)
{
    switch (folder) {
    case Folder::CommonAppData:
        return fromEnvironment("XDG_DATA_HOME", ".local/share");
    case Folder::LocalAppData:
        return fromEnvironment("XDG_CONFIG_HOME", ".config");
    }
    return {};
}

} // namespace SpecialFolders
