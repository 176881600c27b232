#pragma once

#include <QString>

// String helpers of the program.
namespace LibStrng {

// Removes every leading and trailing character at or below the blank (blanks and control characters).
QString Trim(const QString& text);

// Replaces Pattern by Replacement in Text until no Pattern is left, each search starting again at the
// beginning, so that text made by a replacement can be matched again (Pattern "ab" removed from "aabb"
// leaves the empty text). Characters are compared exactly. An empty Pattern or an empty Text gives Text.
// A replacement that can repeat without end (Replacement holding Pattern, or a text that keeps growing)
// is refused: the result is Text unchanged.
QString ReplaceAllText(const QString& Text, const QString& Pattern, const QString& Replacement);

} // namespace LibStrng
