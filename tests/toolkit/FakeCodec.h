#pragma once

#include "toolkit/base/Exception.h"
#include "toolkit/table/TablePacket.h"

#include <QDataStream>
#include <QIODevice>

// A stand-in file format for the engine's tests: the packet through QDataStream behind a magic word.
class FakeCodec final : public TableCodec
{
public:
    TablePacket read(const QByteArray& bytes) const override
    {
        QDataStream in(bytes);
        QByteArray magic;
        in >> magic;
        if (magic != "FAKEPACKET")
            throw Exception(QStringLiteral("Mismatch in datapacket."));
        TablePacket packet;
        qint64 count = 0;
        in >> count;
        for (qint64 i = 0; i < count; ++i) {
            PacketField field;
            int kind = 0;
            in >> field.name >> field.typeWord >> kind >> field.size >> field.subtype;
            field.kind = FieldKind(kind);
            packet.fields.append(field);
        }
        in >> count;
        for (qint64 i = 0; i < count; ++i) {
            PacketRow row;
            in >> row.state >> row.values;
            packet.rows.append(row);
        }
        in >> packet.changeLog;
        return packet;
    }

    QByteArray write(const TablePacket& packet) const override
    {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << QByteArray("FAKEPACKET") << qint64(packet.fields.size());
        for (const PacketField& field : packet.fields)
            out << field.name << field.typeWord << int(field.kind) << field.size << field.subtype;
        out << qint64(packet.rows.size());
        for (const PacketRow& row : packet.rows)
            out << row.state << row.values;
        out << packet.changeLog;
        return bytes;
    }
};
