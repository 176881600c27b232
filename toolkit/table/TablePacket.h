#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

// What a client table stores, in the form a file codec reads and writes: field definitions,
// table parameters, every stored row with its change state, and the change log.
// The engine knows no file format; codecs turn bytes into a TablePacket and back.

enum class FieldKind
{
    String,   // QString
    Date,     // QDate
    Time,     // QTime, to the millisecond
    DateTime, // QDateTime (local, no zone)
    Boolean,  // bool
    Integer,  // qlonglong
    Float,    // double
    Fixed,    // QString holding the decimal text, so no digit is lost
    Memo,     // QString: a text blob
    Blob,     // QByteArray: a binary blob
    Other     // QString: a kind the engine keeps but does not interpret (nested, arrays)
};

// Change-state bits of a stored row.
namespace RowState {
constexpr int Original = 1; // a version that a later version replaces
constexpr int Deleted = 2;
constexpr int Inserted = 4;
constexpr int Modified = 8; // a version made by a modification
constexpr int Unused = 32;
constexpr int NotCurrent = Original | Deleted | Unused;
} // namespace RowState

struct PacketParam
{
    QString name;
    QString value;
    QString type;           // the type word of a PARAM child or a known parameter; may be empty
    bool roundtrip = false; // PARAM child with Roundtrip="True"
    bool child = false;     // read from (and written as) a PARAM child element
    friend bool operator==(const PacketParam&, const PacketParam&) = default;
};

struct PacketField
{
    QString name;
    QString typeWord; // as the format names it, canonical letter case ("string", "bin.hex", "dateTime")
    FieldKind kind = FieldKind::String;
    int size = 0;    // characters, for strings; 0 when none
    QString subtype; // "Text" marks a memo
    bool readonly = false;
    bool required = false;
    bool hidden = false;
    bool linkfield = false;
    QList<PacketParam> params; // further parameters the field was read with, in file order
    QString attrname; // the name row values are stored under, when a file gave the field another name
    friend bool operator==(const PacketField&, const PacketField&) = default;
};

struct PacketRow
{
    int state = 0;          // RowState bits
    QList<QVariant> values; // one per field, in field order; an invalid QVariant is null
    friend bool operator==(const PacketRow&, const PacketRow&) = default;
};

struct TablePacket
{
    QList<PacketField> fields;
    QList<PacketParam> params; // table parameters other than CHANGE_LOG, in file order
    QList<PacketRow> rows;     // every stored row, in storage order (row number = index + 1)
    QList<uint> changeLog;     // triples: row number, replaced row number or 0, change bit
    friend bool operator==(const TablePacket&, const TablePacket&) = default;
};

// Reads and writes a TablePacket in one file format. Both throw Exception with the format's message.
class TableCodec
{
public:
    virtual ~TableCodec() = default;
    virtual TablePacket read(const QByteArray& bytes) const = 0;
    virtual QByteArray write(const TablePacket& packet) const = 0;
};
