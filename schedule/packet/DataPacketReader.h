#pragma once

#include "toolkit/table/TablePacket.h"

#include <QByteArray>

// Reads an XML data packet, as this program writes it or as other programs of the same table format
// do. A packet it cannot take raises Exception with the format's message; any byte sequence either
// loads or is refused.
class TDataPacketReader final
{
public:
    TablePacket Read(const QByteArray& bytes) const;
};
