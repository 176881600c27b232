#include "ScheduleModuleFixture.h"
#include "common/TestMain.h"
#include "core/Clock.h"
#include "toolkit/base/Exception.h"
#include "toolkit/table/ClientTable.h"

#include <QDate>
#include <QTest>
#include <QTime>

// The record rules of the schedule table: the focus before an insert, the defaults of a new row,
// and the trim and the three checks before a post, with the editor window seen through a fake.
class TestRecordRules : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void beforeInsertFocusesTaskNameOnTheUsersRow();
    void newRowDefaults();
    void postRules_data();
    void postRules();
    void refusedEditKeepsTheUsersValues();
    void correctedRowPostsAfterRefusal();
    void launchTimeIsTheTimeOfTheInsert();
    void rulesNeedTheEditor();

private:
    QString dataPath() const { return m_dir->path() + QStringLiteral("/Quillfern/Hourglen/2.0.0.0/"); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<TManualClock> m_clock;
    std::shared_ptr<TClock> m_realClock;
};

namespace {

const QStringList Days{"launchcbsun", "launchcbmon", "launchcbtue", "launchcbwed",
                       "launchcbthu", "launchcbfri", "launchcbsat"};
const QString TaskNameMessage = QStringLiteral("Task Name cannot be blank");
const QString LaunchTimeMessage = QStringLiteral("Launch Time cannot be blank");
const QString DateDayMessage =
    QStringLiteral("Launch Date can be blank and Launch Day can be blank, but not both at the same time");
const QString TaskNameControl = QStringLiteral("wwDBEdit_TaskName");
const QString LaunchTimeControl = QStringLiteral("wwDBDateTimePicker_LaunchTime");
const QString LaunchDateControl = QStringLiteral("wwDBDateTimePicker_LaunchDate");

// The seven weekday texts, Sunday first.
QStringList dayTexts(const ClientTable& table)
{
    QStringList texts;
    for (const QString& day : Days)
        texts << table.value(day).toString();
    return texts;
}

// Posts, and answers the message of the error that refused it (empty when it was taken).
QString postMessage(ClientTable& table)
{
    try {
        table.post();
    } catch (const Exception& error) {
        return error.message();
    }
    return {};
}

QVariant nullValue()
{
    return {};
}

} // namespace

void TestRecordRules::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_clock = std::make_shared<TManualClock>(QDateTime(QDate(2024, 5, 6), QTime(13, 14, 15, 678)));
    m_realClock = Clock::Replace(m_clock);
}

void TestRecordRules::cleanup()
{
    Clock::Replace(m_realClock);
}

void TestRecordRules::beforeInsertFocusesTaskNameOnTheUsersRow()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    FakeEditor editor;
    modules.hourglen->SetScheduleEditor(&editor);
    table.insert();
    table.setValue(QStringLiteral("taskname"), QStringLiteral("/usr/bin/first"));
    table.setValue(QStringLiteral("launchcbmon"), QStringLiteral("1"));
    QCOMPARE(postMessage(table), QString());

    // The focus moves while the table is still in browse state on the row the user was on.
    QStringList seen;
    editor.onFocus = [&](const QString& control) {
        seen << control + QLatin1Char(' ') + QString::number(int(table.state())) + QLatin1Char(' ') +
                    table.value(QStringLiteral("taskname")).toString();
    };
    editor.focusCalls.clear();
    table.insert();
    QCOMPARE(seen, QStringList{TaskNameControl + QLatin1Char(' ') + QString::number(int(TableState::Browse)) +
                               QStringLiteral(" /usr/bin/first")});
    QCOMPARE(editor.focusCalls, QStringList{TaskNameControl});
    QCOMPARE(table.state(), TableState::Insert);
    modules.hourglen->SetScheduleEditor(nullptr);
}

void TestRecordRules::newRowDefaults()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    FakeEditor editor;
    modules.hourglen->SetScheduleEditor(&editor);
    table.insert();
    QCOMPARE(table.state(), TableState::Insert);
    QCOMPARE(dayTexts(table), QStringList(7, QStringLiteral("0")));
    QCOMPARE(table.value(QStringLiteral("launchtime")), QVariant(QTime(13, 14, 15, 678)));
    for (const char* name : {"taskname", "taskparm", "launchdate", "taskmemo"})
        QVERIFY2(!table.value(QLatin1String(name)).isValid(), name);
    modules.hourglen->SetScheduleEditor(nullptr);
}

