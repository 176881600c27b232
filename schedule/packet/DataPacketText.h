#pragma once

#include "toolkit/table/TablePacket.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

// The value encodings of the XML data packet: Windows-1252 text, escapes, dates, times, Base64 memos
// and the type words. Reader and writer share them so that both sides agree on every byte.
namespace DataPacketText {

// Windows-1252 byte for a character, or nothing when the code page cannot hold it.
std::optional<char> AnsiByte(char16_t c);
// The file's 8-bit text as characters.
QString FromAnsi(QByteArrayView bytes);

// Appends a string value escaped as an attribute value: the nine escaped characters as entities,
// characters beyond Windows-1252 as decimal character references. Throws for a character that
// XML cannot hold at all (control characters other than tab, line feed and carriage return).
void AppendEscaped(QByteArray& out, QStringView text);

void AppendDate(QByteArray& out, QDate date);
void AppendTime(QByteArray& out, QTime time);
void AppendDateTime(QByteArray& out, const QDateTime& dateTime);
// A floating-point number in the shortest form that reads back the same, in plain decimals where
// that stays short.
QByteArray FormatFloat(double value);

// Lenient readers; an unreadable value gives an invalid (null) result.
QDate ParseDate(QStringView text);
QTime ParseTime(QStringView text);
QDateTime ParseDateTime(QStringView text);

// Memo text as bytes and back: Windows-1252 when every character fits, otherwise UTF-8 behind a
// UTF-8 byte-order mark, so nothing the user types is lost.
QByteArray MemoBytes(QStringView text);
QString MemoText(const QByteArray& bytes);

// Base64 of a memo value, or nothing when the value is not well-formed Base64 (other programs store
// text memos as the text itself). Line breaks between runs are allowed.
std::optional<QByteArray> DecodeBase64(QStringView text);

// The field kind for a type word matched without regard to case, with the canonical spelling.
struct TypeWord
{
    QString word;
    FieldKind kind = FieldKind::String;
};
std::optional<TypeWord> FindTypeWord(QStringView text);

// The value type of a parameter name the format knows; empty for MINVALUE and the like,
// nothing for a name it does not know.
std::optional<QString> KnownParamType(QStringView name);

// True when the text can stand as an XML attribute name (field names become ROW attributes).
bool IsXmlName(QStringView name);

} // namespace DataPacketText
