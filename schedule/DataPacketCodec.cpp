#include "schedule/DataPacketCodec.h"

#include "schedule/DataPacketReader.h"
#include "schedule/DataPacketWriter.h"

TablePacket TDataPacketCodec::read(const QByteArray& bytes) const
{
    return TDataPacketReader().Read(bytes);
}

QByteArray TDataPacketCodec::write(const TablePacket& packet) const
{
    return TDataPacketWriter().Write(packet);
}
