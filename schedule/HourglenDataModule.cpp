#include "schedule/HourglenDataModule.h"

#include "core/ApplicationGlobal.h"
#include "core/Clock.h"
#include "core/DataModuleDebug.h"
#include "core/FormatSettings.h"
#include "schedule/DataModuleDatabase.h"
#include "schedule/ScheduleEditor.h"
#include "schedule/packet/DataPacketCodec.h"
#include "schedule/packet/ScheduleRecord.h"
#include "schedule/triggerlist/TriggerList.h"
#include "toolkit/base/Exception.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataSource.h"

#include <QDate>
#include <QFileInfo>
#include <QTime>

#include <algorithm>

TDataModule_Hourglen* DataModule_Hourglen = nullptr;

namespace {

const QString PrimaryIndexName = QStringLiteral("CDSPrimaryIndex");
const QString BlankMessage = QStringLiteral("%1 cannot be blank");
const QStringList WeekdayFieldNames{QStringLiteral("launchcbsun"), QStringLiteral("launchcbmon"),
                                    QStringLiteral("launchcbtue"), QStringLiteral("launchcbwed"),
                                    QStringLiteral("launchcbthu"), QStringLiteral("launchcbfri"),
                                    QStringLiteral("launchcbsat")};

const QStringList SortFieldNames{QStringLiteral("taskname"), QStringLiteral("taskparm"),
                                 QStringLiteral("launchdate"), QStringLiteral("launchtime")};

QString SortIndexName(int direction, const QString& fieldName)
{
    return QLatin1Char('X') + QString::number(direction) + fieldName.toUpper();
}

// A field's value as text; a null value is the empty text.
QString FieldText(const ClientTable& dataSet, const QString& fieldName)
{
    const QVariant value = dataSet.value(fieldName);
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QTime:
        return value.toTime().toString(Qt::ISODateWithMs);
    default:
        return value.toString();
    }
}

// Without the leading and trailing characters with codes 0 to 32 (blanks and control characters).
QString TrimControls(const QString& text)
{
    const auto isTrimmed = [](QChar c) { return c.unicode() <= 32; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

TDataModule_Hourglen::TDataModule_Hourglen(QObject* parent)
    : QObject(parent),
      m_clientDataSetSchedule(std::make_unique<ClientTable>(QStringLiteral("ClientDataSet_Schedule"))),
      m_dataSourceSchedule(std::make_unique<DataSource>())
{
    setObjectName(QStringLiteral("DataModule_Hourglen"));
    m_dataSourceSchedule->setObjectName(QStringLiteral("DataSource_Schedule"));
    m_dataSourceSchedule->setDataSet(m_clientDataSetSchedule.get());
    m_clientDataSetSchedule->setCodec(std::make_shared<TDataPacketCodec>());

    ClientTable::Events& events = m_clientDataSetSchedule->events();
    events.beforeOpen = [this](ClientTable& t) { ClientDataSet_ScheduleBeforeOpen(t); };
    events.afterOpen = [this](ClientTable& t) { ClientDataSet_ScheduleAfterOpen(t); };
    events.beforeInsert = [this](ClientTable& t) { ClientDataSet_ScheduleBeforeInsert(t); };
    events.afterInsert = [this](ClientTable& t) { ClientDataSet_ScheduleAfterInsert(t); };
    events.beforePost = [this](ClientTable& t) { ClientDataSet_ScheduleBeforePost(t); };
    events.afterPost = [this](ClientTable& t) { ClientDataSet_ScheduleAfterPost(t); };
    events.afterCancel = [this](ClientTable& t) { ClientDataSet_ScheduleAfterCancel(t); };
    events.afterDelete = [this](ClientTable& t) { ClientDataSet_ScheduleAfterDelete(t); };
    m_dataSourceSchedule->onStateChange = [this](DataSource& s) { DataSource_ScheduleStateChange(s); };

    DataModule_Hourglen = this;
    DataModuleCreate();
}

TDataModule_Hourglen::~TDataModule_Hourglen()
{
    // A table still open is closed (and written) by its own destruction, without the handlers.
    m_clientDataSetSchedule->events() = {};
    m_dataSourceSchedule->onStateChange = nullptr;
    m_scheduleEditor = nullptr;
    if (DataModule_Hourglen == this)
        DataModule_Hourglen = nullptr;
}

void TDataModule_Hourglen::DataModuleCreate()
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.DataModuleCreate"));
    {
        const std::lock_guard lock(m_triggerListLock);
        m_triggerList = std::make_shared<TTriggerList>();
    }
    m_clientDataSetSchedule->setFileName(ApplicationGlobal::DataPath + QString::fromUtf16(AppName) +
                                         QStringLiteral(".xml"));
    TraceEnd();
}

void TDataModule_Hourglen::EvaluateCdsStructure()
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.EvaluateCdsStructure"));
    ClientTable& table = *m_clientDataSetSchedule;
    if (table.active()) {
        // Still open after a write that failed: its rows are the user's latest, so keep them.
    } else if (QFileInfo(table.fileName()).isFile()) {
        table.open();
        DebugLine(QStringLiteral(" ------------ Dataset File Open"));
    } else {
        CreateScheduleCDSStructure();
        table.createDataSet();
        DebugLine(QStringLiteral(" ------------ Dataset Created"));
    }
    table.first();
    TraceEnd();
}

