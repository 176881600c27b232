#pragma once

#include "toolkit/table/TablePacket.h"

#include <QByteArray>

// Writes a table as one line of XML data packet, byte for byte in the form every reader of the
// format expects: in Windows-1252, or in declared UTF-8 when a field or parameter name needs it.
// Throws Exception for a field name that no attribute can carry.
class TDataPacketWriter final
{
public:
    QByteArray Write(const TablePacket& packet) const;
};
