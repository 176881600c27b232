#pragma once

#include "toolkit/widgets/ImageList.h"

#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QWidget;
class TZylTimer;
class TLaunchThreadList;
class TThreadProcessLaunch;
class Thread;
struct TDueLaunch;

// The main window: the date and time in large letters under a coloured strip, the menu, the
// interval timer whose ticks start every due task, and the list of running launch threads.
class TForm_Hourglen final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm_Hourglen)

public:
    // How a launch thread is made for a task (created suspended, freeing itself).
    using TLaunchThreadFactory = std::function<std::unique_ptr<TThreadProcessLaunch>(
        const QString& Command, const QString& Parameter)>;

    explicit TForm_Hourglen(QWidget* parent = nullptr);
    ~TForm_Hourglen() override;

    // 0 at creation, 1 once the trigger list has been built (first showing or activation).
    int Tag = 0;

    QWidget* Panel1() const { return m_panel1; }
    QLabel* Label_Notification() const { return m_labelNotification; }
    QLabel* Label_DateTime() const { return m_labelDateTime; }
    TZylTimer* ZylTimer_Action() const { return m_zylTimerAction; }
    const ImageList& PngImageList1() const { return m_pngImageList1; }
    TLaunchThreadList& LaunchThreadList() const { return *m_launchThreadList; }

    // The tick: the due check over the trigger list, launches, and the date-time label. Runs on the
    // timer's worker thread and never waits for the user-interface thread.
    void ZylTimer_ActionTimer(TZylTimer* Sender);

    // Replaces how launch threads are made (tests: a recording launcher); empty: the real one.
    void SetLaunchThreadFactory(TLaunchThreadFactory factory);

    // The label's two lines: the date (global short date format), a line break, and the time as
    // "hh:nn:ss AM/PM" with the letters AM and PM whatever the locale says.
    static QString DateTimeText(const QDateTime& date, const QDateTime& time);

signals:
    // The window has closed: the program's message loop ends.
    void closed();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormClose();
    void FormDestroy();
    void FormResize();
    void MenuItemFile_ScheduleEventClick();
    void MenuItemFile_ExitClick();
    void MenuItemHelp_AboutClick();
    void TriggerAlarmProcess(const TDueLaunch& Launch);
    void ThreadTerminateHandler(Thread* Sender);

    void BuildTriggerListOnce();
    void NormaliseFont();
    void SetDateTimeLabel(const QString& text);
    // Stops the timer and waits until no tick runs, processing events meanwhile when asked.
    void StopTimerAndWait(bool processEvents = false);
    void WaitForLaunchThreads();
    void LayoutPanel();

    QWidget* m_panel1 = nullptr;
    QLabel* m_labelNotification = nullptr;
    QLabel* m_labelDateTime = nullptr;
    TZylTimer* m_zylTimerAction = nullptr;
    QMenu* m_menuItemFile = nullptr;
    QMenu* m_menuItemHelp = nullptr;
    QAction* m_menuItemFileScheduleEvent = nullptr;
    QAction* m_menuItemFileExit = nullptr;
    QAction* m_menuItemHelpAbout = nullptr;
    ImageList m_pngImageList1;
    std::unique_ptr<TLaunchThreadList> m_launchThreadList;
    bool m_closing = false;

    // The tick's own state: one tick at a time.
    std::mutex m_tickLock;
    std::optional<qint64> m_lastExamined;
    QString m_postedLabel;

    mutable std::mutex m_factoryLock;
    TLaunchThreadFactory m_launchThreadFactory;
    // Lets a launch thread's end notification see whether the window still exists.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};

extern TForm_Hourglen* Form_Hourglen;
