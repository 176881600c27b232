#include "WidgetTables.h"
#include "common/TestMain.h"
#include "toolkit/base/Exception.h"
#include "toolkit/widgets/DBDateTimePicker.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

// The date and time pickers that can be blank: parsing (two-digit years with epoch 1950), what they
// show, typing, clearing and the drop-down calendar.
class TestDBDateTimePicker : public QObject
{
    Q_OBJECT

private slots:
    void parseDate_data();
    void parseDate();
    void parseTime_data();
    void parseTime();
    void showsValueOrBlank();
    void typedDateAndClearedTime();
    void invalidTextStopsThePost();
    void calendarPickWritesAtOnce();
};

void TestDBDateTimePicker::parseDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QDate>("expected"); // invalid: refused
    QTest::newRow("four-digit year") << "12/25/2030"
                                     << "MM/dd/yyyy" << QDate(2030, 12, 25);
    QTest::newRow("49 is 2049") << "1/2/49"
                                << "MM/dd/yyyy" << QDate(2049, 1, 2);
    QTest::newRow("50 is 1950") << "1/2/50"
                                << "MM/dd/yyyy" << QDate(1950, 1, 2);
    QTest::newRow("99 is 1999") << "01/02/99"
                                << "MM/dd/yyyy" << QDate(1999, 1, 2);
    QTest::newRow("00 is 2000") << "3/4/00"
                                << "MM/dd/yyyy" << QDate(2000, 3, 4);
    QTest::newRow("day first") << "25.12.30"
                               << "dd.MM.yyyy" << QDate(2030, 12, 25);
    QTest::newRow("blanks around") << " 12/25/2030 "
                                   << "MM/dd/yyyy" << QDate(2030, 12, 25);
    QTest::newRow("no such day") << "2/30/2030"
                                 << "MM/dd/yyyy" << QDate();
    QTest::newRow("letters") << "12/2x/2030"
                             << "MM/dd/yyyy" << QDate();
    QTest::newRow("four numbers") << "1/2/3/4"
                                  << "MM/dd/yyyy" << QDate();
}

void TestDBDateTimePicker::parseDate()
{
    QFETCH(QString, text);
    QFETCH(QString, format);
    QFETCH(QDate, expected);
    const std::optional<QDate> parsed = DBDateTimePicker::parseDate(text, format, 1950);
    QCOMPARE(parsed.has_value(), expected.isValid());
    if (parsed)
        QCOMPARE(*parsed, expected);
}

void TestDBDateTimePicker::parseTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QTime>("expected");
    QTest::newRow("12-hour with seconds") << "08:00:00 AM" << QTime(8, 0);
    QTest::newRow("afternoon") << "1:05:09 PM" << QTime(13, 5, 9);
    QTest::newRow("midnight") << "12:00:00 AM" << QTime(0, 0);
    QTest::newRow("noon") << "12:30 pm" << QTime(12, 30);
    QTest::newRow("24-hour") << "23:59:58" << QTime(23, 59, 58);
    QTest::newRow("milliseconds") << "10:11:12.5" << QTime(10, 11, 12, 500);
    QTest::newRow("hour 13 with PM") << "13:00 PM" << QTime();
    QTest::newRow("minute 60") << "10:60" << QTime();
    QTest::newRow("unknown designator") << "10:00 XM" << QTime();
}

void TestDBDateTimePicker::parseTime()
{
    QFETCH(QString, text);
    QFETCH(QTime, expected);
    const std::optional<QTime> parsed = DBDateTimePicker::parseTime(text);
    QCOMPARE(parsed.has_value(), expected.isValid());
    if (parsed)
        QCOMPARE(*parsed, expected);
}

