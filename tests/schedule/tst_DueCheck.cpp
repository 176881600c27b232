// The due rule over the trigger list, tick by tick, with any "now" and any time zone: date and
// weekday matches, fired, catch-up of missed seconds, gaps, clocks set back, daylight-saving nights,
// and rebuilds of the list.

#include "common/TestMain.h"

#include "core/FormatSettings.h"
#include "schedule/triggerlist/DueCheck.h"
#include "schedule/triggerlist/TriggerList.h"

#include <QTimeZone>

#include <atomic>
#include <optional>
#include <thread>

namespace {

TFormatSettings Settings()
{
    TFormatSettings s;
    s.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    s.DateSeparator = u'/';
    s.LongTimeFormat = QStringLiteral("hh:nn:ss");
    s.TimeSeparator = u':';
    return s;
}

// "name|date|time|flags", the flags Sunday to Saturday, one character each ('-' for empty).
TRec Entry(const QString& line)
{
    const QStringList parts = line.split(u'|');
    TRec r;
    r.taskname = parts.value(0);
    r.taskparm = QStringLiteral("--for ") + parts.value(0);
    r.launchdate = parts.value(1);
    r.launchtime = parts.value(2);
    const QString flags = parts.value(3).leftJustified(7, u'0');
    QString* days[] = {&r.launchcbsun, &r.launchcbmon, &r.launchcbtue, &r.launchcbwed,
                       &r.launchcbthu, &r.launchcbfri, &r.launchcbsat};
    for (int i = 0; i < 7; ++i)
        *days[i] = flags.at(i) == u'-' ? QString() : QString(flags.at(i));
    return r;
}

std::vector<TRec> Entries(const QStringList& lines)
{
    std::vector<TRec> entries;
    for (const QString& line : lines)
        entries.push_back(Entry(line));
    return entries;
}

// Ticks the due check over a list, remembering the last second examined as the main window does.
class Ticker
{
public:
    Ticker(TTriggerList& list, QTimeZone zone) : m_list(list), m_zone(std::move(zone)) {}

    // now: a local date and time in the zone ("yyyy-MM-dd HH:mm:ss.zzz"); returns the names launched.
    QStringList TickLocal(const QString& now)
    {
        const QDateTime local = QDateTime::fromString(now, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        Q_ASSERT(local.isValid());
        return Tick(QDateTime(local.date(), local.time(), m_zone));
    }

    QStringList TickUtc(const QString& now)
    {
        const QDateTime utc = QDateTime::fromString(now, QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        Q_ASSERT(utc.isValid());
        return Tick(QDateTime(utc.date(), utc.time(), Qt::UTC));
    }

    QStringList Tick(const QDateTime& instant)
    {
        const TDueCheckResult result = DueCheck(instant, m_zone, m_last, m_list, Settings());
        m_last = result.LastExamined;
        QStringList names;
        for (const TDueLaunch& launch : result.Launches) {
            names << launch.taskname;
            // What the launch thread gets is the entry's own command and parameter.
            if (launch.taskparm != QStringLiteral("--for ") + launch.taskname)
                names << QStringLiteral("wrong parameter");
        }
        return names;
    }

private:
    TTriggerList& m_list;
    QTimeZone m_zone;
    std::optional<qint64> m_last;
};

} // namespace

class TestDueCheck : public QObject
{
    Q_OBJECT

private slots:
    void dueRule_data();
    void dueRule();
    void gapsAndClocks_data();
    void gapsAndClocks();
    void springForwardNight();
    void autumnNight();
    void rebuiltListFiresAgain();
    void rebuildInsideTheSecondOfALaunch();
    void localeDateFormatNoLongerMatches();
    void rebuildWhileTicking();
};

// Each row: the list, the ticks (UTC is the zone), and what each tick launches ("" for nothing).
void TestDueCheck::dueRule_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QStringList>("launched");

