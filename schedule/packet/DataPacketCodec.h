#pragma once

#include "toolkit/table/TablePacket.h"

// The schedule file's format: the XML data packet, read and written through TableCodec so the
// client table itself knows no file format.
class TDataPacketCodec final : public TableCodec
{
public:
    TablePacket read(const QByteArray& bytes) const override;
    QByteArray write(const TablePacket& packet) const override;
};
