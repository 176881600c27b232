#include "ScheduleModuleFixture.h"
#include "common/TestMain.h"
#include "core/FormatSettings.h"
#include "schedule/triggerlist/TriggerList.h"
#include "toolkit/base/Exception.h"
#include "toolkit/table/ClientTable.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTest>
#include <QTime>

// The schedule module: creating, opening and closing the schedule table, the field presentation,
// the handlers and the navigator rule, through the real schedule file format.
class TestHourglenDataModule : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void createsFileNameAndTriggerList();
    void createdNewAndClosedAtOnce();
    void structureOfNewTable();
    void presentationAfterOpen();
    void backupTaskFileByteForByte();
    void openedFileShowsStoredOrder();
    void reopenKeepsIndex();
    void openAndCloseWithoutChangeLeavesFile();
    void modifiedTwiceAfterReading();
    void deleteAfterSave();
    void missingFieldOnOpen();
    void refusedFileLeavesTableClosed();
    void reopenAfterFailedWrite();
    void missingDataFolderCreated();
    void longTaskNameRefused();
    void controlCharactersInParameterKept();
    void navigatorRule_data();
    void navigatorRule();
    void handlersApplyNavigatorRule();
    void handlersAreTraced();
    void closedTableDataSetCloseDoesNothing();
    void loadTriggerListFromFile();
    void loadTriggerListWithoutFile();
    void loadTriggerListFromUnreadableFile_data();
    void loadTriggerListFromUnreadableFile();
    void rebuildTriggerListFromLiveTable();
    void releasedTriggerListIsGone();

private:
    QString dataPath() const { return m_dir->path() + QStringLiteral("/Quillfern/Hourglen/2.0.0.0/"); }
    QString scheduleFile() const { return dataPath() + QStringLiteral("Hourglen.xml"); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

QStringList taskNames(ClientTable& table)
{
    QStringList names;
    for (table.first(); !table.eof(); table.next())
        names << table.value(QStringLiteral("taskname")).toString();
    return names;
}

void insertWeekdayTask(ClientTable& table, const QString& name, const QString& day)
{
    table.insert();
    table.setValue(QStringLiteral("taskname"), name);
    table.setValue(QStringLiteral("launchtime"), QTime(2, 0));
    for (const char* d : {"sun", "mon", "tue", "wed", "thu", "fri", "sat"}) {
        const QString field = QStringLiteral("launchcb") + QLatin1String(d);
        table.setValue(field, QLatin1String(d) == day ? QStringLiteral("1") : QStringLiteral("0"));
    }
    table.post();
}

QByteArray fileWithRows(const QByteArray& params, const QByteArray& rows)
{
    return scheduleHead() + "<PARAMS" + params + "/></METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

} // namespace

void TestHourglenDataModule::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestHourglenDataModule::createsFileNameAndTriggerList()
{
    ScheduleModules modules(dataPath());
    QCOMPARE(modules.table().fileName(), scheduleFile());
    QCOMPARE(modules.table().componentName(), QStringLiteral("ClientDataSet_Schedule"));
    QCOMPARE(modules.hourglen->DataSource_Schedule().objectName(), QStringLiteral("DataSource_Schedule"));
    QCOMPARE(modules.hourglen->DataSource_Schedule().dataSet(), &modules.table());
    QCOMPARE(modules.table().state(), TableState::Inactive);
    QCOMPARE(DataModule_Hourglen, modules.hourglen.get());
    QVERIFY(modules.hourglen->TriggerList() != nullptr);
    QCOMPARE(modules.hourglen->TriggerList()->Count(), 0);
    QCOMPARE(modules.trace.trimmed(), (QStringList{"BEG    TDataModule_Hourglen.DataModuleCreate",
                                                   "END    TDataModule_Hourglen.DataModuleCreate"}));
}

void TestHourglenDataModule::createdNewAndClosedAtOnce()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    QVERIFY(modules.trace.lines().contains(QStringLiteral(" ------------ Dataset Created")));
    modules.hourglen->DataSetClose();
    QCOMPARE(fileBytes(scheduleFile()),
             scheduleHead() + "<PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>");
}

