#pragma once

#include "common/TraceCapture.h"
#include "core/ApplicationGlobal.h"
#include "schedule/DataModuleDatabase.h"
#include "schedule/HourglenDataModule.h"
#include "schedule/ScheduleEditor.h"
#include "toolkit/table/DataSource.h"
#include "toolkit/table/NavigatorButtons.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// The modules the schedule table needs, in the start order, with the trace lines collected.
struct ScheduleModules
{
    // view: the debug window the trace shows its lines in (none by default).
    explicit ScheduleModules(const QString& dataPath, std::unique_ptr<TDebugView> view = nullptr)
        : trace({}, std::move(view))
    {
        ApplicationGlobal::DataPath = dataPath;
        database = std::make_unique<TDataModule_Database>();
        hourglen = std::make_unique<TDataModule_Hourglen>();
    }
    ~ScheduleModules()
    {
        hourglen.reset();
        database.reset();
        ApplicationGlobal::DataPath.clear();
    }
    Q_DISABLE_COPY_MOVE(ScheduleModules)

    ClientTable& table() const { return hourglen->ClientDataSet_Schedule(); }

    TraceCapture trace; // made before the modules, released after them
    std::unique_ptr<TDataModule_Database> database;
    std::unique_ptr<TDataModule_Hourglen> hourglen;
};

// A navigator as the navigator rule sees it.
class FakeNavigator final : public NavigatorControl
{
public:
    DataSource* dataSource() const override { return source; }
    NavigateButtons visibleButtons() const override { return buttons; }
    void setVisibleButtons(NavigateButtons shown) override { buttons = shown; }

    DataSource* source = nullptr;
    NavigateButtons buttons = nbInsert | nbDelete | nbEdit | nbPost | nbCancel; // the design-time set
};

// The editor window as the schedule module sees it.
class FakeEditor final : public TScheduleEditor
{
public:
    NavigatorControl* DBNavigator1() override { return &navigator; }
    void SetGridEnabled(bool enabled) override { gridEnabled = enabled; }
    void SetTestRunEnabled(bool enabled) override { testRunEnabled = enabled; }
    void FocusTaskName() override { Focus(QStringLiteral("wwDBEdit_TaskName")); }
    void FocusLaunchTime() override { Focus(QStringLiteral("wwDBDateTimePicker_LaunchTime")); }
    void FocusLaunchDate() override { Focus(QStringLiteral("wwDBDateTimePicker_LaunchDate")); }

    FakeNavigator navigator;
    bool gridEnabled = false;
    bool testRunEnabled = false;
    QString focused;                             // the control focused last
    QStringList focusCalls;                      // every control focused, in order
    std::function<void(const QString&)> onFocus; // runs at each focus call, to see the table then

private:
    void Focus(const QString& control)
    {
        focused = control;
        focusCalls << control;
        if (onFocus)
            onFocus(control);
    }
};

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// The schedule file's start, up to and including the field list, as the table writes it.
inline QByteArray scheduleHead()
{
    QByteArray head =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"taskname\" fieldtype=\"string\" WIDTH=\"254\"/>"
        "<FIELD attrname=\"taskparm\" fieldtype=\"string\" WIDTH=\"254\"/>"
        "<FIELD attrname=\"launchdate\" fieldtype=\"date\"/>"
        "<FIELD attrname=\"launchtime\" fieldtype=\"time\"/>";
    for (const char* day : {"sun", "mon", "tue", "wed", "thu", "fri", "sat"})
        head += QByteArray("<FIELD attrname=\"launchcb") + day + "\" fieldtype=\"string\" WIDTH=\"2\"/>";
    head += "<FIELD attrname=\"taskmemo\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/></FIELDS>";
    return head;
}