void TestRecordRules::postRules_data()
{
    QTest::addColumn<QVariant>("taskName");
    QTest::addColumn<QVariant>("launchTime");
    QTest::addColumn<QVariant>("launchDate");
    QTest::addColumn<QStringList>("days"); // Sunday first; "-" stands for a null value
    QTest::addColumn<QString>("message");  // empty: the post is taken
    QTest::addColumn<QString>("focus");    // the control focused by the rule; empty: none
    QTest::addColumn<QVariant>("storedName");

    const QVariant time(QTime(8, 0));
    const QVariant date(QDate(2024, 5, 7));
    const QStringList noDay(7, QStringLiteral("0"));
    const QStringList monday{"0", "1", "0", "0", "0", "0", "0"};
    const QVariant name(QStringLiteral("/usr/local/bin/backup"));

    QTest::newRow("weekday task") << name << time << nullValue() << monday << QString() << QString() << name;
    QTest::newRow("dated task") << name << time << date << noDay << QString() << QString() << name;
    QTest::newRow("date and day") << name << time << date << monday << QString() << QString() << name;
    for (int day = 0; day < 7; ++day) {
        QStringList days = noDay;
        days[day] = QStringLiteral("1");
        QTest::addRow("only %s", qPrintable(Days.at(day)))
            << name << time << nullValue() << days << QString() << QString() << name;
    }
    QTest::newRow("blanks around the name")
        << QVariant(QStringLiteral("  /usr/bin/tool \t ")) << time << nullValue() << monday << QString()
        << QString() << QVariant(QStringLiteral("/usr/bin/tool"));
    QTest::newRow("control characters around the name")
        << QVariant(QStringLiteral("\x01\n/usr/bin/tool\r\x1f")) << time << nullValue() << monday << QString()
        << QString() << QVariant(QStringLiteral("/usr/bin/tool"));
    QTest::newRow("inner blanks and a no-break space kept")
        << QVariant(QStringLiteral("\u00a0/opt/My App/run")) << time << nullValue() << monday << QString()
        << QString() << QVariant(QStringLiteral("\u00a0/opt/My App/run"));
    QTest::newRow("a file that does not exist")
        << QVariant(QStringLiteral("/nowhere/none")) << time << date << noDay << QString() << QString()
        << QVariant(QStringLiteral("/nowhere/none"));

    QTest::newRow("no name") << nullValue() << time << nullValue() << monday << TaskNameMessage
                             << TaskNameControl << nullValue();
    QTest::newRow("name of blanks only") << QVariant(QStringLiteral(" \t  ")) << time << date << noDay
                                         << TaskNameMessage << TaskNameControl << nullValue();
    QTest::newRow("blank name comes before a blank time")
        << QVariant(QStringLiteral(" ")) << nullValue() << nullValue() << noDay << TaskNameMessage
        << TaskNameControl << nullValue();
    QTest::newRow("no time") << name << nullValue() << date << monday << LaunchTimeMessage
                             << LaunchTimeControl << name;
    QTest::newRow("blank time comes before no date and no day")
        << name << nullValue() << nullValue() << noDay << LaunchTimeMessage << LaunchTimeControl << name;
    QTest::newRow("no date and no day")
        << name << time << nullValue() << noDay << DateDayMessage << LaunchDateControl << name;
    QTest::newRow("name trimmed before the day check")
        << QVariant(QStringLiteral(" /usr/bin/tool ")) << time << nullValue() << noDay << DateDayMessage
        << LaunchDateControl << QVariant(QStringLiteral("/usr/bin/tool"));

    // Only the exact text "0" means "not on this day".
    QStringList emptyDay = noDay;
    emptyDay[3] = QString();
    QTest::newRow("an empty day text counts as a day")
        << name << time << nullValue() << emptyDay << QString() << QString() << name;
    QStringList nullDay = noDay;
    nullDay[6] = QStringLiteral("-");
    QTest::newRow("a null day counts as a day")
        << name << time << nullValue() << nullDay << QString() << QString() << name;
    QStringList paddedZero = noDay;
    paddedZero[0] = QStringLiteral("0 ");
    QTest::newRow("a zero with a blank counts as a day")
        << name << time << nullValue() << paddedZero << QString() << QString() << name;
}

void TestRecordRules::postRules()
{
    QFETCH(QVariant, taskName);
    QFETCH(QVariant, launchTime);
    QFETCH(QVariant, launchDate);
    QFETCH(QStringList, days);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QVariant, storedName);

    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    FakeEditor editor;
    modules.hourglen->SetScheduleEditor(&editor);
    table.insert();
    editor.focusCalls.clear();
    table.setValue(QStringLiteral("taskname"), taskName);
    table.setValue(QStringLiteral("taskparm"), QStringLiteral("--quiet"));
    table.setValue(QStringLiteral("launchtime"), launchTime);
    table.setValue(QStringLiteral("launchdate"), launchDate);
    for (int day = 0; day < 7; ++day)
        table.setValue(Days.at(day), days.at(day) == u"-" ? QVariant() : QVariant(days.at(day)));

    QCOMPARE(postMessage(table), message);
    QCOMPARE(editor.focusCalls, focus.isEmpty() ? QStringList() : QStringList{focus});
    QCOMPARE(table.value(QStringLiteral("taskname")), storedName);
    if (message.isEmpty()) {
        QCOMPARE(table.state(), TableState::Browse);
        QCOMPARE(table.recordCount(), 1);
        QVERIFY(table.changed());
    } else {
        // Refused: still inserting, with every value the user gave, and nothing stored.
        QCOMPARE(table.state(), TableState::Insert);
        QCOMPARE(table.recordCount(), 0);
        QVERIFY(table.storedRows().isEmpty());
        QVERIFY(!table.changed());
    }
    QCOMPARE(table.value(QStringLiteral("taskparm")), QVariant(QStringLiteral("--quiet")));
    QCOMPARE(table.value(QStringLiteral("launchtime")), launchTime);
    QCOMPARE(table.value(QStringLiteral("launchdate")), launchDate);
    for (int day = 0; day < 7; ++day) {
        const QVariant expected = days.at(day) == u"-" ? QVariant() : QVariant(days.at(day));
        QCOMPARE(table.value(Days.at(day)), expected);
    }
    modules.hourglen->SetScheduleEditor(nullptr);
}