void TestHourglenDataModule::structureOfNewTable()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    QCOMPARE(table.state(), TableState::Browse);
    const QStringList names{"taskname",    "taskparm",    "launchdate",  "launchtime",
                            "launchcbsun", "launchcbmon", "launchcbtue", "launchcbwed",
                            "launchcbthu", "launchcbfri", "launchcbsat", "taskmemo"};
    QCOMPARE(table.fieldCount(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        const TableField& field = table.field(i);
        QCOMPARE(field.fieldName(), names.at(i));
        QCOMPARE(field.componentName(), QLatin1Char('_') + names.at(i));
        const int size = i < 2 ? 254 : (names.at(i).startsWith(QLatin1String("launchcb")) ? 2 : 0);
        QCOMPARE(field.size(), size);
    }
    QCOMPARE(table.field(2).kind(), FieldKind::Date);
    QCOMPARE(table.field(3).kind(), FieldKind::Time);
    QCOMPARE(table.field(11).kind(), FieldKind::Memo);
    QCOMPARE(table.indexName(), QStringLiteral("CDSPrimaryIndex"));
    QCOMPARE(table.indexDefs().size(), 1);
    const IndexDef& primary = table.indexDefs().first();
    QCOMPARE(primary.fields, QStringList{"taskname"});
    QCOMPARE(primary.options, IndexDef::Options(IndexDef::Primary));

    insertWeekdayTask(table, QStringLiteral("b"), QStringLiteral("mon"));
    insertWeekdayTask(table, QStringLiteral("a"), QStringLiteral("tue"));
    insertWeekdayTask(table, QStringLiteral("a"), QStringLiteral("wed")); // the same name twice is kept
    QCOMPARE(taskNames(table), (QStringList{"a", "a", "b"}));
}

void TestHourglenDataModule::presentationAfterOpen()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    QStringList shown;
    for (TableField* field : table.displayFields()) {
        if (field->visible())
            shown << field->fieldName() + QLatin1Char('=') + field->displayLabel();
    }
    QCOMPARE(shown, (QStringList{"taskname=Task Name", "taskparm=Task Parameter", "launchdate=Launch Date",
                                 "launchtime=Launch Time"}));
    QCOMPARE(table.fieldByName(QStringLiteral("taskmemo")).displayLabel(), QStringLiteral("Task Comment"));
    QCOMPARE(table.fieldByName(QStringLiteral("taskmemo")).visible(), false);
    QCOMPARE(table.fieldByName(QStringLiteral("launchcbmon")).displayLabel(), QStringLiteral("launchcbmon"));
    QCOMPARE(table.fieldByName(QStringLiteral("taskname")).displayWidth(), 40);
    QCOMPARE(table.fieldByName(QStringLiteral("taskparm")).displayWidth(), 20);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(table.field(i).position(), i);
}

void TestHourglenDataModule::backupTaskFileByteForByte()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    insertWeekdayTask(modules.table(), QStringLiteral("C:\\Tools\\backup.bat"), QStringLiteral("mon"));
    modules.hourglen->DataSetClose();
    const QByteArray expected = fileWithRows(
        " CHANGE_LOG=\"1 0 4\"",
        "<ROW RowState=\"4\" taskname=\"C:&#092;Tools&#092;backup.bat\" launchtime=\"02:00:00000\" "
        "launchcbsun=\"0\" launchcbmon=\"1\" launchcbtue=\"0\" launchcbwed=\"0\" launchcbthu=\"0\" "
        "launchcbfri=\"0\" launchcbsat=\"0\"/>");
    QCOMPARE(fileBytes(scheduleFile()), expected);
}

void TestHourglenDataModule::openedFileShowsStoredOrder()
{
    writeBytes(scheduleFile(), fileWithRows("", "<ROW taskname=\"zeta\"/><ROW taskname=\"alpha\"/>"));
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    QVERIFY(modules.trace.lines().contains(QStringLiteral(" ------------ Dataset File Open")));
    QCOMPARE(modules.table().indexName(), QString());
    QCOMPARE(modules.table().recNo(), 0);
    QCOMPARE(taskNames(modules.table()), (QStringList{"zeta", "alpha"}));
}

