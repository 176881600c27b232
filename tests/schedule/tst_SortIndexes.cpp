#include "ScheduleModuleFixture.h"
#include "common/TestMain.h"
#include "toolkit/table/ClientTable.h"

#include <QDate>
#include <QLocale>
#include <QTest>
#include <QTime>

// The column sort indexes of the schedule table: their names and definitions, GetIndexName and
// SetIndexName with the listing they hand to the debug window, the order of each index in the
// locale's text order, and the index kept across closing and opening the table in one run.
class TestSortIndexes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstSelectionDefinesTheEight();
    void fileOpenedBeforeAnySelection();
    void namesThatSelectNothing_data();
    void namesThatSelectNothing();
    void sortOrders_data();
    void sortOrders();
    void caseDecidesOnlyBetweenOtherwiseEqualNames_data();
    void caseDecidesOnlyBetweenOtherwiseEqualNames();
    void selectionKeepsTheCurrentRow();
    void indexSurvivesCloseAndReopen();

private:
    QString dataPath() const { return m_dir->path() + QStringLiteral("/Quillfern/Hourglen/2.0.0.0/"); }
    QString scheduleFile() const { return dataPath() + QStringLiteral("Hourglen.xml"); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

const QStringList EightNames{"X1TASKNAME",   "X-1TASKNAME",   "X1TASKPARM",   "X-1TASKPARM",
                             "X1LAUNCHDATE", "X-1LAUNCHDATE", "X1LAUNCHTIME", "X-1LAUNCHTIME"};

QStringList taskNames(ClientTable& table)
{
    QStringList names;
    for (table.first(); !table.eof(); table.next())
        names << table.value(QStringLiteral("taskname")).toString();
    return names;
}

QStringList indexNames(const ClientTable& table)
{
    QStringList names;
    for (const IndexDef& definition : table.indexDefs())
        names << definition.name;
    return names;
}

QStringList listingLines(const QStringList& raw)
{
    QStringList lines;
    for (const QString& line : raw) {
        if (line.contains(QLatin1String("IndexDefs")))
            lines << line;
    }
    return lines;
}

QStringList listingOf(const QStringList& names)
{
    QStringList lines;
    for (int i = 0; i < names.size(); ++i)
        lines << QStringLiteral("   IndexDefs.Items[%1].Name = %2").arg(i).arg(names.at(i));
    return lines;
}

void addTask(ClientTable& table, const QString& name, const QVariant& parm, const QVariant& date,
             const QVariant& time)
{
    table.insert();
    table.setValue(QStringLiteral("taskname"), name);
    table.setValue(QStringLiteral("taskparm"), parm);
    table.setValue(QStringLiteral("launchdate"), date);
    table.setValue(QStringLiteral("launchtime"), time);
    table.post();
}

// Six tasks with one null per sortable column and no two equal keys, in a stored order that is
// none of the sort orders.
void addSixTasks(ClientTable& table)
{
    addTask(table, QStringLiteral("beta"), QStringLiteral("-x"), QDate(2024, 3, 1), QTime(8, 0));
    addTask(table, QStringLiteral("Alpha"), QVariant(), QVariant(), QTime(7, 0));
    addTask(table, QStringLiteral("alpha"), QStringLiteral("b"), QDate(2023, 12, 31), QVariant());
    addTask(table, QStringLiteral("Beta"), QStringLiteral("A"), QDate(2024, 1, 15), QTime(23, 59, 59, 999));
    addTask(table, QStringLiteral("gamma"), QStringLiteral("a"), QDate(2025, 1, 1), QTime(0, 0));
    addTask(table, QStringLiteral("\u00c4ther"), QStringLiteral("B"), QDate(2023, 1, 2), QTime(12, 0, 0, 1));
}

QStringList reversed(QStringList list)
{
    std::reverse(list.begin(), list.end());
    return list;
}

} // namespace

void TestSortIndexes::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSortIndexes::cleanup()
{
    QLocale::setDefault(QLocale::system());
}