void TestRecordRules::refusedEditKeepsTheUsersValues()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    FakeEditor editor;
    modules.hourglen->SetScheduleEditor(&editor);
    table.insert();
    table.setValue(QStringLiteral("taskname"), QStringLiteral("/usr/bin/report"));
    table.setValue(QStringLiteral("launchdate"), QDate(2024, 6, 1));
    QCOMPARE(postMessage(table), QString());
    const QList<PacketRow> stored = table.storedRows();

    table.edit();
    table.setValue(QStringLiteral("taskname"), QStringLiteral("  /usr/bin/other  "));
    table.setValue(QStringLiteral("launchdate"), QVariant());
    QCOMPARE(postMessage(table), DateDayMessage);
    QCOMPARE(editor.focused, LaunchDateControl);
    QCOMPARE(table.state(), TableState::Edit);
    QCOMPARE(table.value(QStringLiteral("taskname")), QVariant(QStringLiteral("/usr/bin/other")));
    QCOMPARE(table.value(QStringLiteral("launchdate")), QVariant());
    QCOMPARE(table.storedRows(), stored); // the posted version is untouched
    QCOMPARE(table.changeLog(), (QList<uint>{1, 0, 4}));

    table.setValue(QStringLiteral("launchtime"), QVariant());
    QCOMPARE(postMessage(table), LaunchTimeMessage);
    QCOMPARE(editor.focused, LaunchTimeControl);
    QCOMPARE(table.state(), TableState::Edit);
    modules.hourglen->SetScheduleEditor(nullptr);
}

void TestRecordRules::correctedRowPostsAfterRefusal()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    FakeEditor editor;
    modules.hourglen->SetScheduleEditor(&editor);
    table.insert();
    QCOMPARE(postMessage(table), TaskNameMessage);
    table.setValue(QStringLiteral("taskname"), QStringLiteral("/usr/bin/ok"));
    QCOMPARE(postMessage(table), DateDayMessage);
    table.setValue(QStringLiteral("launchcbfri"), QStringLiteral("1"));
    QCOMPARE(postMessage(table), QString());
    QCOMPARE(editor.focusCalls, (QStringList{TaskNameControl, TaskNameControl, LaunchDateControl}));
    QCOMPARE(table.state(), TableState::Browse);
    QCOMPARE(table.recordCount(), 1);
    QCOMPARE(table.changeLog(), (QList<uint>{1, 0, 4}));
    modules.hourglen->SetScheduleEditor(nullptr);
    modules.hourglen->DataSetClose();
    const QByteArray file = fileBytes(dataPath() + QStringLiteral("Hourglen.xml"));
    QVERIFY(file.contains("taskname=\"/usr/bin/ok\" launchtime=\"13:14:15678\""));
    QVERIFY(file.contains("launchcbfri=\"1\""));
}

void TestRecordRules::launchTimeIsTheTimeOfTheInsert()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    FakeEditor editor;
    modules.hourglen->SetScheduleEditor(&editor);
    table.insert();
    m_clock->AdvanceMSecs(90'000);
    table.setValue(QStringLiteral("taskname"), QStringLiteral("/usr/bin/later"));
    table.setValue(QStringLiteral("launchcbsun"), QStringLiteral("1"));
    QCOMPARE(postMessage(table), QString());
    QCOMPARE(table.value(QStringLiteral("launchtime")), QVariant(QTime(13, 14, 15, 678)));

    m_clock->Set(QDateTime(QDate(2024, 5, 6), QTime(23, 59, 59, 999)));
    table.insert();
    QCOMPARE(table.value(QStringLiteral("launchtime")), QVariant(QTime(23, 59, 59, 999)));
    table.cancel();
    modules.hourglen->SetScheduleEditor(nullptr);
}

void TestRecordRules::rulesNeedTheEditor()
{
    // Without the editor window the table takes any row (tools and tests drive it so), but a
    // new row still gets its defaults.
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    table.insert();
    QCOMPARE(dayTexts(table), QStringList(7, QStringLiteral("0")));
    QCOMPARE(postMessage(table), QString());
    QCOMPARE(table.recordCount(), 1);
    QVERIFY(!table.value(QStringLiteral("taskname")).isValid());
}

HOURGLEN_TEST_MAIN(TestRecordRules)
#include "tst_RecordRules.moc"
