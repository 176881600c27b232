#include "core/ApplicationGlobal.h"

namespace ApplicationGlobal {

QString DataPath;
QString ConfigPath;

void Clear()
{
    DataPath.clear();
    ConfigPath.clear();
}

} // namespace ApplicationGlobal