void TestSortIndexes::firstSelectionDefinesTheEight()
{
    QCOMPARE(TDataModule_Hourglen::SortIndexNames(), EightNames);

    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure(); // created new: CDSPrimaryIndex only
    ClientTable& table = modules.table();
    QCOMPARE(modules.hourglen->GetIndexName(), QStringLiteral("CDSPrimaryIndex"));
    const QStringList bare = modules.trace.trimmed();
    QCOMPARE(bare.mid(bare.size() - 2), (QStringList{"BEG    TDataModule_Hourglen.GetIndexName",
                                                     "END    TDataModule_Hourglen.GetIndexName"}));

    modules.trace.clear();
    modules.hourglen->SetIndexName(QStringLiteral("X-1TASKNAME"));
    // The listing shows the definitions as they were before the eight were added, unindented.
    QCOMPARE(modules.trace.lines(), (QStringList{"BEG    TDataModule_Hourglen.SetIndexName",
                                                 "   IndexDefs.Items[0].Name = CDSPrimaryIndex",
                                                 "END    TDataModule_Hourglen.SetIndexName"}));
    QCOMPARE(indexNames(table), QStringList{"CDSPrimaryIndex"} + EightNames);
    QCOMPARE(table.indexName(), QStringLiteral("X-1TASKNAME"));
    for (int i = 0; i < EightNames.size(); ++i) {
        const IndexDef& definition = table.indexDefs().at(i + 1);
        const QString field = QStringList{"taskname", "taskparm", "launchdate", "launchtime"}.at(i / 2);
        QCOMPARE(definition.fields, QStringList{field});
        QCOMPARE(definition.options, i % 2 ? IndexDef::Options(IndexDef::Descending) : IndexDef::Options());
        QCOMPARE(definition.textOrder, IndexDef::TextOrder::Locale);
    }

    // Later selections add nothing and list all nine.
    modules.trace.clear();
    modules.hourglen->SetIndexName(QStringLiteral("X1LAUNCHDATE"));
    QCOMPARE(listingLines(modules.trace.lines()), listingOf(QStringList{"CDSPrimaryIndex"} + EightNames));
    QCOMPARE(table.indexDefs().size(), 9);
    QCOMPARE(modules.hourglen->GetIndexName(), QStringLiteral("X1LAUNCHDATE"));
}

void TestSortIndexes::fileOpenedBeforeAnySelection()
{
    writeBytes(scheduleFile(), scheduleHead() + "<PARAMS/></METADATA><ROWDATA><ROW taskname=\"zeta\"/>"
                                                "<ROW taskname=\"alpha\"/></ROWDATA></DATAPACKET>");
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    QCOMPARE(modules.hourglen->GetIndexName(), QString());
    QCOMPARE(taskNames(table), (QStringList{"zeta", "alpha"}));

    modules.trace.clear();
    modules.hourglen->SetIndexName(QStringLiteral("X1TASKNAME"));
    QCOMPARE(listingLines(modules.trace.lines()), QStringList()); // nothing was defined yet
    QCOMPARE(indexNames(table), EightNames);
    QCOMPARE(taskNames(table), (QStringList{"alpha", "zeta"}));
}

void TestSortIndexes::namesThatSelectNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("letter case differs") << QStringLiteral("x1taskname");
    QTest::newRow("a field without a sort index") << QStringLiteral("X1TASKMEMO");
    QTest::newRow("no direction") << QStringLiteral("XTASKNAME");
    QTest::newRow("empty") << QString();
}

void TestSortIndexes::namesThatSelectNothing()
{
    QFETCH(QString, name);
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    addSixTasks(table);
    modules.hourglen->SetIndexName(QStringLiteral("X-1LAUNCHTIME"));
    const QStringList order = taskNames(table);
    table.moveTo(2);

    modules.hourglen->SetIndexName(name);
    QCOMPARE(modules.hourglen->GetIndexName(), QStringLiteral("X-1LAUNCHTIME"));
    QCOMPARE(table.recNo(), 2);
    QCOMPARE(taskNames(table), order);
    QCOMPARE(table.indexDefs().size(), 9);
}