    const QStringList oneSecond{"2026-12-24 07:59:59.900", "2026-12-24 08:00:00.100",
                                "2026-12-24 08:00:00.400", "2026-12-24 08:00:00.700",
                                "2026-12-24 08:00:01.000"};
    QTest::newRow("date matches, the three ticks of one second launch once")
        << QStringList{"a|12/24/2026|08:00:00|0000000"} << oneSecond << QStringList{"", "a", "", "", ""};
    QTest::newRow("another date") << QStringList{"a|12/25/2026|08:00:00|0000000"} << oneSecond
                                  << QStringList{"", "", "", "", ""};
    QTest::newRow("another time") << QStringList{"a|12/24/2026|08:00:01|0000000"} << oneSecond
                                  << QStringList{"", "", "", "", "a"};
    // 12/28/2026 is a Monday.
    QTest::newRow("weekday flag") << QStringList{"mon||08:00:00|0100000", "tue||08:00:00|0010000"}
                                  << QStringList{"2026-12-28 07:59:59.900", "2026-12-28 08:00:00.200"}
                                  << QStringList{"", "mon"};
    QTest::newRow("weekday flag: not again the next week without a rebuild")
        << QStringList{"mon||08:00:00|0100000"}
        << QStringList{"2026-12-28 08:00:00.200", "2027-01-04 08:00:00.200"} << QStringList{"mon", ""};
    // 12/24/2026 is a Thursday, 12/25/2026 a Friday.
    QTest::newRow("date and weekday: due on the date")
        << QStringList{"a|12/24/2026|08:00:00|0000010"} << QStringList{"2026-12-24 08:00:00.200"}
        << QStringList{"a"};
    QTest::newRow("date and weekday: due on the weekday")
        << QStringList{"a|12/24/2026|08:00:00|0000010"} << QStringList{"2026-12-25 08:00:00.200"}
        << QStringList{"a"};
    QTest::newRow("date and weekday: once per build of the list")
        << QStringList{"a|12/24/2026|08:00:00|0000010"}
        << QStringList{"2026-12-24 08:00:00.200", "2026-12-25 08:00:00.200"} << QStringList{"a", ""};
    QTest::newRow("flags \"0\", empty and \"1 \" are off")
        << QStringList{"zero||08:00:00|0000000", "empty||08:00:00|-------", "blank||08:00:00|0000000"}
        << QStringList{"2026-12-28 08:00:00.200"} << QStringList{""};
    QTest::newRow("empty time never due")
        << QStringList{"a|12/28/2026||1111111"}
        << QStringList{"2026-12-28 00:00:00.200", "2026-12-28 08:00:00.200"} << QStringList{"", ""};
    QTest::newRow("empty date and no flag never due")
        << QStringList{"a||08:00:00|0000000"} << QStringList{"2026-12-28 08:00:00.200"} << QStringList{""};
    QTest::newRow("two entries in one tick, in list order")
        << QStringList{"b||08:00:00|0100000", "x||09:00:00|0100000", "a|12/28/2026|08:00:00|0000000"}
        << QStringList{"2026-12-28 08:00:00.200"} << QStringList{"b,a"};
}

void TestDueCheck::dueRule()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, ticks);
    QFETCH(QStringList, launched);
    std::vector<TRec> list = Entries(entries);
    // "1 " is no "1": set it where the row's name asks for it.
    for (TRec& r : list) {
        if (r.taskname == QLatin1String("blank"))
            r.launchcbmon = QStringLiteral("1 ");
    }
    TTriggerList triggers;
    triggers.Replace(std::move(list));
    Ticker ticker(triggers, QTimeZone::utc());
    QStringList got;
    for (const QString& tick : ticks)
        got << ticker.TickLocal(tick).join(u',');
    QCOMPARE(got, launched);
}

void TestDueCheck::gapsAndClocks_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("ticks");
    QTest::addColumn<QStringList>("launched");

    QTest::newRow("a missed second is caught up")
        << QStringList{"a||08:00:00|1111111"}
        << QStringList{"2026-12-28 07:59:59.800", "2026-12-28 08:00:01.200"} << QStringList{"", "a"};
    QTest::newRow("a 60-second gap is caught up, in order of the seconds")
        << QStringList{"late||08:00:29|1111111", "early||07:59:31|1111111", "now||08:00:30|1111111"}
        << QStringList{"2026-12-28 07:59:30.500", "2026-12-28 08:00:30.500"}
        << QStringList{"", "early,late,now"};
    QTest::newRow("a 61-second gap is not caught up")
        << QStringList{"missed||08:00:00|1111111", "now||08:00:31|1111111"}
        << QStringList{"2026-12-28 07:59:30.500", "2026-12-28 08:00:31.500"} << QStringList{"", "now"};
    QTest::newRow("a clock set back examines only the current second")
        << QStringList{"before||07:59:55|1111111", "now||07:59:59|1111111"}
        << QStringList{"2026-12-28 08:00:05.500", "2026-12-28 07:59:59.500"} << QStringList{"", "now"};
    QTest::newRow("the first tick examines only its own second")
        << QStringList{"before||07:59:59|1111111"} << QStringList{"2026-12-28 08:00:00.100"}
        << QStringList{""};
    // 12/31/2026 is a Thursday, 01/01/2027 a Friday.
    QTest::newRow("midnight and a weekday change inside a caught-up gap")
        << QStringList{"thu-late||23:59:55|0000100", "thu||00:00:05|0000100", "fri||00:00:05|0000010",
                       "dated|01/01/2027|00:00:10|0000000", "dated-old|12/31/2026|00:00:10|0000000"}
        << QStringList{"2026-12-31 23:59:50.500", "2027-01-01 00:00:20.500"}
        << QStringList{"", "thu-late,fri,dated"};
}

