#include "schedule/triggerlist/TriggerList.h"

const QString& TRec::DayFlag(int day) const
{
    switch (day) {
    case 1:
        return launchcbsun;
    case 2:
        return launchcbmon;
    case 3:
        return launchcbtue;
    case 4:
        return launchcbwed;
    case 5:
        return launchcbthu;
    case 6:
        return launchcbfri;
    case 7:
        return launchcbsat;
    default:
        break;
    }
    static const QString none;
    return none;
}

bool TRec::SameTexts(const TRec& other) const
{
    return taskname == other.taskname && taskparm == other.taskparm && launchdate == other.launchdate &&
           launchtime == other.launchtime && launchcbsun == other.launchcbsun &&
           launchcbmon == other.launchcbmon && launchcbtue == other.launchcbtue &&
           launchcbwed == other.launchcbwed && launchcbthu == other.launchcbthu &&
           launchcbfri == other.launchcbfri && launchcbsat == other.launchcbsat;
}

void TTriggerList::Replace(std::vector<TRec> entries)
{
    for (TRec& entry : entries)
        entry.fired = 0;
    QHash<QString, QList<int>> byTime;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].launchtime.isEmpty())
            byTime[entries[i].launchtime].append(int(i));
    }
    std::vector<int> held;
    {
        const std::lock_guard lock(m_lock);
        if (m_launchSecondSet) {
            for (std::size_t i = 0; i < entries.size(); ++i) {
                for (const TRec& launched : m_launched) {
                    if (entries[i].SameTexts(launched)) {
                        entries[i].fired = 1;
                        held.push_back(int(i));
                        break;
                    }
                }
            }
        }
        m_entries.swap(entries);
        m_byTime.swap(byTime);
        m_held.swap(held);
        m_heldSecond = m_launchSecond;
    }
    // The old entries are freed here, after the lock has been given up.
}

void TTriggerList::Clear()
{
    Replace({});
}

int TTriggerList::Count() const
{
    const std::lock_guard lock(m_lock);
    return int(m_entries.size());
}

std::vector<TRec> TTriggerList::Entries() const
{
    const std::lock_guard lock(m_lock);
    return m_entries;
}

std::vector<TDueLaunch> TTriggerList::Examine(const std::vector<TExaminedSecond>& seconds,
                                              qint64 currentSecond)
{
    std::vector<TDueLaunch> due;
    const std::lock_guard lock(m_lock);
    if (!m_held.empty() && m_heldSecond != currentSecond) {
        for (const int index : m_held)
            m_entries[std::size_t(index)].fired = 0;
        m_held.clear();
    }
    for (const TExaminedSecond& second : seconds) {
        const auto found = m_byTime.constFind(second.Time);
        if (found == m_byTime.constEnd())
            continue;
        for (const int index : found.value()) {
            TRec& entry = m_entries[std::size_t(index)];
            // The time text matched through the index; date or weekday, then fired.
            if (entry.launchdate != second.Date && entry.DayFlag(second.Weekday) != QLatin1String("1"))
                continue;
            if (entry.fired != 0)
                continue;
            entry.fired = 1;
            due.push_back({index, entry.taskname, entry.taskparm});
            if (second.Current) {
                if (!m_launchSecondSet || m_launchSecond != currentSecond) {
                    m_launched.clear();
                    m_launchSecond = currentSecond;
                    m_launchSecondSet = true;
                }
                m_launched.push_back(entry);
            }
        }
    }
    return due;
}
