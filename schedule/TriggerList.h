#pragma once

#include <QtGlobal>

// The in-memory list of tasks that the due-task check scans, held by the schedule module.
// Its entries and its guard come with the due-task check.
class TTriggerList final
{
public:
    TTriggerList() = default;
    Q_DISABLE_COPY_MOVE(TTriggerList)
};
