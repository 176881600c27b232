#pragma once

#include <QString>

// The plain text of an RTF document: control words, groups that are not text (font and colour
// tables, pictures, fields' instructions, ...) and their parameters left out; paragraph and line
// breaks, tabs, escaped characters, \'hh characters (Windows-1252) and \u Unicode characters kept.
namespace RtfText {

// Whether text is an RTF document ("{\rtf" at its start, blanks before it allowed).
bool isRtf(const QString& text);
QString toPlainText(const QString& rtf);

} // namespace RtfText
