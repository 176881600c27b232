// The global format settings, their formatter and date parser, and
// the clock.

#include "common/TestMain.h"

#include "core/Clock.h"
#include "core/FormatSettings.h"

#include <atomic>
#include <thread>

namespace {

const QDateTime Stamp(QDate(2012, 4, 27), QTime(23, 21, 16, 7));

TFormatSettings usSettings()
{
    TFormatSettings s;
    s.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    s.DateSeparator = u'/';
    s.LongTimeFormat = QStringLiteral("hh:nn:ss");
    s.ShortTimeFormat = QStringLiteral("hh:nn");
    s.TimeSeparator = u':';
    s.TimeAMString = QStringLiteral("AM");
    s.TimePMString = QStringLiteral("PM");
    return s;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<QDate>)

class TestFormatSettings : public QObject
{
    Q_OBJECT

    std::shared_ptr<TManualClock> m_clock;

private slots:
    void init()
    {
        m_clock = std::make_shared<TManualClock>(QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        Clock::Replace(m_clock);
        FormatSettings.Set(usSettings());
    }

    void cleanup() { Clock::Replace(nullptr); }

    void format_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QDateTime>("value");
        QTest::addColumn<QString>("dateSeparator");
        QTest::addColumn<QString>("timeSeparator");
        QTest::addColumn<QString>("expected");
        const QDateTime morning(QDate(2012, 4, 7), QTime(9, 5, 3));
        const QDateTime midnight(QDate(2012, 4, 7), QTime(0, 5, 3));
        const QDateTime noon(QDate(2012, 4, 7), QTime(12, 0, 0));
        QTest::newRow("mm/dd/yyyy") << "mm/dd/yyyy" << Stamp << "/"
                                    << ":"
                                    << "04/27/2012";
        QTest::newRow("m/d/yyyy, no leading zeros") << "m/d/yyyy" << morning << "/"
                                                    << ":"
                                                    << "4/7/2012";
        QTest::newRow("m/d/yyyy, two digits") << "m/d/yyyy" << Stamp << "/"
                                              << ":"
                                              << "4/27/2012";
        QTest::newRow("hh:nn:ss AM/PM, evening") << "hh:nn:ss AM/PM" << Stamp << "/"
                                                 << ":"
                                                 << "11:21:16 PM";
        QTest::newRow("hh:mm:ss AMPM: mm after an hour is minutes") << "hh:mm:ss AMPM" << morning << "/"
                                                                    << ":"
                                                                    << "09:05:03 AM";
        QTest::newRow("h:nn:ss am/pm, lower case, after midnight") << "h:nn:ss am/pm" << midnight << "/"
                                                                   << ":"
                                                                   << "12:05:03 am";
        QTest::newRow("noon is 12 PM") << "h:nn:ss AMPM" << noon << "/"
                                       << ":"
                                       << "12:00:00 PM";
        QTest::newRow("A/P") << "h A/P" << Stamp << "/"
                             << ":"
                             << "11 P";
        QTest::newRow("a/p") << "h a/p" << morning << "/"
                             << ":"
                             << "9 a";
        QTest::newRow("24-hour without designator") << "hh:nn:ss" << Stamp << "/"
                                                    << ":"
                                                    << "23:21:16";
        QTest::newRow("h:n:s") << "h:n:s" << morning << "/"
                               << ":"
                               << "9:5:3";
        QTest::newRow("hh mm with a blank: minutes") << "hh mm" << morning << "/"
                                                     << ":"
                                                     << "09 05";
        QTest::newRow("mm alone: month") << "mm" << morning << "/"
                                         << ":"
                                         << "04";
        QTest::newRow("upper-case letters") << "MM/DD/YYYY HH:NN" << Stamp << "/"
                                            << ":"
                                            << "04/27/2012 23:21";
        QTest::newRow("yy") << "yy" << Stamp << "/"
                            << ":"
                            << "12";
        QTest::newRow("names") << "dddd, mmmm d" << Stamp << "/"
                               << ":"
                               << "Friday, April 27";
        QTest::newRow("short names") << "ddd mmm" << Stamp << "/"
                                     << ":"
                                     << "Fri Apr";
        QTest::newRow("milliseconds") << "ss.zzz" << Stamp << "/"
                                      << ":"
                                      << "16.007";
        QTest::newRow("quoted literals") << "'at mm' mm \"hh\"" << Stamp << "/"
                                         << ":"
                                         << "at mm 04 hh";
        QTest::newRow("separators from the settings") << "mm/dd/yyyy hh:nn" << Stamp << "."
                                                      << "-"
                                                      << "04.27.2012 23-21";
        QTest::newRow("ddddd: the short date format") << "ddddd" << Stamp << "/"
                                                      << ":"
                                                      << "04/27/2012";
        QTest::newRow("tt: the long time format") << "tt" << Stamp << "/"
                                                  << ":"
                                                  << "23:21:16";
        QTest::newRow("t: the short time format") << "t" << Stamp << "/"
                                                  << ":"
                                                  << "23:21";
        QTest::newRow("c") << "c" << Stamp << "/"
                           << ":"
                           << "04/27/2012 23:21:16";
        QTest::newRow("c at midnight") << "c" << QDateTime(QDate(2012, 4, 27), QTime(0, 0)) << "/"
                                       << ":"
                                       << "04/27/2012";
    }