void TestDueCheck::gapsAndClocks()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, ticks);
    QFETCH(QStringList, launched);
    TTriggerList triggers;
    triggers.Replace(Entries(entries));
    Ticker ticker(triggers, QTimeZone::utc());
    QStringList got;
    for (const QString& tick : ticks)
        got << ticker.TickLocal(tick).join(u',');
    QCOMPARE(got, launched);
}

void TestDueCheck::springForwardNight()
{
    // Berlin, 03/28/2027: 02:00:00 local becomes 03:00:00 (01:00:00 UTC).
    const QTimeZone berlin("Europe/Berlin");
    QVERIFY(berlin.isValid());
    TTriggerList triggers;
    triggers.Replace(Entries({"skipped||02:30:00|1111111", "first-skipped||02:00:00|1111111",
                              "after||03:00:00|1111111", "before||01:59:59|1111111"}));
    Ticker ticker(triggers, berlin);
    QCOMPARE(ticker.TickUtc("2027-03-28 00:59:58.900"), QStringList());
    QCOMPARE(ticker.TickUtc("2027-03-28 00:59:59.200"), QStringList{"before"});
    // The first tick after the jump examines the skipped local times, then its own second.
    QCOMPARE(ticker.TickUtc("2027-03-28 01:00:00.100"), (QStringList{"first-skipped", "skipped", "after"}));
    QCOMPARE(ticker.TickUtc("2027-03-28 01:00:00.400"), QStringList());
    QCOMPARE(ticker.TickUtc("2027-03-28 01:00:01.000"), QStringList());

    // The jump inside a caught-up gap works the same.
    TTriggerList again;
    again.Replace(Entries({"skipped||02:30:00|1111111"}));
    Ticker gap(again, berlin);
    QCOMPARE(gap.TickUtc("2027-03-28 00:59:40.000"), QStringList());
    QCOMPARE(gap.TickUtc("2027-03-28 01:00:10.000"), QStringList{"skipped"});
}

void TestDueCheck::autumnNight()
{
    // Berlin, 10/25/2026: 03:00:00 summer time becomes 02:00:00 winter time (01:00:00 UTC); the hour
    // from 02:00:00 to 02:59:59 comes twice.
    const QTimeZone berlin("Europe/Berlin");
    QVERIFY(berlin.isValid());
    TTriggerList triggers;
    triggers.Replace(Entries({"repeated||02:30:00|1111111"}));
    Ticker ticker(triggers, berlin);
    QStringList got;
    for (const char* tick : {"2026-10-25 00:29:59.900", "2026-10-25 00:30:00.200", "2026-10-25 00:59:59.500",
                             "2026-10-25 01:00:00.500", "2026-10-25 01:29:59.900", "2026-10-25 01:30:00.200",
                             "2026-10-25 01:30:00.500"})
        got << ticker.TickUtc(QLatin1String(tick)).join(u',');
    QCOMPARE(got, (QStringList{"", "repeated", "", "", "", "", ""}));
}

void TestDueCheck::rebuiltListFiresAgain()
{
    TTriggerList triggers;
    triggers.Replace(Entries({"mon||08:00:00|0100000"}));
    Ticker ticker(triggers, QTimeZone::utc());
    QCOMPARE(ticker.TickLocal("2026-12-28 08:00:00.200"), QStringList{"mon"});
    QCOMPARE(triggers.Entries().front().fired, 1);
    // The editor closes later that day: every entry is armed again.
    triggers.Replace(Entries({"mon||08:00:00|0100000"}));
    QCOMPARE(ticker.TickLocal("2026-12-28 08:05:00.000"), QStringList());
    QCOMPARE(triggers.Entries().front().fired, 0);
    QCOMPARE(ticker.TickLocal("2027-01-04 08:00:00.200"), QStringList{"mon"});
}