void TestSortIndexes::sortOrders_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QStringList>("expected");

    // Dates and times by value, whatever their text; the null first ascending and last descending.
    const QStringList byDate{"Alpha", "\u00c4ther", "alpha", "Beta", "beta", "gamma"};
    const QStringList byTime{"alpha", "gamma", "Alpha", "beta", "\u00c4ther", "Beta"};
    for (const char* locale : {"C", "en_US"}) {
        QTest::addRow("%s X1LAUNCHDATE", locale) << locale << "X1LAUNCHDATE" << byDate;
        QTest::addRow("%s X-1LAUNCHDATE", locale) << locale << "X-1LAUNCHDATE" << reversed(byDate);
        QTest::addRow("%s X1LAUNCHTIME", locale) << locale << "X1LAUNCHTIME" << byTime;
        QTest::addRow("%s X-1LAUNCHTIME", locale) << locale << "X-1LAUNCHTIME" << reversed(byTime);
    }

    // The C locale orders by character codes once letter case is set aside, with capitals first
    // between otherwise equal texts; the letter with a diaeresis comes after every ASCII letter.
    const QStringList cNames{"Alpha", "alpha", "Beta", "beta", "gamma", "\u00c4ther"};
    QTest::newRow("C X1TASKNAME") << "C"
                                  << "X1TASKNAME" << cNames;
    QTest::newRow("C X-1TASKNAME") << "C"
                                   << "X-1TASKNAME" << reversed(cNames);
    const QStringList cParms{"Alpha", "beta", "Beta", "gamma", "\u00c4ther", "alpha"};
    QTest::newRow("C X1TASKPARM") << "C"
                                  << "X1TASKPARM" << cParms;
    QTest::newRow("C X-1TASKPARM") << "C"
                                   << "X-1TASKPARM" << reversed(cParms);

    // English orders the letter with a diaeresis with its base letter, and small letters first
    // between otherwise equal texts.
    const QStringList enNames{"alpha", "Alpha", "\u00c4ther", "beta", "Beta", "gamma"};
    QTest::newRow("en_US X1TASKNAME") << "en_US"
                                      << "X1TASKNAME" << enNames;
    QTest::newRow("en_US X-1TASKNAME") << "en_US"
                                       << "X-1TASKNAME" << reversed(enNames);
    const QStringList enParms{"Alpha", "beta", "gamma", "Beta", "alpha", "\u00c4ther"};
    QTest::newRow("en_US X1TASKPARM") << "en_US"
                                      << "X1TASKPARM" << enParms;
    QTest::newRow("en_US X-1TASKPARM") << "en_US"
                                       << "X-1TASKPARM" << reversed(enParms);
}

void TestSortIndexes::sortOrders()
{
    QFETCH(QString, locale);
    QFETCH(QString, index);
    QFETCH(QStringList, expected);

    QLocale::setDefault(QLocale(locale));
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    addSixTasks(table);
    modules.hourglen->SetIndexName(index);
    QCOMPARE(table.indexName(), index);
    QCOMPARE(taskNames(table), expected);
}

void TestSortIndexes::caseDecidesOnlyBetweenOtherwiseEqualNames_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addRow("C") << "C";
    QTest::addRow("en_US") << "en_US";
    QTest::addRow("de_DE") << "de_DE";
}