void TestHourglenDataModule::reopenKeepsIndex()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    insertWeekdayTask(modules.table(), QStringLiteral("b"), QStringLiteral("mon"));
    insertWeekdayTask(modules.table(), QStringLiteral("a"), QStringLiteral("mon"));
    modules.hourglen->DataSetClose();
    QVERIFY(fileBytes(scheduleFile()).indexOf("taskname=\"b\"") <
            fileBytes(scheduleFile()).indexOf("taskname=\"a\""));
    modules.hourglen->EvaluateCdsStructure(); // from the file, in the same run
    QCOMPARE(modules.table().indexName(), QStringLiteral("CDSPrimaryIndex"));
    QCOMPARE(taskNames(modules.table()), (QStringList{"a", "b"}));
}

void TestHourglenDataModule::openAndCloseWithoutChangeLeavesFile()
{
    const QByteArray bytes = fileWithRows("", "<ROW taskname=\"one\" launchtime=\"08:15:00375\"/>");
    writeBytes(scheduleFile(), bytes);
    {
        QFile file(scheduleFile());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(
            file.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    }
    const QDateTime modified = QFileInfo(scheduleFile()).lastModified();
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    QCOMPARE(modules.table().value(QStringLiteral("launchtime")).toTime(), QTime(8, 15, 0, 375));
    modules.hourglen->DataSetClose();
    QCOMPARE(fileBytes(scheduleFile()), bytes);
    QCOMPARE(QFileInfo(scheduleFile()).lastModified(), modified);
}

void TestHourglenDataModule::modifiedTwiceAfterReading()
{
    writeBytes(scheduleFile(), fileWithRows("", "<ROW taskname=\"one\" launchcbmon=\"1\"/>"));
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    for (const char* name : {"two", "three"}) {
        modules.table().edit();
        modules.table().setValue(QStringLiteral("taskname"), QLatin1String(name));
        modules.table().post();
    }
    modules.hourglen->DataSetClose();
    QCOMPARE(fileBytes(scheduleFile()),
             fileWithRows(" CHANGE_LOG=\"2 1 8 3 2 8\"",
                          "<ROW RowState=\"1\" taskname=\"one\" launchcbmon=\"1\"/>"
                          "<ROW RowState=\"9\" taskname=\"two\" launchcbmon=\"1\"/>"
                          "<ROW RowState=\"8\" taskname=\"three\" launchcbmon=\"1\"/>"));
    modules.hourglen->EvaluateCdsStructure();
    QCOMPARE(taskNames(modules.table()), QStringList{"three"});
    insertWeekdayTask(modules.table(), QStringLiteral("four"), QStringLiteral("fri"));
    QCOMPARE(modules.table().changeLog(), (QList<uint>{2, 1, 8, 3, 2, 8, 4, 0, 4}));
}

void TestHourglenDataModule::deleteAfterSave()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    insertWeekdayTask(modules.table(), QStringLiteral("a"), QStringLiteral("sun"));
    insertWeekdayTask(modules.table(), QStringLiteral("b"), QStringLiteral("sat"));
    modules.hourglen->DataSetClose();
    modules.hourglen->EvaluateCdsStructure();
    modules.table().first();
    modules.table().deleteRecord();
    modules.hourglen->DataSetClose();
    const QByteArray bytes = fileBytes(scheduleFile());
    QVERIFY(bytes.contains("CHANGE_LOG=\"1 0 4 2 0 4 1 0 2\""));
    QVERIFY(bytes.contains("<ROW RowState=\"6\" taskname=\"a\""));
    modules.hourglen->EvaluateCdsStructure();
    QCOMPARE(taskNames(modules.table()), QStringList{"b"});
}

void TestHourglenDataModule::missingFieldOnOpen()
{
    QByteArray head = scheduleHead();
    head.replace("<FIELD attrname=\"taskmemo\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>", "");
    const QByteArray bytes = head + "<PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>";
    writeBytes(scheduleFile(), bytes);
    ScheduleModules modules(dataPath());
    try {
        modules.hourglen->EvaluateCdsStructure();
        QFAIL("a file without taskmemo was opened");
    } catch (const Exception& error) {
        QCOMPARE(error.message(), QStringLiteral("ClientDataSet_Schedule: Field 'taskmemo' not found"));
    }
    QCOMPARE(modules.table().state(), TableState::Inactive);
    QCOMPARE(fileBytes(scheduleFile()), bytes);
}

void TestHourglenDataModule::refusedFileLeavesTableClosed()
{
    writeBytes(scheduleFile(), QByteArray());
    ScheduleModules modules(dataPath());
    try {
        modules.hourglen->EvaluateCdsStructure();
        QFAIL("an empty file was opened");
    } catch (const Exception& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("ClientDataSet_Schedule: Missing data provider or data packet"));
    }
    QCOMPARE(modules.table().state(), TableState::Inactive);
}

