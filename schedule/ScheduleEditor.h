#pragma once

class NavigatorControl;

// What the schedule module needs of the schedule editor window while it exists. The window
// implements it and hands itself to TDataModule_Hourglen::SetScheduleEditor; the module never
// includes the window.
class TScheduleEditor
{
public:
    virtual ~TScheduleEditor() = default;

    virtual NavigatorControl* DBNavigator1() = 0;
    virtual void SetGridEnabled(bool enabled) = 0;    // wwDBGrid1
    virtual void SetTestRunEnabled(bool enabled) = 0; // BitBtn_TestRun

    // Focus for the record rules.
    virtual void FocusTaskName() = 0;   // wwDBEdit_TaskName
    virtual void FocusLaunchTime() = 0; // wwDBDateTimePicker_LaunchTime
    virtual void FocusLaunchDate() = 0; // wwDBDateTimePicker_LaunchDate
};