    void format()
    {
        QFETCH(QString, pattern);
        QFETCH(QDateTime, value);
        QFETCH(QString, dateSeparator);
        QFETCH(QString, timeSeparator);
        QFETCH(QString, expected);
        TFormatSettings s = usSettings();
        s.DateSeparator = dateSeparator.at(0);
        s.TimeSeparator = timeSeparator.at(0);
        QCOMPARE(FormatDateTime(pattern, value, s), expected);
    }

    void designatorStrings()
    {
        TFormatSettings s = usSettings();
        s.TimeAMString = QStringLiteral("vorm.");
        s.TimePMString = QStringLiteral("nachm.");
        QCOMPARE(FormatDateTime(QStringLiteral("h:nn AMPM"), Stamp, s), QStringLiteral("11:21 nachm."));
        QCOMPARE(FormatDateTime(QStringLiteral("h:nn AMPM"), Stamp.addSecs(-12 * 3600), s),
                 QStringLiteral("11:21 vorm."));
    }

    void globalSettings()
    {
        FormatSettings.SetShortDateFormat(QStringLiteral("m/d/yyyy"));
        FormatSettings.SetDateSeparator(u'-');
        QCOMPARE(DateToStr(Stamp.date()), QStringLiteral("4-27-2012"));
        QCOMPARE(TimeToStr(Stamp.time()), QStringLiteral("23:21:16"));
        QCOMPARE(FormatDateTime(QStringLiteral("mm/dd"), Stamp), QStringLiteral("04-27"));
        QCOMPARE(StrToDate(QStringLiteral("4-27-2012")), std::optional<QDate>(QDate(2012, 4, 27)));
    }

    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<std::optional<QDate>>("expected");
        const std::optional<QDate> none;
        const std::optional<QDate> april27(QDate(2012, 4, 27));
        QTest::newRow("mm/dd/yyyy") << "04/27/2012"
                                    << "mm/dd/yyyy"
                                    << "/" << april27;
        QTest::newRow("m/d/yyyy") << "4/7/2012"
                                  << "m/d/yyyy"
                                  << "/" << std::optional<QDate>(QDate(2012, 4, 7));
        QTest::newRow("m/d/yyyy given two digits") << "04/27/2012"
                                                   << "m/d/yyyy"
                                                   << "/" << april27;
        QTest::newRow("day first") << "27.04.2012"
                                   << "dd/mm/yyyy"
                                   << "." << april27;
        QTest::newRow("year first") << "2012-04-27"
                                    << "yyyy/mm/dd"
                                    << "-" << april27;
        QTest::newRow("blanks around the numbers") << " 4 / 27 / 2012 "
                                                   << "m/d/yyyy"
                                                   << "/" << april27;
        QTest::newRow("two-digit year, this century") << "4/27/12"
                                                      << "m/d/yy"
                                                      << "/" << april27;
        QTest::newRow("two-digit year, fifty years back") << "4/27/76"
                                                          << "m/d/yy"
                                                          << "/" << std::optional<QDate>(QDate(1976, 4, 27));
        QTest::newRow("two-digit year, just ahead") << "4/27/75"
                                                    << "m/d/yy"
                                                    << "/" << std::optional<QDate>(QDate(2075, 4, 27));
        QTest::newRow("no year: the current one") << "4/27"
                                                  << "mm/dd/yyyy"
                                                  << "/" << std::optional<QDate>(QDate(2026, 4, 27));
        QTest::newRow("no year, day first") << "27/4"
                                            << "dd/mm/yyyy"
                                            << "/" << std::optional<QDate>(QDate(2026, 4, 27));
        QTest::newRow("leap day") << "2/29/2012"
                                  << "m/d/yyyy"
                                  << "/" << std::optional<QDate>(QDate(2012, 2, 29));
        QTest::newRow("no such day") << "2/30/2012"
                                     << "m/d/yyyy"
                                     << "/" << none;
        QTest::newRow("no such month") << "13/1/2012"
                                       << "m/d/yyyy"
                                       << "/" << none;
        QTest::newRow("month zero") << "0/1/2012"
                                    << "m/d/yyyy"
                                    << "/" << none;
        QTest::newRow("empty") << ""
                               << "m/d/yyyy"
                               << "/" << none;
        QTest::newRow("one number") << "4"
                                    << "m/d/yyyy"
                                    << "/" << none;
        QTest::newRow("four numbers") << "4/27/2012/1"
                                      << "m/d/yyyy"
                                      << "/" << none;
        QTest::newRow("wrong separator") << "4-27-2012"
                                         << "m/d/yyyy"
                                         << "/" << none;
        QTest::newRow("letters") << "a/b/c"
                                 << "m/d/yyyy"
                                 << "/" << none;
        QTest::newRow("trailing garbage") << "4/27/2012x"
                                          << "m/d/yyyy"
                                          << "/" << none;
        QTest::newRow("trailing separator") << "4/27/"
                                            << "m/d/yyyy"
                                            << "/" << none;
        QTest::newRow("huge number") << "4/27/99999999"
                                     << "m/d/yyyy"
                                     << "/" << none;
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(QString, separator);
        QFETCH(std::optional<QDate>, expected);
        TFormatSettings s = usSettings();
        s.DateSeparator = separator.at(0);
        QCOMPARE(ParseDate(text, pattern, s), expected);
    }