void TestHourglenDataModule::reopenAfterFailedWrite()
{
    // The data folder cannot be made: a plain file stands where a folder would be.
    const QString blocker = m_dir->filePath(QStringLiteral("Quillfern"));
    writeBytes(blocker, "not a folder");
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    insertWeekdayTask(modules.table(), QStringLiteral("kept"), QStringLiteral("mon"));
    try {
        modules.hourglen->DataSetClose();
        QFAIL("the write was reported as done");
    } catch (const Exception& error) {
        QVERIFY2(
            error.message().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(scheduleFile())),
            qPrintable(error.message()));
    }
    // The table stays open with the task, and the editor's next opening goes on with it.
    QCOMPARE(modules.table().state(), TableState::Browse);
    modules.hourglen->EvaluateCdsStructure();
    QCOMPARE(modules.table().state(), TableState::Browse);
    QCOMPARE(modules.table().recordCount(), 1);
    QCOMPARE(modules.table().fieldCount(), 12);
    QCOMPARE(modules.table().field(0).componentName(), QStringLiteral("_taskname"));
    QCOMPARE(modules.table().indexDefs().size(), 1);
    QCOMPARE(modules.table().indexName(), QStringLiteral("CDSPrimaryIndex"));

    QFile::remove(blocker);
    modules.hourglen->DataSetClose();
    QCOMPARE(modules.table().state(), TableState::Inactive);
    QVERIFY(fileBytes(scheduleFile()).contains("taskname=\"kept\""));

    // A table defined again in the same run keeps one set of fields.
    QVERIFY(QFile::remove(scheduleFile()));
    modules.hourglen->EvaluateCdsStructure();
    QCOMPARE(modules.table().fieldCount(), 12);
    QCOMPARE(modules.table().indexDefs().size(), 1);
    modules.hourglen->DataSetClose();
    QCOMPARE(fileBytes(scheduleFile()),
             scheduleHead() + "<PARAMS/></METADATA><ROWDATA></ROWDATA></DATAPACKET>");
}

void TestHourglenDataModule::missingDataFolderCreated()
{
    ScheduleModules modules(dataPath());
    QVERIFY(!QFileInfo::exists(dataPath()));
    modules.hourglen->EvaluateCdsStructure();
    insertWeekdayTask(modules.table(), QStringLiteral("first"), QStringLiteral("thu"));
    modules.hourglen->DataSetClose();
    QVERIFY(fileBytes(scheduleFile()).contains("taskname=\"first\""));
}

void TestHourglenDataModule::longTaskNameRefused()
{
    const QString longName(300, QLatin1Char('p'));
    writeBytes(scheduleFile(), fileWithRows("", "<ROW taskname=\"" + longName.toLatin1() + "\"/>"));
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    QCOMPARE(table.value(QStringLiteral("taskname")).toString(), longName); // read whole
    table.edit();
    try {
        table.setValue(QStringLiteral("taskparm"), QString(255, QLatin1Char('q')));
        QFAIL("an oversize parameter was taken");
    } catch (const Exception& error) {
        QCOMPARE(error.message(), QStringLiteral("ClientDataSet_Schedule: Value for field 'taskparm' is too "
                                                 "long: 255 characters, at most 254 allowed"));
    }
    table.setValue(QStringLiteral("taskparm"), QString(254, QLatin1Char('q')));
    table.post();
    QCOMPARE(table.value(QStringLiteral("taskname")).toString(), longName);
}

void TestHourglenDataModule::controlCharactersInParameterKept()
{
    const QString parameter = QStringLiteral("--mark \u0001 --colour \u001B[1m \uE000");
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    insertWeekdayTask(modules.table(), QStringLiteral("/usr/bin/printf"), QStringLiteral("tue"));
    modules.table().edit();
    modules.table().setValue(QStringLiteral("taskparm"), parameter);
    modules.table().post();
    modules.hourglen->DataSetClose(); // writes the file
    // Written as the format writes every character but its nine escapes: as it is.
    QVERIFY(fileBytes(scheduleFile()).contains("taskparm=\"--mark \x01 --colour \x1B[1m &#57344;\""));

    modules.hourglen->EvaluateCdsStructure(); // read back from the file
    QCOMPARE(modules.table().state(), TableState::Browse);
    QCOMPARE(modules.table().recordCount(), 1);
    QCOMPARE(modules.table().value(QStringLiteral("taskparm")).toString(), parameter);
}