void TestDBDateTimePicker::showsValueOrBlank()
{
    BoundTable t;
    t.addRow(QStringLiteral("a"), QDate(2030, 12, 25), QTime(20, 5, 1));
    t.addRow(QStringLiteral("b"));
    DBDateTimePicker date(DBDateTimePicker::Kind::Date);
    date.setDataSource(&t.source);
    date.setDataField(QStringLiteral("day"));
    DBDateTimePicker time(DBDateTimePicker::Kind::Time);
    time.setDataSource(&t.source);
    time.setDataField(QStringLiteral("at"));
    t.table.first();
    QCOMPARE(date.text(), QStringLiteral("12/25/2030"));
    QCOMPARE(time.text(), QLocale().toString(QTime(20, 5, 1), QStringLiteral("hh:mm:ss AP")));
    QVERIFY(time.text().startsWith(QStringLiteral("08:05:01"))); // a 12-hour clock
    t.table.next();
    QCOMPARE(date.text(), QString());
    QCOMPARE(time.text(), QString());
    QVERIFY(!time.dropDownButton());
    QVERIFY(date.dropDownButton());
}

void TestDBDateTimePicker::typedDateAndClearedTime()
{
    BoundTable t;
    t.addRow(QStringLiteral("a"), QDate(2030, 12, 25), QTime(20, 5, 1, 250));
    DBDateTimePicker date(DBDateTimePicker::Kind::Date);
    date.setDataSource(&t.source);
    date.setDataField(QStringLiteral("day"));
    DBDateTimePicker time(DBDateTimePicker::Kind::Time);
    time.setDataSource(&t.source);
    time.setDataField(QStringLiteral("at"));
    date.show();
    time.show();
    QSignalSpy changes(&date, &DBDateTimePicker::changed);
    QLineEdit* dateEdit = date.lineEdit();
    dateEdit->setFocus();
    QTest::keyClick(dateEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dateEdit, QStringLiteral("7/4/76"));
    QCOMPARE(t.table.state(), TableState::Edit);
    QVERIFY(changes.count() >= 1);
    QLineEdit* timeEdit = time.lineEdit();
    timeEdit->setFocus();
    QTest::keyClick(timeEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(timeEdit, Qt::Key_Delete);
    t.table.post();
    QCOMPARE(t.value("day").toDate(), QDate(1976, 7, 4));
    QVERIFY(!t.value("at").isValid()); // blank is null
}

void TestDBDateTimePicker::invalidTextStopsThePost()
{
    BoundTable t;
    t.addRow(QStringLiteral("a"), QDate(2030, 12, 25), QTime(8, 0));
    DBDateTimePicker date(DBDateTimePicker::Kind::Date);
    date.setDataSource(&t.source);
    date.setDataField(QStringLiteral("day"));
    date.show();
    QTest::keyClicks(date.lineEdit(), QStringLiteral("x"));
    try {
        t.table.post();
        QFAIL("the post went through");
    } catch (const Exception& error) {
        QVERIFY2(error.message().contains(QStringLiteral("not a valid date")), qPrintable(error.message()));
    }
    QCOMPARE(t.table.state(), TableState::Edit);
    QCOMPARE(t.value("day").toDate(), QDate(2030, 12, 25));
}

void TestDBDateTimePicker::calendarPickWritesAtOnce()
{
    BoundTable t;
    t.addRow(QStringLiteral("a"), QVariant(), QTime(8, 0));
    DBDateTimePicker date(DBDateTimePicker::Kind::Date);
    date.setDataSource(&t.source);
    date.setDataField(QStringLiteral("day"));
    date.show();
    QVERIFY(QTest::qWaitForWindowExposed(&date));
    QSignalSpy changes(&date, &DBDateTimePicker::changed);
    QTest::mouseClick(date.dropDownButton(), Qt::LeftButton);
    QCalendarWidget* calendar = date.calendar();
    QVERIFY(calendar);
    QTRY_VERIFY(calendar->isVisible());
    QCOMPARE(calendar->font().pixelSize(), 13);
    calendar->setSelectedDate(QDate(2031, 2, 3));
    QWidget* view = calendar->findChild<QAbstractItemView*>();
    QVERIFY(view);
    QTest::keyClick(view, Qt::Key_Return);
    QVERIFY(!calendar->isVisible());
    QCOMPARE(t.table.state(), TableState::Edit);
    QCOMPARE(t.value("day").toDate(), QDate(2031, 2, 3)); // in the row already
    QCOMPARE(date.text(), QStringLiteral("02/03/2031"));
    QCOMPARE(changes.count(), 1);
}

HOURGLEN_TEST_MAIN(TestDBDateTimePicker)
#include "tst_DBDateTimePicker.moc"