void TDataModule_Hourglen::CreateScheduleCDSStructure()
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.CreateScheduleCDSStructure"));
    ClientTable& table = *m_clientDataSetSchedule;
    // Defining the structure again in the same run (after a write that failed, say) gives the
    // same fields once, not a second set.
    table.clearFields();
    for (const PacketField& definition : ScheduleRecordFields()) {
        table.addField(definition, QLatin1Char('_') + definition.name);
    }
    if (!table.findIndexDef(PrimaryIndexName))
        table.addIndexDef(
            {PrimaryIndexName, {QStringLiteral("taskname")}, IndexDef::Primary, IndexDef::TextOrder::Locale});
    table.setIndexName(PrimaryIndexName);
    TraceEnd();
}

void TDataModule_Hourglen::DataSetClose()
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.DataSetClose"));
    if (m_clientDataSetSchedule->active())
        m_clientDataSetSchedule->close();
    TraceEnd();
}

QStringList TDataModule_Hourglen::SortIndexNames()
{
    QStringList names;
    for (const QString& field : SortFieldNames)
        names << SortIndexName(1, field) << SortIndexName(-1, field);
    return names;
}

QString TDataModule_Hourglen::GetIndexName()
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.GetIndexName"));
    const QString name = m_clientDataSetSchedule->indexName();
    TraceEnd();
    return name;
}

void TDataModule_Hourglen::SetIndexName(const QString& name)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.SetIndexName"));
    ClientTable& table = *m_clientDataSetSchedule;
    QStringList defined;
    const QList<IndexDef>& definitions = table.indexDefs();
    for (qsizetype i = 0; i < definitions.size(); ++i) {
        DebugLine(QStringLiteral("   IndexDefs.Items[") + QString::number(i) + QStringLiteral("].Name = ") +
                  definitions.at(i).name);
        defined << definitions.at(i).name;
    }
    for (const QString& field : SortFieldNames) {
        for (const int direction : {1, -1}) {
            const QString indexName = SortIndexName(direction, field);
            if (defined.contains(indexName))
                continue;
            // Text in the locale's order, letter case deciding only between otherwise equal texts.
            table.addIndexDef({indexName,
                               {field},
                               direction < 0 ? IndexDef::Descending : IndexDef::Options(),
                               IndexDef::TextOrder::Locale});
        }
    }
    if (table.findIndexDef(name))
        table.setIndexName(name);
    TraceEnd();
}

NavigateButtons TDataModule_Hourglen::NavigatorButtonsFor(TableState state, bool tableEmpty)
{
    switch (state) {
    case TableState::Browse:
        return tableEmpty ? NavigateButtons(nbInsert) : (nbInsert | nbDelete | nbEdit);
    case TableState::Edit:
    case TableState::Insert:
        return nbPost | nbCancel;
    case TableState::Inactive:
        break;
    }
    return {};
}

void TDataModule_Hourglen::CommonSetNavigatorButtons(NavigatorControl* navigator, TableState state)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.CommonSetNavigatorButtons"));
    if (navigator && navigator->dataSource()) {
        const ClientTable* const table = navigator->dataSource()->dataSet();
        const NavigateButtons buttons = NavigatorButtonsFor(state, !table || table->isEmpty());
        if (buttons)
            navigator->setVisibleButtons(buttons);
    }
    if (m_scheduleEditor) {
        const bool browse = state == TableState::Browse;
        m_scheduleEditor->SetGridEnabled(browse);
        m_scheduleEditor->SetTestRunEnabled(browse);
    }
    TraceEnd();
}

void TDataModule_Hourglen::ClientDataSet_ScheduleBeforeOpen(ClientTable&)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.ClientDataSet_ScheduleBeforeOpen"));
    TraceEnd();
}