void TestHourglenDataModule::navigatorRule_data()
{
    QTest::addColumn<bool>("bound");
    QTest::addColumn<bool>("withRow");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<bool>("enabled");

    const int designSet = int(nbInsert | nbDelete | nbEdit | nbPost | nbCancel);
    QTest::newRow("browse, empty") << true << false << int(TableState::Browse) << int(nbInsert) << true;
    QTest::newRow("browse, rows") << true << true << int(TableState::Browse)
                                  << int(nbInsert | nbDelete | nbEdit) << true;
    QTest::newRow("edit") << true << true << int(TableState::Edit) << int(nbPost | nbCancel) << false;
    QTest::newRow("insert") << true << false << int(TableState::Insert) << int(nbPost | nbCancel) << false;
    QTest::newRow("inactive") << true << true << int(TableState::Inactive) << designSet << false;
    QTest::newRow("unbound, browse") << false << true << int(TableState::Browse) << designSet << true;
    QTest::newRow("unbound, edit") << false << true << int(TableState::Edit) << designSet << false;
}

void TestHourglenDataModule::navigatorRule()
{
    QFETCH(bool, bound);
    QFETCH(bool, withRow);
    QFETCH(int, state);
    QFETCH(int, buttons);
    QFETCH(bool, enabled);

    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    if (withRow)
        insertWeekdayTask(modules.table(), QStringLiteral("x"), QStringLiteral("mon"));
    FakeEditor editor;
    editor.gridEnabled = !enabled;
    editor.testRunEnabled = !enabled;
    editor.navigator.source = bound ? &modules.hourglen->DataSource_Schedule() : nullptr;
    modules.hourglen->SetScheduleEditor(&editor);
    modules.hourglen->CommonSetNavigatorButtons(&editor.navigator, TableState(state));
    QCOMPARE(int(editor.navigator.buttons), buttons);
    QCOMPARE(editor.gridEnabled, enabled);
    QCOMPARE(editor.testRunEnabled, enabled);
    modules.hourglen->SetScheduleEditor(nullptr);
}

void TestHourglenDataModule::handlersApplyNavigatorRule()
{
    ScheduleModules modules(dataPath());
    FakeEditor editor;
    editor.navigator.source = &modules.hourglen->DataSource_Schedule();
    ClientTable& table = modules.table();
    modules.hourglen->EvaluateCdsStructure(); // no editor yet: the rule does not run
    QCOMPARE(editor.navigator.buttons, nbInsert | nbDelete | nbEdit | nbPost | nbCancel);
    modules.hourglen->SetScheduleEditor(&editor);

    table.insert(); // state change
    QCOMPARE(editor.navigator.buttons, nbPost | nbCancel);
    QVERIFY(!editor.gridEnabled);
    table.setValue(QStringLiteral("taskname"), QStringLiteral("x"));
    table.setValue(QStringLiteral("launchcbmon"), QStringLiteral("1")); // a day, for the record rules

    table.post(); // after post
    QCOMPARE(editor.navigator.buttons, nbInsert | nbDelete | nbEdit);
    QVERIFY(editor.gridEnabled);
    QVERIFY(editor.testRunEnabled);
    table.edit();
    QCOMPARE(editor.navigator.buttons, nbPost | nbCancel);
    table.cancel(); // after cancel
    QCOMPARE(editor.navigator.buttons, nbInsert | nbDelete | nbEdit);
    table.deleteRecord(); // after delete: the table is empty again
    QCOMPARE(editor.navigator.buttons, NavigateButtons(nbInsert));
    modules.hourglen->SetScheduleEditor(nullptr);
}

