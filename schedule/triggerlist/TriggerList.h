#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <mutex>
#include <vector>

// One trigger-list entry: a task reduced to the texts of its fields, and whether it was launched.
struct TRec
{
    QString taskname;
    QString taskparm;
    QString launchdate;
    QString launchtime;
    QString launchcbsun;
    QString launchcbmon;
    QString launchcbtue;
    QString launchcbwed;
    QString launchcbthu;
    QString launchcbfri;
    QString launchcbsat;
    qint32 fired = 0;

    // The flag for a day of the week, 1 = Sunday ... 7 = Saturday.
    const QString& DayFlag(int day) const;
    // Whether the eleven texts are equal (fired aside).
    bool SameTexts(const TRec& other) const;
};

// One local second the due check examines: its date and time texts in the global formats and its
// day of the week (1 = Sunday ... 7 = Saturday, 0 when the date text does not read back as a date).
struct TExaminedSecond
{
    QString Date;
    QString Time;
    int Weekday = 0;
    bool Current = false; // the second of "now" itself
};

// A task the due check found due: what its launch thread needs.
struct TDueLaunch
{
    int Index = -1; // place in the list when it was found
    QString taskname;
    QString taskparm;
};

// The in-memory list of tasks that every tick scans. It owns its entries and the one lock over
// them: ticks run on the timer's worker thread while the user-interface thread rebuilds the list.
class TTriggerList final
{
public:
    TTriggerList() = default;
    Q_DISABLE_COPY_MOVE(TTriggerList)

    // Puts entries in place of the present ones, each armed (fired 0) except one whose texts equal
    // those of an entry launched in the list's current second: that one stays fired for the rest
    // of that second, so a rebuild within it launches nothing twice.
    void Replace(std::vector<TRec> entries);
    void Clear();

    int Count() const;
    std::vector<TRec> Entries() const;

    // Applies the due rule to the seconds, in their order, and within one second to the entries in
    // list order: an entry whose time text equals the second's, whose date text equals the
    // second's or whose flag for the second's weekday is exactly "1", and whose fired is 0, is set
    // fired and returned. currentSecond is the UTC second of "now"; a rebuild hold made for another
    // second ends first.
    std::vector<TDueLaunch> Examine(const std::vector<TExaminedSecond>& seconds, qint64 currentSecond);

private:
    void Reindex(); // lock held

    mutable std::mutex m_lock;
    std::vector<TRec> m_entries;
    QHash<QString, QList<int>> m_byTime; // launch time text -> entries in list order
    // Launches made in the latest current second, to hold their twins after a rebuild.
    qint64 m_launchSecond = 0;
    bool m_launchSecondSet = false;
    std::vector<TRec> m_launched;
    // Entries held fired by a rebuild until their second has passed.
    std::vector<int> m_held;
    qint64 m_heldSecond = 0;
};