    void fromQtFormats_data()
    {
        QTest::addColumn<QString>("shortDate");
        QTest::addColumn<QString>("longTime");
        QTest::addColumn<QString>("expectedDate");
        QTest::addColumn<QString>("expectedDateSeparator");
        QTest::addColumn<QString>("expectedLongTime");
        QTest::addColumn<QString>("expectedTimeSeparator");
        QTest::newRow("en_US") << "M/d/yy"
                               << "h:mm:ss AP t"
                               << "m/d/yy"
                               << "/"
                               << "h:nn:ss AMPM"
                               << ":";
        QTest::newRow("de_DE") << "dd.MM.yy"
                               << "HH:mm:ss t"
                               << "dd/mm/yy"
                               << "."
                               << "hh:nn:ss"
                               << ":";
        QTest::newRow("ISO") << "yyyy-MM-dd"
                             << "HH:mm:ss"
                             << "yyyy/mm/dd"
                             << "-"
                             << "hh:nn:ss"
                             << ":";
        QTest::newRow("zone first, dropped") << "d/M/yyyy"
                                             << "tttt HH:mm:ss"
                                             << "d/m/yyyy"
                                             << "/"
                                             << "hh:nn:ss"
                                             << ":";
        QTest::newRow("no seconds: added") << "M/d/yy"
                                           << "h:mm AP"
                                           << "m/d/yy"
                                           << "/"
                                           << "h:nn:ss AMPM"
                                           << ":";
        QTest::newRow("other separator, no seconds") << "d.M.yyyy"
                                                     << "HH.mm"
                                                     << "d/m/yyyy"
                                                     << "."
                                                     << "hh:nn:ss"
                                                     << ".";
        QTest::newRow("milliseconds dropped") << "M/d/yy"
                                              << "HH:mm:ss.zzz"
                                              << "m/d/yy"
                                              << "/"
                                              << "hh:nn:ss"
                                              << ":";
        QTest::newRow("quoted literal") << "d 'de' MMMM 'de' yyyy"
                                        << "H'h'mm"
                                        << "d \"de\" mmmm \"de\" yyyy"
                                        << "/"
                                        << "h\"h\"nn:ss"
                                        << ":";
    }

