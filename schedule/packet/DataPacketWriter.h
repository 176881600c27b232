#pragma once

#include "toolkit/table/TablePacket.h"

#include <QByteArray>

// Writes a table as one line of XML data packet, byte for byte in the form every reader of the
// format expects. Throws Exception for a value the file cannot hold.
class TDataPacketWriter final
{
public:
    QByteArray Write(const TablePacket& packet) const;
};
