#pragma once

#include "schedule/ScheduleEditor.h"

#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

class DBCheckBox;
class DBDateTimePicker;
class DBEdit;
class DBGrid;
class DBNavigator;
class DBRichEdit;
class ProcessLauncher;
class QFrame;
class QLabel;
class QPushButton;
class TableField;

// The schedule editor: a grid of the tasks, an edit panel for the current task and a navigator.
// It opens the schedule table while it is created and closes it (writing the file) when it is
// destroyed; closing it rebuilds the trigger list from the table.
class TForm_SetSchedule final : public QDialog, public TScheduleEditor
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm_SetSchedule)

public:
    explicit TForm_SetSchedule(QWidget* parent = nullptr);
    ~TForm_SetSchedule() override;

    // Creates the editor and makes it the program's editor (Form_SetSchedule, and the schedule
    // module's window); null when its creation failed (the message has been shown, the table is
    // closed and its file untouched).
    static std::unique_ptr<TForm_SetSchedule> Open(QWidget* parent);
    // Destroys an editor made by Open (which closes and writes the table) and forgets it.
    static void Release(std::unique_ptr<TForm_SetSchedule> form);
    // The menu command: Open, show modally, Release. Returns the dialog's result.
    static int Execute(QWidget* parent);

    // Whether the creation ran through (the table is open).
    bool Created() const { return m_created; }

    // TScheduleEditor
    NavigatorControl* DBNavigator1() override;
    void SetGridEnabled(bool enabled) override;
    void SetTestRunEnabled(bool enabled) override;
    void FocusTaskName() override;
    void FocusLaunchTime() override;
    void FocusLaunchDate() override;

    // The launcher of the Test button; the real one unless a test gives another.
    void SetProcessLauncher(std::shared_ptr<ProcessLauncher> launcher);

    // The grid's title-image choice for a field (the grid asks for every title it draws).
    void wwDBGrid1CalcTitleImage(const TableField& Field, int& ImageIndex);
    // The window's outer width, frame included (the design frame when the platform shows none).
    int OuterWidth() const;

    // 0 at creation, 1 once the window has been activated for the first time.
    int Tag = 0;
    // The field of the column whose title was clicked last, in upper case, and the direction.
    QString SortFieldName;
    int SortDirection = 1;
    // True from creation to the first activation, and while a linkage handler changes fields.
    bool LinkedFieldsBusy = true;

    DBGrid* wwDBGrid1 = nullptr;
    DBNavigator* DBNavigator1Widget = nullptr;
    QPushButton* BitBtn_Close = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* BitBtn_ClearDebugWindow = nullptr;
    DBEdit* wwDBEdit_TaskName = nullptr;
    QPushButton* BitBtn_Browse = nullptr;
    DBEdit* wwDBEdit_TaskParm = nullptr;
    DBDateTimePicker* wwDBDateTimePicker_LaunchDate = nullptr;
    DBDateTimePicker* wwDBDateTimePicker_LaunchTime = nullptr;
    QFrame* Panel2 = nullptr;
    DBCheckBox* DBCheckBox1 = nullptr;
    DBCheckBox* DBCheckBox2 = nullptr;
    DBCheckBox* DBCheckBox3 = nullptr;
    DBCheckBox* DBCheckBox4 = nullptr;
    DBCheckBox* DBCheckBox5 = nullptr;
    DBCheckBox* DBCheckBox6 = nullptr;
    DBCheckBox* DBCheckBox7 = nullptr;
    DBRichEdit* wwDBRichEdit_TaskMemo = nullptr;
    QPushButton* BitBtn_TestRun = nullptr;

public slots:
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void Relayout();
    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void FormResize();
    void BitBtn_BrowseClick();
    void BitBtn_TestRunClick();
    void BitBtn_ClearDebugWindowClick();
    void LaunchDayClicked();
    void wwDBDateTimePicker_LaunchDateChange();
    void wwDBGrid1TitleButtonClick(const QString& AFieldName);
    void SetIndx(const QString& name);

    bool m_created = false;
    bool m_closing = false;
    // The grid's place once fitted, and the client size it was fitted in; the grid follows all
    // four sides of the window from there.
    QRect m_gridBase;
    QSize m_gridBaseSize;
    std::shared_ptr<ProcessLauncher> m_launcher;
};

// The editor while it is shown; null otherwise.
extern TForm_SetSchedule* Form_SetSchedule;