void TestSortIndexes::caseDecidesOnlyBetweenOtherwiseEqualNames()
{
    QFETCH(QString, locale);
    QLocale::setDefault(QLocale(locale));
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure(); // created new: ordered by CDSPrimaryIndex
    ClientTable& table = modules.table();
    for (const char* name :
         {"/usr/bin/Zap", "/usr/bin/apt", "/usr/bin/ZAP", "/usr/bin/Apt", "/usr/bin/zap", "/usr/bin/mid"})
        addTask(table, QString::fromLatin1(name), QVariant(), QVariant(), QTime(1, 0));

    for (const QString& index :
         {QStringLiteral("CDSPrimaryIndex"), QStringLiteral("X1TASKNAME"), QStringLiteral("X-1TASKNAME")}) {
        modules.hourglen->SetIndexName(index);
        QStringList folded = taskNames(table);
        for (QString& name : folded)
            name = name.toLower();
        const QStringList ascending{"/usr/bin/apt", "/usr/bin/apt", "/usr/bin/mid",
                                    "/usr/bin/zap", "/usr/bin/zap", "/usr/bin/zap"};
        QCOMPARE(folded, index.startsWith(u"X-1") ? reversed(ascending) : ascending);
    }
    // Between names that differ only in case the order is fixed, and descending reverses it.
    modules.hourglen->SetIndexName(QStringLiteral("X1TASKNAME"));
    const QStringList ascending = taskNames(table);
    modules.hourglen->SetIndexName(QStringLiteral("X-1TASKNAME"));
    QCOMPARE(taskNames(table), reversed(ascending));
}

void TestSortIndexes::selectionKeepsTheCurrentRow()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    addSixTasks(table);
    table.first();
    while (table.value(QStringLiteral("taskname")).toString() != u"gamma")
        table.next();
    modules.hourglen->SetIndexName(QStringLiteral("X1LAUNCHTIME"));
    QCOMPARE(table.value(QStringLiteral("taskname")).toString(), QStringLiteral("gamma"));
    QCOMPARE(table.recNo(), 1);

    // Selecting the current index again changes nothing visible.
    const QStringList order = taskNames(table);
    table.moveTo(1);
    modules.hourglen->SetIndexName(QStringLiteral("X1LAUNCHTIME"));
    QCOMPARE(table.recNo(), 1);
    QCOMPARE(taskNames(table), order);

    // A posted row takes its place in the current order.
    table.insert();
    table.setValue(QStringLiteral("taskname"), QStringLiteral("delta"));
    table.setValue(QStringLiteral("launchtime"), QTime(7, 30));
    table.post();
    QCOMPARE(table.value(QStringLiteral("taskname")).toString(), QStringLiteral("delta"));
    QCOMPARE(table.recNo(), 3);
}

void TestSortIndexes::indexSurvivesCloseAndReopen()
{
    {
        ScheduleModules modules(dataPath());
        modules.hourglen->EvaluateCdsStructure();
        addSixTasks(modules.table());
        modules.hourglen->DataSetClose();
    }
    // A new run opens the file: stored order, no definitions.
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    QCOMPARE(taskNames(table), (QStringList{"beta", "Alpha", "alpha", "Beta", "gamma", "\u00c4ther"}));
    modules.hourglen->SetIndexName(QStringLiteral("X-1LAUNCHDATE"));
    const QStringList order = taskNames(table);
    QCOMPARE(order.first(), QStringLiteral("gamma"));
    QCOMPARE(order.last(), QStringLiteral("Alpha")); // no date: last when descending
    modules.hourglen->DataSetClose();
    QCOMPARE(table.state(), TableState::Inactive);

    for (int opening = 0; opening < 2; ++opening) {
        modules.hourglen->EvaluateCdsStructure(); // the same run, from the file again
        QCOMPARE(modules.hourglen->GetIndexName(), QStringLiteral("X-1LAUNCHDATE"));
        QCOMPARE(taskNames(table), order);
        modules.trace.clear();
        modules.hourglen->SetIndexName(QStringLiteral("X-1LAUNCHDATE"));
        QCOMPARE(listingLines(modules.trace.lines()), listingOf(EightNames)); // none added again
        QCOMPARE(indexNames(table), EightNames);
        modules.hourglen->DataSetClose();
    }
}

HOURGLEN_TEST_MAIN(TestSortIndexes)
#include "tst_SortIndexes.moc"
