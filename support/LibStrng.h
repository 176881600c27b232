#pragma once

#include <QString>

// String helpers of the program.
namespace LibStrng {

// Removes every leading and trailing character at or below the blank (blanks and control characters).
QString Trim(const QString& text);

} // namespace LibStrng