void TDataModule_Hourglen::ClientDataSet_ScheduleAfterOpen(ClientTable& dataSet)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.ClientDataSet_ScheduleAfterOpen"));
    TDataModule_Database* const database = DataModule_Database;
    if (!database)
        throw Exception(QStringLiteral("The field-helper module does not exist"));
    database->SetFieldVisible(dataSet, false);
    for (const char* name : {"taskname", "taskparm", "launchdate", "launchtime"})
        dataSet.fieldByName(QLatin1String(name)).setVisible(true);
    database->SetFieldDisplayName(dataSet, QStringLiteral("taskname"), QStringLiteral("Task Name"));
    database->SetFieldDisplayName(dataSet, QStringLiteral("taskparm"), QStringLiteral("Task Parameter"));
    database->SetFieldDisplayName(dataSet, QStringLiteral("launchdate"), QStringLiteral("Launch Date"));
    database->SetFieldDisplayName(dataSet, QStringLiteral("launchtime"), QStringLiteral("Launch Time"));
    database->SetFieldDisplayName(dataSet, QStringLiteral("taskmemo"), QStringLiteral("Task Comment"));
    database->SetFieldDisplayWidth(dataSet, QStringLiteral("taskname"), 40);
    database->SetFieldDisplayWidth(dataSet, QStringLiteral("taskparm"), 20);
    dataSet.fieldByName(QStringLiteral("taskname")).setPosition(0);
    dataSet.fieldByName(QStringLiteral("taskparm")).setPosition(1);
    dataSet.fieldByName(QStringLiteral("launchdate")).setPosition(2);
    dataSet.fieldByName(QStringLiteral("launchtime")).setPosition(3);
    TraceEnd();
}

void TDataModule_Hourglen::ClientDataSet_ScheduleBeforeInsert(ClientTable&)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.ClientDataSet_ScheduleBeforeInsert"));
    if (m_scheduleEditor)
        m_scheduleEditor->FocusTaskName();
    TraceEnd();
}

void TDataModule_Hourglen::ClientDataSet_ScheduleAfterInsert(ClientTable& dataSet)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.ClientDataSet_ScheduleAfterInsert"));
    for (const QString& day : WeekdayFieldNames)
        dataSet.setValue(day, QStringLiteral("0"));
    dataSet.setValue(QStringLiteral("launchtime"), Clock::Time());
    TraceEnd();
}

void TDataModule_Hourglen::ClientDataSet_ScheduleBeforePost(ClientTable& dataSet)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.ClientDataSet_ScheduleBeforePost"));
    // The table is open only while the editor exists; a table driven without it has no rules.
    if (m_scheduleEditor) {
        const QString taskName = FieldText(dataSet, QStringLiteral("taskname"));
        const QString trimmed = TrimControls(taskName);
        if (trimmed != taskName)
            dataSet.setValue(QStringLiteral("taskname"), trimmed.isEmpty() ? QVariant() : QVariant(trimmed));
        if (trimmed.isEmpty()) {
            m_scheduleEditor->FocusTaskName();
            throw Exception(BlankMessage.arg(QStringLiteral("Task Name")));
        }
        if (TrimControls(FieldText(dataSet, QStringLiteral("launchtime"))).isEmpty()) {
            m_scheduleEditor->FocusLaunchTime();
            throw Exception(BlankMessage.arg(QStringLiteral("Launch Time")));
        }
        if (TrimControls(FieldText(dataSet, QStringLiteral("launchdate"))).isEmpty()) {
            // Any text but "0" (an empty one too) counts as a chosen day.
            const bool noDay =
                std::all_of(WeekdayFieldNames.cbegin(), WeekdayFieldNames.cend(),
                            [&](const QString& day) { return FieldText(dataSet, day) == u"0"; });
            if (noDay) {
                m_scheduleEditor->FocusLaunchDate();
                throw Exception(QStringLiteral(
                    "Launch Date can be blank and Launch Day can be blank, but not both at the same time"));
            }
        }
    }
    TraceEnd();
}

void TDataModule_Hourglen::SetNavigatorForTableState(ClientTable& dataSet)
{
    // The editor exists whenever the table is open; tested all the same, so a table driven
    // without the window (a test, a tool) never reaches a missing window.
    CommonSetNavigatorButtons(m_scheduleEditor ? m_scheduleEditor->DBNavigator1() : nullptr, dataSet.state());
}

void TDataModule_Hourglen::ClientDataSet_ScheduleAfterPost(ClientTable& dataSet)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.ClientDataSet_ScheduleAfterPost"));
    SetNavigatorForTableState(dataSet);
    TraceEnd();
}

