#pragma once

#include "toolkit/table/TablePacket.h"

#include <QList>

// The schedule record: the twelve fields of a task, in field order, as the table defines them.
QList<PacketField> ScheduleRecordFields();
