#include "schedule/packet/DataPacketCodec.h"

#include "schedule/packet/DataPacketReader.h"
#include "schedule/packet/DataPacketWriter.h"

TablePacket TDataPacketCodec::read(const QByteArray& bytes) const
{
    return TDataPacketReader().Read(bytes);
}

QByteArray TDataPacketCodec::write(const TablePacket& packet) const
{
    return TDataPacketWriter().Write(packet);
}
