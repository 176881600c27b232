#pragma once

#include <QString>

// The build stamp: the date and time at which the program was built, in the two forms
// the About window shows: month/day/year without leading zeros ("4/27/2012") and the 12-hour clock
// with seconds and AM or PM ("11:21:16 PM"). SOURCE_DATE_EPOCH, when set at build time, fixes them.
namespace CompileTime {

QString BuildDate();
QString BuildTime();

} // namespace CompileTime
