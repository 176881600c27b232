#include "support/CompileTime.h"

#include "CompileTimeStamp.h"

namespace CompileTime {

QString BuildDate()
{
    return QStringLiteral(HOURGLEN_BUILD_DATE);
}

QString BuildTime()
{
    return QStringLiteral(HOURGLEN_BUILD_TIME);
}

} // namespace CompileTime