void TestDueCheck::rebuildInsideTheSecondOfALaunch()
{
    TTriggerList triggers;
    triggers.Replace(Entries({"a||08:00:00|0100000", "other||09:00:00|0100000"}));
    Ticker ticker(triggers, QTimeZone::utc());
    QCOMPARE(ticker.TickLocal("2026-12-28 08:00:00.100"), QStringList{"a"});
    // The editor closes within that second: "a" unchanged, a new task due now, "a" changed.
    triggers.Replace(Entries({"new||08:00:00|0100000", "a||08:00:00|0100000", "other||09:00:00|0100000"}));
    QCOMPARE(ticker.TickLocal("2026-12-28 08:00:00.400"), QStringList{"new"});
    // A second rebuild in the same second holds it too.
    triggers.Replace(Entries({"a||08:00:00|0100000", "a2||08:00:00|0100000"}));
    QCOMPARE(ticker.TickLocal("2026-12-28 08:00:00.700"), QStringList{"a2"});
    // Once the second has passed, the held entry is armed like every other.
    QCOMPARE(ticker.TickLocal("2026-12-28 08:00:01.000"), QStringList());
    const std::vector<TRec> entries = triggers.Entries();
    QCOMPARE(entries.at(0).fired, 0);
    QCOMPARE(entries.at(1).fired, 1);
    QCOMPARE(ticker.TickLocal("2027-01-04 08:00:00.200"), QStringList{"a"});

    // A task whose texts changed is a new task and fires in the same second.
    TTriggerList changed;
    changed.Replace(Entries({"b||08:00:00|0100000"}));
    Ticker second(changed, QTimeZone::utc());
    QCOMPARE(second.TickLocal("2026-12-28 08:00:00.100"), QStringList{"b"});
    std::vector<TRec> edited = Entries({"b||08:00:00|0100000"});
    edited.front().taskparm = QStringLiteral("--for b");
    edited.front().launchcbtue = QStringLiteral("1");
    changed.Replace(std::move(edited));
    QCOMPARE(second.TickLocal("2026-12-28 08:00:00.400"), QStringList{"b"});
}

void TestDueCheck::localeDateFormatNoLongerMatches()
{
    // Entries built under "mm/dd/yyyy"; the settings now say "m/d/yyyy": the date no longer matches,
    // the weekday flags still do.
    TTriggerList triggers;
    triggers.Replace(Entries({"dated|12/09/2026|08:00:00|0000000", "wed||08:00:00|0001000"}));
    TFormatSettings locale = Settings();
    locale.ShortDateFormat = QStringLiteral("m/d/yyyy");
    const QDateTime now(QDate(2026, 12, 9), QTime(8, 0, 0, 200), Qt::UTC);
    const TDueCheckResult result = DueCheck(now, QTimeZone::utc(), std::nullopt, triggers, locale);
    QCOMPARE(result.Seconds.size(), std::size_t(1));
    QCOMPARE(result.Seconds.front().Date, QStringLiteral("12/9/2026"));
    QCOMPARE(result.Launches.size(), std::size_t(1));
    QCOMPARE(result.Launches.front().taskname, QStringLiteral("wed"));
}

// Rebuilds on one thread while another ticks: every due second launches each task once per build.
void TestDueCheck::rebuildWhileTicking()
{
    TTriggerList triggers;
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("t%1||08:00:%2|1111111").arg(i).arg(i % 60, 2, 10, QLatin1Char('0'));
    triggers.Replace(Entries(lines));
    std::atomic<bool> stop{false};
    std::atomic<int> rebuilds{0};
    std::thread rebuilder([&] {
        while (!stop.load()) {
            triggers.Replace(Entries(lines));
            rebuilds.fetch_add(1);
        }
    });
    Ticker ticker(triggers, QTimeZone::utc());
    int launched = 0;
    QDateTime now(QDate(2026, 12, 28), QTime(7, 59, 59), Qt::UTC);
    for (int tick = 0; tick < 400; ++tick) {
        now = now.addMSecs(300);
        launched += int(ticker.Tick(now).size());
    }
    QTRY_VERIFY(rebuilds.load() > 0);
    stop.store(true);
    rebuilder.join();
    // 120 s of ticks cover every task's second once; rebuilds may add launches, never lose one.
    QVERIFY2(launched >= 200, qPrintable(QString::number(launched)));
    QCOMPARE(triggers.Count(), 200);
}

HOURGLEN_TEST_MAIN_CORE(TestDueCheck)
#include "tst_DueCheck.moc"
