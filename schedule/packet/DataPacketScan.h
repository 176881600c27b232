#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Linear passes over a packet's text before the XML parser sees it.
//
// The format writes every character as it is, control characters included, and other writers use
// references such as "&#1;"; the XML parser refuses both. They reach it as private-use stand-ins
// instead and are turned back after parsing: Escape followed by Base + n stands for control
// character n (0 to 31, and 32, 33 for U+FFFE, U+FFFF), and a genuine Escape is doubled so that
// private-use characters in a file round-trip too.
namespace DataPacketScan {

constexpr char16_t Escape = 0xE000;
constexpr char16_t Base = 0xE100;

// The text with the stand-ins in place; false (and out untouched) when nothing needed one.
bool MapForParser(QByteArrayView utf8, QByteArray& out);
bool MapForParser(QStringView text, QString& out);

// The text with the stand-ins turned back, for a packet that MapForParser changed.
QString Unmap(QStringView text);

// What the parser's cost depends on beyond the size: it checks each element's attributes against
// each other, so its time grows with the square of one element's attribute count.
struct Shape
{
    qint64 attributePairs = 0; // summed over all elements
    qint64 maxAttributes = 0;  // of one element
    qint64 maxDepth = 0;       // of nested elements
    bool documentType = false; // a document type declaration is present
};
Shape Measure(QByteArrayView utf8);
Shape Measure(QStringView text);

} // namespace DataPacketScan