void TDataModule_Hourglen::ClientDataSet_ScheduleAfterCancel(ClientTable& dataSet)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.ClientDataSet_ScheduleAfterCancel"));
    SetNavigatorForTableState(dataSet);
    TraceEnd();
}

void TDataModule_Hourglen::ClientDataSet_ScheduleAfterDelete(ClientTable& dataSet)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.ClientDataSet_ScheduleAfterDelete"));
    SetNavigatorForTableState(dataSet);
    TraceEnd();
}

void TDataModule_Hourglen::DataSource_ScheduleStateChange(DataSource& sender)
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.DataSource_ScheduleStateChange"));
    if (m_scheduleEditor && sender.dataSet())
        CommonSetNavigatorButtons(m_scheduleEditor->DBNavigator1(), sender.state());
    TraceEnd();
}

std::shared_ptr<TTriggerList> TDataModule_Hourglen::TriggerList() const
{
    const std::lock_guard lock(m_triggerListLock);
    return m_triggerList;
}

void TDataModule_Hourglen::ReleaseTriggerList()
{
    std::shared_ptr<TTriggerList> released;
    {
        const std::lock_guard lock(m_triggerListLock);
        released.swap(m_triggerList);
    }
}

namespace {

// A value's plain text as the table gives it: dates and times in the global formats, null empty.
QString FieldText(const QVariant& value, const TFormatSettings& settings)
{
    if (!value.isValid())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return FormatDateTime(settings.ShortDateFormat, QDateTime(value.toDate(), QTime(0, 0), Qt::UTC),
                              settings);
    case QMetaType::QTime:
        return FormatDateTime(settings.LongTimeFormat, QDateTime(QDate(2000, 1, 1), value.toTime(), Qt::UTC),
                              settings);
    case QMetaType::QDateTime: {
        const QDateTime stamp = value.toDateTime();
        return FormatDateTime(QStringLiteral("c"), QDateTime(stamp.date(), stamp.time(), Qt::UTC), settings);
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

} // namespace

TRec TDataModule_Hourglen::TriggerEntry(const ClientTable& table)
{
    const TFormatSettings settings = FormatSettings.Get();
    const auto text = [&](const char* name) { return FieldText(table.value(QLatin1String(name)), settings); };
    TRec entry;
    entry.taskname = text("taskname");
    entry.taskparm = text("taskparm");
    entry.launchdate = text("launchdate");
    entry.launchtime = text("launchtime");
    entry.launchcbsun = text("launchcbsun");
    entry.launchcbmon = text("launchcbmon");
    entry.launchcbtue = text("launchcbtue");
    entry.launchcbwed = text("launchcbwed");
    entry.launchcbthu = text("launchcbthu");
    entry.launchcbfri = text("launchcbfri");
    entry.launchcbsat = text("launchcbsat");
    entry.fired = 0;
    return entry;
}

void TDataModule_Hourglen::PublishTriggerList(std::vector<TRec> entries)
{
    if (const std::shared_ptr<TTriggerList> list = TriggerList())
        list->Replace(std::move(entries));
}

void TDataModule_Hourglen::LoadTriggerList()
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.LoadTriggerList"));
    const QString fileName = m_clientDataSetSchedule->fileName();
    if (QFileInfo(fileName).isFile()) {
        std::vector<TRec> entries;
        // The live table is not touched; the temporary one is released however the reading ends.
        ClientTable dataSet(QStringLiteral("cds_CreatedDynamic"));
        dataSet.setCodec(std::make_shared<TDataPacketCodec>());
        dataSet.setFileName(fileName);
        try {
            dataSet.open();
            for (dataSet.first(); !dataSet.eof(); dataSet.next())
                entries.push_back(TriggerEntry(dataSet));
        } catch (...) {
            // What was read before the failure still counts.
            PublishTriggerList(std::move(entries));
            throw;
        }
        PublishTriggerList(std::move(entries));
    }
    TraceEnd();
}

void TDataModule_Hourglen::RebuildTriggerList()
{
    TraceBegin(QStringLiteral("TDataModule_Hourglen.RebuildTriggerList"));
    ClientTable& table = *m_clientDataSetSchedule;
    if (table.state() == TableState::Edit || table.state() == TableState::Insert)
        table.cancel();
    table.disableControls();
    struct ControlsBack
    {
        ClientTable& table;
        ~ControlsBack() { table.enableControls(); }
    } controlsBack{table};
    std::vector<TRec> entries;
    entries.reserve(std::size_t(table.recordCount()));
    for (table.first(); !table.eof(); table.next())
        entries.push_back(TriggerEntry(table));
    PublishTriggerList(std::move(entries));
    TraceEnd();
}