void TestHourglenDataModule::handlersAreTraced()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    table.insert();
    table.setValue(QStringLiteral("taskname"), QStringLiteral("x"));
    table.post();
    table.edit();
    table.cancel();
    table.deleteRecord();
    modules.hourglen->DataSetClose();
    QStringList begins;
    const QStringList lines = modules.trace.trimmed();
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("BEG    TDataModule_Hourglen.")))
            begins << line.mid(28);
    }
    begins.removeDuplicates();
    QCOMPARE(begins, (QStringList{"DataModuleCreate", "EvaluateCdsStructure", "CreateScheduleCDSStructure",
                                  "ClientDataSet_ScheduleBeforeOpen", "DataSource_ScheduleStateChange",
                                  "ClientDataSet_ScheduleAfterOpen", "ClientDataSet_ScheduleBeforeInsert",
                                  "ClientDataSet_ScheduleAfterInsert", "ClientDataSet_ScheduleBeforePost",
                                  "ClientDataSet_ScheduleAfterPost", "CommonSetNavigatorButtons",
                                  "ClientDataSet_ScheduleAfterCancel", "ClientDataSet_ScheduleAfterDelete",
                                  "DataSetClose"}));
    const int begun = int(std::count_if(
        lines.cbegin(), lines.cend(), [](const QString& l) { return l.startsWith(QLatin1String("BEG ")); }));
    const int ended = int(std::count_if(
        lines.cbegin(), lines.cend(), [](const QString& l) { return l.startsWith(QLatin1String("END ")); }));
    QCOMPARE(begun, ended);
}

void TestHourglenDataModule::closedTableDataSetCloseDoesNothing()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->DataSetClose();
    QVERIFY(!QFileInfo::exists(scheduleFile()));
    QCOMPARE(modules.trace.trimmed().mid(2), (QStringList{"BEG    TDataModule_Hourglen.DataSetClose",
                                                          "END    TDataModule_Hourglen.DataSetClose"}));
}

namespace {

// The formats the main window fixes before the list is first built.
void SetListFormats()
{
    TFormatSettings s;
    s.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    s.LongTimeFormat = QStringLiteral("hh:nn:ss");
    FormatSettings.Set(s);
}

QStringList EntryTexts(const TRec& r)
{
    return {r.taskname,    r.taskparm,    r.launchdate,  r.launchtime,
            r.launchcbsun, r.launchcbmon, r.launchcbtue, r.launchcbwed,
            r.launchcbthu, r.launchcbfri, r.launchcbsat, QString::number(r.fired)};
}

} // namespace

void TestHourglenDataModule::loadTriggerListFromFile()
{
    SetListFormats();
    const QByteArray bytes = fileWithRows(
        "",
        "<ROW taskname=\"/opt/jobs/backup\" taskparm=\" --full \" launchdate=\"20261224\" "
        "launchtime=\"08:00:00000\" launchcbsun=\"0\" launchcbmon=\"1\" launchcbtue=\"0\" launchcbwed=\"0\" "
        "launchcbthu=\"0\" launchcbfri=\"1\" launchcbsat=\"0\"/>"
        "<ROW taskname=\"first version\" launchtime=\"09:30:15000\"/>"
        "<ROW taskname=\"alpha\" launchtime=\"23:59:59999\" launchcbsat=\"1\"/>");
    writeBytes(scheduleFile(), bytes);
    ScheduleModules modules(dataPath());
    modules.trace.clear();
    modules.hourglen->LoadTriggerList();
    const std::vector<TRec> entries = modules.hourglen->TriggerList()->Entries();
    QCOMPARE(entries.size(), std::size_t(3));
    // In the order of the file, every field as its text; empty fields empty.
    QCOMPARE(EntryTexts(entries[0]), (QStringList{"/opt/jobs/backup", " --full ", "12/24/2026", "08:00:00",
                                                  "0", "1", "0", "0", "0", "1", "0", "0"}));
    QCOMPARE(EntryTexts(entries[1]),
             (QStringList{"first version", "", "", "09:30:15", "", "", "", "", "", "", "", "0"}));
    QCOMPARE(entries[2].launchtime, QStringLiteral("23:59:59"));
    QCOMPARE(entries[2].launchcbsat, QStringLiteral("1"));
    // Read through a table of its own: the live table stays closed and the file untouched.
    QCOMPARE(modules.table().state(), TableState::Inactive);
    QCOMPARE(fileBytes(scheduleFile()), bytes);
    QCOMPARE(modules.trace.trimmed(), (QStringList{"BEG    TDataModule_Hourglen.LoadTriggerList",
                                                   "END    TDataModule_Hourglen.LoadTriggerList"}));
}

