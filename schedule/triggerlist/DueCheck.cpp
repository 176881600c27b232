#include "schedule/triggerlist/DueCheck.h"

namespace {

// The longest run of skipped local times examined after one change (a zone that skipped a whole
// day has done so); anything beyond is not a daylight-saving change.
constexpr qint64 MaxSkippedSeconds = 2 * 86400;

// Builds the texts of local times, reading each date's weekday back from its text once.
class TSecondTexts
{
public:
    explicit TSecondTexts(const TFormatSettings& settings) : m_settings(settings) {}

    TExaminedSecond Make(const QDateTime& wall, bool current)
    {
        TExaminedSecond second;
        if (wall.date() != m_date) {
            m_date = wall.date();
            m_dateText = FormatDateTime(m_settings.ShortDateFormat, wall, m_settings);
            const std::optional<QDate> parsed = StrToDate(m_dateText, m_settings);
            // Qt counts Monday 1 ... Sunday 7; the flags count Sunday 1 ... Saturday 7.
            m_weekday = parsed ? parsed->dayOfWeek() % 7 + 1 : 0;
        }
        second.Date = m_dateText;
        second.Time = FormatDateTime(m_settings.LongTimeFormat, wall, m_settings);
        second.Weekday = m_weekday;
        second.Current = current;
        return second;
    }

private:
    const TFormatSettings& m_settings;
    QDate m_date;
    QString m_dateText;
    int m_weekday = 0;
};

// The local wall-clock time of a UTC second, as a plain date and time (carried in UTC).
QDateTime Wall(qint64 second, const QTimeZone& zone)
{
    const QDateTime local = QDateTime::fromSecsSinceEpoch(second, zone);
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

} // namespace

std::vector<TExaminedSecond> DueSeconds(const QDateTime& now, const QTimeZone& zone,
                                        std::optional<qint64> lastExamined, const TFormatSettings& settings)
{
    const qint64 current = now.toSecsSinceEpoch();
    qint64 first = current;
    if (lastExamined && *lastExamined < current && current - *lastExamined <= DueCatchUpSeconds)
        first = *lastExamined + 1;
    std::vector<TExaminedSecond> seconds;
    seconds.reserve(std::size_t(current - first + 1));
    TSecondTexts texts(settings);
    QDateTime previous;
    if (lastExamined && first == *lastExamined + 1)
        previous = Wall(*lastExamined, zone);
    for (qint64 s = first; s <= current; ++s) {
        const QDateTime wall = Wall(s, zone);
        if (previous.isValid()) {
            const qint64 skipped = previous.secsTo(wall) - 1;
            if (skipped > 0 && skipped <= MaxSkippedSeconds) {
                for (qint64 k = 1; k <= skipped; ++k)
                    seconds.push_back(texts.Make(previous.addSecs(k), false));
            }
        }
        seconds.push_back(texts.Make(wall, s == current));
        previous = wall;
    }
    return seconds;
}

TDueCheckResult DueCheck(const QDateTime& now, const QTimeZone& zone, std::optional<qint64> lastExamined,
                         TTriggerList& list, const TFormatSettings& settings)
{
    TDueCheckResult result;
    result.LastExamined = now.toSecsSinceEpoch();
    result.Seconds = DueSeconds(now, zone, lastExamined, settings);
    result.Launches = list.Examine(result.Seconds, result.LastExamined);
    return result;
}
