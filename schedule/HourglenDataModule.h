#pragma once

#include "toolkit/table/NavigatorButtons.h"
#include "toolkit/table/TableState.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

class ClientTable;
class DataSource;
class TScheduleEditor;
class TTriggerList;
struct TRec;

// The schedule module: the schedule table, its data source and the trigger list.
class TDataModule_Hourglen final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TDataModule_Hourglen)

public:
    explicit TDataModule_Hourglen(QObject* parent = nullptr);
    ~TDataModule_Hourglen() override;

    ClientTable& ClientDataSet_Schedule() const { return *m_clientDataSetSchedule; }
    DataSource& DataSource_Schedule() const { return *m_dataSourceSchedule; }
    // The trigger list; null once the main window has released it. Any thread may ask: the
    // caller's reference keeps the list alive while it works on it.
    std::shared_ptr<TTriggerList> TriggerList() const;
    // Releases the list: a tick that comes afterwards finds none.
    void ReleaseTriggerList();

    // Fills the trigger list from the schedule file through a temporary table, at the main
    // window's first showing or activation; without a file the list stays empty. A file that
    // cannot be read throws, with the entries read before the failure in the list.
    void LoadTriggerList();
    // Refills the trigger list from the live table (open while the editor exists), in its order,
    // re-arming every entry; the table is left at its end.
    void RebuildTriggerList();
    // The entry for the current row of a table with the schedule fields, fired 0.
    static TRec TriggerEntry(const ClientTable& table);

    // The editor window while it exists; null otherwise.
    TScheduleEditor* ScheduleEditor() const { return m_scheduleEditor; }
    void SetScheduleEditor(TScheduleEditor* editor) { m_scheduleEditor = editor; }

    // Opens the table from its file, or creates it new and empty when there is none.
    void EvaluateCdsStructure();
    // Defines the twelve fields of the schedule record and CDSPrimaryIndex on a closed table.
    void CreateScheduleCDSStructure();
    // Closes the table when it is open, which writes the file when it changed or is missing.
    void DataSetClose();
    // Shows the navigator buttons that fit the state, and enables the grid and the test button
    // exactly in browse state.
    void CommonSetNavigatorButtons(NavigatorControl* navigator, TableState state);

    // The name of the table's current index; empty when none is selected.
    QString GetIndexName();
    // Defines the eight column sort indexes that are missing, then selects the index called name
    // when one is defined; any other name changes nothing.
    void SetIndexName(const QString& name);
    // The sort index names: "X", the direction (1 or -1) and the field name in upper case, for
    // taskname, taskparm, launchdate and launchtime, ascending before descending.
    static QStringList SortIndexNames();

    // The navigator buttons the navigator rule shows for a state on a table with or without rows;
    // empty for a state in which the buttons stay as they are.
    static NavigateButtons NavigatorButtonsFor(TableState state, bool tableEmpty);

private:
    void DataModuleCreate();
    void ClientDataSet_ScheduleBeforeOpen(ClientTable& dataSet);
    void ClientDataSet_ScheduleAfterOpen(ClientTable& dataSet);
    void ClientDataSet_ScheduleBeforeInsert(ClientTable& dataSet);
    void ClientDataSet_ScheduleAfterInsert(ClientTable& dataSet);
    void ClientDataSet_ScheduleBeforePost(ClientTable& dataSet);
    void ClientDataSet_ScheduleAfterPost(ClientTable& dataSet);
    void ClientDataSet_ScheduleAfterCancel(ClientTable& dataSet);
    void ClientDataSet_ScheduleAfterDelete(ClientTable& dataSet);
    void DataSource_ScheduleStateChange(DataSource& sender);
    void SetNavigatorForTableState(ClientTable& dataSet);

    std::unique_ptr<ClientTable> m_clientDataSetSchedule;
    std::unique_ptr<DataSource> m_dataSourceSchedule;
    void PublishTriggerList(std::vector<TRec> entries);

    mutable std::mutex m_triggerListLock; // over the pointer; the list has its own lock
    std::shared_ptr<TTriggerList> m_triggerList;
    TScheduleEditor* m_scheduleEditor = nullptr;
};

extern TDataModule_Hourglen* DataModule_Hourglen;