void TestHourglenDataModule::loadTriggerListWithoutFile()
{
    ScheduleModules modules(dataPath());
    modules.hourglen->LoadTriggerList();
    QCOMPARE(modules.hourglen->TriggerList()->Count(), 0);
    QVERIFY(!QFileInfo::exists(scheduleFile()));
    QVERIFY(!QFileInfo::exists(dataPath()));
}

void TestHourglenDataModule::loadTriggerListFromUnreadableFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty file") << QByteArray()
                                << QStringLiteral("cds_CreatedDynamic: Missing data provider or data packet");
    QByteArray head = scheduleHead();
    head.replace("<FIELD attrname=\"launchcbsat\" fieldtype=\"string\" WIDTH=\"2\"/>", "");
    QTest::newRow("a field missing") << head + "<PARAMS/></METADATA><ROWDATA><ROW taskname=\"a\"/><ROW "
                                               "taskname=\"b\"/></ROWDATA></DATAPACKET>"
                                     << QStringLiteral("cds_CreatedDynamic: Field 'launchcbsat' not found");
}

void TestHourglenDataModule::loadTriggerListFromUnreadableFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    writeBytes(scheduleFile(), bytes);
    ScheduleModules modules(dataPath());
    try {
        modules.hourglen->LoadTriggerList();
        QFAIL("an unreadable file was taken");
    } catch (const Exception& error) {
        QCOMPARE(error.message(), message);
    }
    // Nothing was read before the failure; the list is there and empty, the file as it was.
    QVERIFY(modules.hourglen->TriggerList());
    QCOMPARE(modules.hourglen->TriggerList()->Count(), 0);
    QCOMPARE(fileBytes(scheduleFile()), bytes);
    QCOMPARE(modules.table().state(), TableState::Inactive);
}

void TestHourglenDataModule::rebuildTriggerListFromLiveTable()
{
    SetListFormats();
    ScheduleModules modules(dataPath());
    modules.hourglen->EvaluateCdsStructure();
    ClientTable& table = modules.table();
    insertWeekdayTask(table, QStringLiteral("zeta"), QStringLiteral("mon"));
    insertWeekdayTask(table, QStringLiteral("alpha"), QStringLiteral("fri"));
    // A list with a fired entry, as ticks leave it.
    TRec old;
    old.taskname = QStringLiteral("old");
    modules.hourglen->TriggerList()->Replace({old});
    // An insert still pending when the editor closes is dropped.
    table.insert();
    table.setValue(QStringLiteral("taskname"), QStringLiteral("pending"));
    modules.trace.clear();
    modules.hourglen->RebuildTriggerList();
    const std::vector<TRec> entries = modules.hourglen->TriggerList()->Entries();
    QCOMPARE(entries.size(), std::size_t(2));
    // The table's order (its primary index on the task name), every entry armed.
    QCOMPARE(EntryTexts(entries[0]),
             (QStringList{"alpha", "", "", "02:00:00", "0", "0", "0", "0", "0", "1", "0", "0"}));
    QCOMPARE(entries[1].taskname, QStringLiteral("zeta"));
    QCOMPARE(entries[1].launchcbmon, QStringLiteral("1"));
    QCOMPARE(table.state(), TableState::Browse);
    QCOMPARE(table.recordCount(), 2);
    QVERIFY(table.eof());
    QCOMPARE(table.value(QStringLiteral("taskname")).toString(), QStringLiteral("zeta"));
    QVERIFY(
        modules.trace.trimmed().contains(QStringLiteral("BEG    TDataModule_Hourglen.RebuildTriggerList")));
    QCOMPARE(modules.trace.trimmed().last(),
             QStringLiteral("END    TDataModule_Hourglen.RebuildTriggerList"));
}

void TestHourglenDataModule::releasedTriggerListIsGone()
{
    ScheduleModules modules(dataPath());
    const std::shared_ptr<TTriggerList> held = modules.hourglen->TriggerList();
    modules.hourglen->ReleaseTriggerList();
    QVERIFY(!modules.hourglen->TriggerList());
    // Whoever still holds it (a tick) may finish with it.
    QCOMPARE(held->Count(), 0);
    modules.hourglen->LoadTriggerList();
    QVERIFY(!modules.hourglen->TriggerList());
}

HOURGLEN_TEST_MAIN(TestHourglenDataModule)
#include "tst_HourglenDataModule.moc"