    void fromQtFormats()
    {
        QFETCH(QString, shortDate);
        QFETCH(QString, longTime);
        QFETCH(QString, expectedDate);
        QFETCH(QString, expectedDateSeparator);
        QFETCH(QString, expectedLongTime);
        QFETCH(QString, expectedTimeSeparator);
        const TFormatSettings s = TFormatSettings::FromQtFormats(shortDate, longTime, QStringLiteral("HH:mm"),
                                                                 QStringLiteral("AM"), QStringLiteral("PM"));
        QCOMPARE(s.ShortDateFormat, expectedDate);
        QCOMPARE(QString(s.DateSeparator), expectedDateSeparator);
        QCOMPARE(s.LongTimeFormat, expectedLongTime);
        QCOMPARE(QString(s.TimeSeparator), expectedTimeSeparator);
        QCOMPARE(s.ShortTimeFormat, QStringLiteral("hh:nn"));
        // Whatever the locale, a long time always shows seconds.
        QVERIFY(FormatDateTime(s.LongTimeFormat, Stamp, s).contains(QLatin1String("16")));
    }

    void fromLocale()
    {
        const TFormatSettings german =
            TFormatSettings::FromLocale(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(german.DateSeparator, u'.');
        QCOMPARE(FormatDateTime(german.ShortDateFormat, Stamp, german), QStringLiteral("27.04.12"));
        QCOMPARE(FormatDateTime(german.LongTimeFormat, Stamp, german), QStringLiteral("23:21:16"));
        const TFormatSettings us =
            TFormatSettings::FromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(FormatDateTime(us.LongTimeFormat, Stamp, us), QStringLiteral("11:21:16 PM"));
        QCOMPARE(us.TimeAMString, QStringLiteral("AM"));
        QVERIFY(!us.LongTimeFormat.contains(u't'));
    }

    void clockIsReplaceable()
    {
        QCOMPARE(Clock::Now(), QDateTime(QDate(2026, 12, 10), QTime(10, 0)));
        m_clock->AdvanceMSecs(1500);
        QCOMPARE(Clock::Time(), QTime(10, 0, 1, 500));
        m_clock->Set(QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5)));
        QCOMPARE(Clock::Date(), QDate(2030, 1, 2));
        Clock::Replace(nullptr);
        QVERIFY(qAbs(Clock::Now().msecsTo(QDateTime::currentDateTime())) < 60000);
    }

    // The timer's worker reads the settings and the clock while the user-interface thread changes them.
    void readFromAnotherThread()
    {
        std::atomic<bool> stop{false};
        std::atomic<int> reads{0};
        std::thread reader([&] {
            while (!stop.load()) {
                const TFormatSettings s = FormatSettings.Get();
                const QString text = FormatDateTime(QStringLiteral("mm/dd/yyyy"), Clock::Now(), s);
                if (text.size() == 10)
                    reads.fetch_add(1);
            }
        });
        for (int i = 0; i < 2000; ++i) {
            FormatSettings.SetDateSeparator(i % 2 ? u'/' : u'-');
            FormatSettings.SetShortDateFormat(i % 2 ? QStringLiteral("mm/dd/yyyy")
                                                    : QStringLiteral("m/d/yyyy"));
            m_clock->AdvanceMSecs(1);
            if (i % 500 == 0)
                Clock::Replace(m_clock);
        }
        QTRY_VERIFY(reads.load() > 0);
        stop.store(true);
        reader.join();
        QCOMPARE(FormatSettings.Get().DateSeparator, u'/');
    }
};

HOURGLEN_TEST_MAIN_CORE(TestFormatSettings)
#include "tst_FormatSettings.moc"
