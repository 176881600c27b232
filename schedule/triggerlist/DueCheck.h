#pragma once

#include "core/FormatSettings.h"
#include "schedule/triggerlist/TriggerList.h"

#include <QDateTime>
#include <QTimeZone>

#include <optional>
#include <vector>

// The longest pause between two ticks whose seconds are still caught up; after a longer one (a
// suspended machine, a clock set forward by hand) only the current second is examined.
constexpr qint64 DueCatchUpSeconds = 60;

struct TDueCheckResult
{
    qint64 LastExamined = 0; // the UTC second examined last: "now"
    std::vector<TExaminedSecond> Seconds;
    std::vector<TDueLaunch> Launches; // in launch order
};

// The seconds one tick examines, as local texts in zone under settings: every UTC second after
// lastExamined up to now when at most DueCatchUpSeconds have passed, else (and at the first tick,
// and when the clock went back) only the current second; the current second is examined again by
// every tick within it. Local times that a daylight-saving change skips between two examined
// seconds are examined too, right before the first second after the change.
std::vector<TExaminedSecond> DueSeconds(const QDateTime& now, const QTimeZone& zone,
                                        std::optional<qint64> lastExamined, const TFormatSettings& settings);

// The due check of one tick: the seconds above, then the due rule over the list.
TDueCheckResult DueCheck(const QDateTime& now, const QTimeZone& zone, std::optional<qint64> lastExamined,
                         TTriggerList& list, const TFormatSettings& settings);
