// The tick's due check over 10,000 trigger-list entries: none due, 100 due in the same second, and a
// 60-second catch-up; beside a plain loop of the same string comparisons in the same run.

#include "core/FormatSettings.h"
#include "schedule/triggerlist/DueCheck.h"
#include "schedule/triggerlist/TriggerList.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Entries = 10000;
constexpr int Runs = 201;

TFormatSettings Settings()
{
    TFormatSettings s = TFormatSettings::FromLocale(QLocale::system());
    s.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    s.DateSeparator = u'/';
    return s;
}

QString TimeText(const QTime& time, const TFormatSettings& s)
{
    return FormatDateTime(s.LongTimeFormat, QDateTime(QDate(2026, 12, 9), time, Qt::UTC), s);
}

// Entries spread over the day, each with a date and two weekday flags; due ones at dueTime.
std::vector<TRec> MakeEntries(int due, const QTime& dueTime, const TFormatSettings& s)
{
    std::vector<TRec> entries;
    entries.reserve(Entries);
    for (int i = 0; i < Entries; ++i) {
        TRec r;
        r.taskname = QStringLiteral("/opt/jobs/task%1.sh").arg(i);
        r.taskparm = QStringLiteral("--id %1").arg(i);
        r.launchdate = QStringLiteral("12/%1/2026").arg(1 + i % 28, 2, 10, QLatin1Char('0'));
        // None of the others falls within the hour the benchmark examines.
        r.launchtime =
            i < due ? TimeText(dueTime, s) : TimeText(QTime(0, 0).addSecs(i % 3600 * 13 % 36000), s);
        r.launchcbsun = r.launchcbmon = r.launchcbtue = r.launchcbwed = QStringLiteral("0");
        r.launchcbthu = r.launchcbfri = r.launchcbsat = QStringLiteral("0");
        r.launchcbwed = QStringLiteral("1");
        entries.push_back(r);
    }
    return entries;
}

double MedianMicroseconds(const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        times.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    std::nth_element(times.begin(), times.begin() + Runs / 2, times.end());
    return times[Runs / 2];
}

void Target(const char* name, double measured, double limit, const char* unit)
{
    std::printf("target %s: %.3f%s (limit %.3f%s) %s\n", name, measured, unit, limit, unit,
                measured <= limit ? "met" : "missed");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const TFormatSettings settings = Settings();
    const QTimeZone zone = QTimeZone::systemTimeZone();
    // Wednesday 12/09/2026, 21:00:00 local.
    const QDateTime local(QDate(2026, 12, 9), QTime(21, 0, 0), zone);
    const QDateTime now = local.toUTC();
    const qint64 second = now.toSecsSinceEpoch();

    // Idle: the list holds 10,000 entries, none due.
    TTriggerList idle;
    idle.Replace(MakeEntries(0, {}, settings));
    volatile std::size_t sink = 0;
    const double idleTick = MedianMicroseconds(
        [&] { sink = sink + DueCheck(now, zone, second - 1, idle, settings).Launches.size(); });

    // The plain loop: the due rule's comparisons over the same entries with today's texts.
    const std::vector<TRec> plainEntries = idle.Entries();
    const QString nowText = TimeText(local.time(), settings);
    const QString todayText = FormatDateTime(settings.ShortDateFormat, local, settings);
    const double plainLoop = MedianMicroseconds([&] {
        std::size_t due = 0;
        for (const TRec& r : plainEntries) {
            if (r.launchtime != nowText)
                continue;
            if (r.launchdate == todayText || r.launchcbwed == QLatin1String("1"))
                due += r.fired == 0;
        }
        sink = sink + due;
    });

    // 100 due in one second: a fresh list per run, since each launch sets fired.
    std::vector<double> dueTimes;
    const std::vector<TRec> withDue = MakeEntries(100, local.time(), settings);
    std::size_t foundDue = 0;
    for (int i = 0; i < 51; ++i) {
        TTriggerList list;
        list.Replace(withDue);
        QElapsedTimer t;
        t.start();
        foundDue = DueCheck(now, zone, second - 1, list, settings).Launches.size();
        dueTimes.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    std::nth_element(dueTimes.begin(), dueTimes.begin() + 25, dueTimes.end());

    // A 60-second catch-up over the 10,000 entries.
    const double catchUp = MedianMicroseconds(
        [&] { sink = sink + DueCheck(now, zone, second - 60, idle, settings).Seconds.size(); });

    std::printf("idle tick, 10000 entries:           %9.1f us\n", idleTick);
    std::printf("plain loop of the comparisons:      %9.1f us\n", plainLoop);
    std::printf("tick with 100 due (found %zu):      %9.1f us\n", foundDue, dueTimes[25]);
    std::printf("60-second catch-up, 10000 entries:  %9.1f us\n", catchUp);
    Target("idle_tick_10000", idleTick / 1000.0, 1.0, " ms");
    Target("idle_tick_vs_plain_loop", idleTick / plainLoop, 3.0, "");
    Target("catch_up_60s_10000", catchUp / 1000.0, 50.0, " ms");
    return 0;
}
