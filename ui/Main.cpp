#include "ui/Main.h"

#include "core/Clock.h"
#include "core/DataModuleDebug.h"
#include "core/FormatSettings.h"
#include "schedule/HourglenDataModule.h"
#include "schedule/triggerlist/DueCheck.h"
#include "support/CommonFormPlacement.h"
#include "toolkit/widgets/ErrorReport.h"
#include "trigger/LaunchCreateProcess.h"
#include "trigger/LaunchThreadList.h"
#include "trigger/ZylTimer.h"
#include "ui/About.h"
#include "ui/ModalWindow.h"
#include "ui/SetSchedule.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QThread>

#include <cmath>

TForm_Hourglen* Form_Hourglen = nullptr;

namespace {

const QString Caption = QStringLiteral("Hourglen");
const QString ClosingCaption = QStringLiteral("Closing application. Please wait...");
const QString ShortDateFormat = QStringLiteral("mm/dd/yyyy");
const QString DisplayTimeFormat = QStringLiteral("hh:nn:ss AM/PM");
const QString InitialDateTimeText = QStringLiteral("- - - - - ");

// The client area as stored with the window.
constexpr int ClientWidth = 418;
constexpr int ClientHeight = 215;
constexpr int NotificationHeight = 24;
// The toolkit's colours of these names.
const QColor SkyBlue(166, 202, 240);
const QColor Navy(0, 0, 128);

// Fonts as stored, by character height in pixels; the platform's sans font stands in for the
// stored face.
QFont FontOfPixels(const QFont& base, int pixels)
{
    QFont font = base;
    font.setPixelSize(pixels);
    return font;
}

int RoundHalfAwayFromZero(double value)
{
    return int(value < 0 ? std::ceil(value - 0.5) : std::floor(value + 0.5));
}

} // namespace

TForm_Hourglen::TForm_Hourglen(QWidget* parent)
    : QMainWindow(parent), m_launchThreadList(std::make_unique<TLaunchThreadList>())
{
    setObjectName(QStringLiteral("Form_Hourglen"));
    setWindowTitle(Caption);
    setFont(FontOfPixels(font(), 10));

    m_panel1 = new QWidget(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setFont(FontOfPixels(font(), 19));
    setCentralWidget(m_panel1);

    m_labelNotification = new QLabel(m_panel1);
    m_labelNotification->setObjectName(QStringLiteral("Label_Notification"));
    m_labelNotification->setAlignment(Qt::AlignCenter);
    m_labelNotification->setAutoFillBackground(true);
    QPalette strip = m_labelNotification->palette();
    strip.setColor(QPalette::Window, SkyBlue);
    m_labelNotification->setPalette(strip);

    m_labelDateTime = new QLabel(InitialDateTimeText, m_panel1);
    m_labelDateTime->setObjectName(QStringLiteral("Label_DateTime"));
    m_labelDateTime->setAlignment(Qt::AlignCenter);
    m_labelDateTime->setFont(FontOfPixels(font(), 24));
    QPalette letters = m_labelDateTime->palette();
    letters.setColor(QPalette::WindowText, Navy);
    m_labelDateTime->setPalette(letters);
    m_labelDateTime->adjustSize();
    m_panel1->installEventFilter(this);

    m_zylTimerAction = new TZylTimer(this);
    m_zylTimerAction->setObjectName(QStringLiteral("ZylTimer_Action"));
    m_zylTimerAction->SetEnabled(false);
    m_zylTimerAction->SetInterval(0.3);
    m_zylTimerAction->SetOnTimer([this](TZylTimer* sender) { ZylTimer_ActionTimer(sender); });

    Q_INIT_RESOURCE(MainImages); // the resource lives in a static library
    m_pngImageList1.add(QImage(QStringLiteral(":/ui/images/calendar3.png")));
    m_pngImageList1.add(QImage(QStringLiteral(":/ui/images/info.png")));

    QMenuBar* mainMenu1 = menuBar();
    mainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    m_menuItemFile = mainMenu1->addMenu(QStringLiteral("&File"));
    m_menuItemFile->setObjectName(QStringLiteral("MenuItemFile"));
    m_menuItemFileScheduleEvent =
        m_menuItemFile->addAction(QIcon(m_pngImageList1.pixmap(0)), QStringLiteral("&Schedule an event"));
    m_menuItemFileScheduleEvent->setObjectName(QStringLiteral("MenuItemFile_ScheduleEvent"));
    m_menuItemFileExit = m_menuItemFile->addAction(QStringLiteral("E&xit"));
    m_menuItemFileExit->setObjectName(QStringLiteral("MenuItemFile_Exit"));
    m_menuItemHelp = mainMenu1->addMenu(QStringLiteral("&Help"));
    m_menuItemHelp->setObjectName(QStringLiteral("MenuItemHelp"));
    m_menuItemHelpAbout =
        m_menuItemHelp->addAction(QIcon(m_pngImageList1.pixmap(1)), QStringLiteral("&About"));
    m_menuItemHelpAbout->setObjectName(QStringLiteral("MenuItemHelp_About"));
    connect(m_menuItemFileScheduleEvent, &QAction::triggered, this,
            [this] { ErrorReport::guard([this] { MenuItemFile_ScheduleEventClick(); }, this); });
    connect(m_menuItemFileExit, &QAction::triggered, this, [this] { MenuItemFile_ExitClick(); });
    connect(m_menuItemHelpAbout, &QAction::triggered, this,
            [this] { ErrorReport::guard([this] { MenuItemHelp_AboutClick(); }, this); });

    // Placed in the centre of the screen unless the placement store says otherwise.
    CommonFormPlacement::SetCentreOnShow(this, true);

    Form_Hourglen = this;
    ErrorReport::guard([this] { FormCreate(); }, this);
}

TForm_Hourglen::~TForm_Hourglen()
{
    // Normally the close has done this; a window destroyed without closing stops its ticks here.
    m_alive.reset();
    StopTimerAndWait();
    FormDestroy();
    if (Form_Hourglen == this)
        Form_Hourglen = nullptr;
}

QString TForm_Hourglen::DateTimeText(const QDateTime& date, const QDateTime& time)
{
    const TFormatSettings settings = FormatSettings.Get();
    return FormatDateTime(settings.ShortDateFormat, date, settings) + u'\n' +
           FormatDateTime(DisplayTimeFormat, time, settings);
}

void TForm_Hourglen::NormaliseFont()
{
    // The point size plus one, then minus one: a point size is the pixel height times 72 over the
    // screen's pixels per inch, rounded half away from zero.
    const double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    const auto points = [dpi](const QFont& font) {
        return font.pointSize() > 0 ? font.pointSize() : RoundHalfAwayFromZero(font.pixelSize() * 72.0 / dpi);
    };
    QFont normalised = font();
    normalised.setPointSize(points(normalised) + 1);
    setFont(normalised);
    normalised.setPointSize(points(font()) - 1);
    setFont(normalised);
}

void TForm_Hourglen::FormCreate()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.FormCreate"));
    NormaliseFont();
    // The client area as stored, with the menu in its final font.
    resize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    CommonFormPlacement::ReadFormParameters(this);
    FormatSettings.SetShortDateFormat(ShortDateFormat);
    const QDateTime now = Clock::Now();
    const QString text = DateTimeText(now, now);
    {
        const std::lock_guard tick(m_tickLock);
        m_postedLabel = text;
    }
    SetDateTimeLabel(text);
    m_zylTimerAction->SetEnabled(true);
    TraceEnd();
}

void TForm_Hourglen::BuildTriggerListOnce()
{
    if (Tag != 0)
        return;
    Tag = 1;
    if (DataModule_Hourglen)
        DataModule_Hourglen->LoadTriggerList();
}

void TForm_Hourglen::FormActivate()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.FormActivate"));
    BuildTriggerListOnce();
    TraceEnd();
}

void TForm_Hourglen::FormClose()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.FormClose"));
    // No tick may start launches or touch the list while the close waits for it.
    StopTimerAndWait(true);
    if (m_launchThreadList->Exists() && m_launchThreadList->Count() > 0) {
        setEnabled(false);
        setWindowTitle(ClosingCaption);
        m_launchThreadList->TerminateAll();
        WaitForLaunchThreads();
        m_launchThreadList->Release();
    }
    CommonFormPlacement::WriteFormParameters(this);
    TraceEnd();
}

void TForm_Hourglen::FormDestroy()
{
    // Not traced.
    if (DataModule_Hourglen)
        DataModule_Hourglen->ReleaseTriggerList();
}

void TForm_Hourglen::FormResize()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.FormResize"));
    m_labelDateTime->move(m_panel1->width() / 2 - m_labelDateTime->width() / 2,
                          m_panel1->height() / 2 - m_labelDateTime->height() / 2);
    TraceEnd();
}

void TForm_Hourglen::LayoutPanel()
{
    m_labelNotification->setGeometry(0, 0, m_panel1->width(), NotificationHeight);
}

void TForm_Hourglen::StopTimerAndWait(bool processEvents)
{
    m_zylTimerAction->SetEnabled(false);
    while (m_zylTimerAction->TickRunning()) {
        if (processEvents)
            QCoreApplication::processEvents();
        QThread::yieldCurrentThread();
    }
}

void TForm_Hourglen::WaitForLaunchThreads()
{
    // Each thread removes itself through its end notification, which runs here.
    while (m_launchThreadList->Count() > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TForm_Hourglen::SetDateTimeLabel(const QString& text)
{
    // The label sizes itself to its text where it stands; only a resize centres it again.
    m_labelDateTime->setText(text);
    m_labelDateTime->adjustSize();
}

void TForm_Hourglen::SetLaunchThreadFactory(TLaunchThreadFactory factory)
{
    const std::lock_guard lock(m_factoryLock);
    m_launchThreadFactory = std::move(factory);
}

void TForm_Hourglen::ZylTimer_ActionTimer(TZylTimer* Sender)
{
    Q_UNUSED(Sender)
    // Not traced. Nothing here waits for the user-interface thread.
    try {
        const std::lock_guard tick(m_tickLock);
        const std::shared_ptr<TClock> clock = Clock::Current();
        const TFormatSettings settings = FormatSettings.Get();
        const QDateTime now = clock->UtcNow();
        const QTimeZone zone = clock->Zone();
        const QDateTime today = now.toTimeZone(zone);
        if (const TDataModule_Hourglen* module = DataModule_Hourglen) {
            if (const std::shared_ptr<TTriggerList> list = module->TriggerList()) {
                const TDueCheckResult due = DueCheck(now, zone, m_lastExamined, *list, settings);
                m_lastExamined = due.LastExamined;
                for (const TDueLaunch& launch : due.Launches)
                    TriggerAlarmProcess(launch);
            }
        }
        const QString text = FormatDateTime(settings.ShortDateFormat, today, settings) + u'\n' +
                             FormatDateTime(DisplayTimeFormat, clock->Now(), settings);
        if (text != m_postedLabel) {
            m_postedLabel = text;
            QMetaObject::invokeMethod(
                this, [this, text] { SetDateTimeLabel(text); }, Qt::QueuedConnection);
        }
    } catch (const std::exception& error) {
        // A tick that threw would end the timer's worker, and with it every later launch.
        DebugLine(QStringLiteral("Tick failed: ") + QString::fromLocal8Bit(error.what()));
    } catch (...) {
        DebugLine(QStringLiteral("Tick failed"));
    }
}

void TForm_Hourglen::TriggerAlarmProcess(const TDueLaunch& Launch)
{
    TraceBegin(QStringLiteral("TForm_Hourglen.TriggerAlarmProcess"));
    try {
        TLaunchThreadFactory factory;
        {
            const std::lock_guard lock(m_factoryLock);
            factory = m_launchThreadFactory;
        }
        std::unique_ptr<TThreadProcessLaunch> thread =
            factory ? factory(Launch.taskname, Launch.taskparm)
                    : std::make_unique<TThreadProcessLaunch>(Launch.taskname, Launch.taskparm);
        const std::weak_ptr<int> alive = m_alive;
        thread->setOnTerminate([this, alive](Thread& ended) {
            if (alive.lock())
                ThreadTerminateHandler(&ended);
        });
        m_launchThreadList->Append(thread.get());
        try {
            thread->start();
        } catch (...) {
            m_launchThreadList->Remove(thread.get());
            throw;
        }
        // From here on the thread frees itself.
        static_cast<void>(thread.release());
    } catch (const std::exception& error) {
        DebugLine(QStringLiteral("Cannot start the launch thread for \"") + Launch.taskname +
                  QStringLiteral("\": ") + QString::fromLocal8Bit(error.what()));
    } catch (...) {
        DebugLine(QStringLiteral("Cannot start the launch thread for \"") + Launch.taskname + u'"');
    }
    TraceEnd();
}

void TForm_Hourglen::ThreadTerminateHandler(Thread* Sender)
{
    TraceBegin(QStringLiteral("TForm_Hourglen.ThreadTerminateHandler"));
    m_launchThreadList->Remove(Sender);
    TraceEnd();
}

void TForm_Hourglen::MenuItemFile_ScheduleEventClick()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.MenuItemFile_ScheduleEventClick"));
    // The editor is reachable through Form_SetSchedule while it is shown; an editor whose table
    // could not be opened is not shown.
    TForm_SetSchedule::Execute(nullptr);
    TraceEnd();
}

void TForm_Hourglen::MenuItemFile_ExitClick()
{
    close();
}

void TForm_Hourglen::MenuItemHelp_AboutClick()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.MenuItemHelp_AboutClick"));
    ShowModalWindow(Form_About);
    TraceEnd();
}

void TForm_Hourglen::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ErrorReport::guard([this] { FormActivate(); }, this);
}

void TForm_Hourglen::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A desktop that does not activate a newly started window must not keep every task from
    // firing: the first showing builds the list as well.
    if (Tag == 0)
        ErrorReport::guard([this] { FormShow(); }, this);
}

void TForm_Hourglen::FormShow()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.FormShow"));
    BuildTriggerListOnce();
    TraceEnd();
}

void TForm_Hourglen::closeEvent(QCloseEvent* event)
{
    if (m_closing) {
        // Asked again while the close waits for launch threads: the first close goes on.
        event->ignore();
        return;
    }
    m_closing = true;
    ErrorReport::guard([this] { FormClose(); }, this);
    m_closing = false;
    event->accept();
    emit closed();
}

bool TForm_Hourglen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel1 && event->type() == QEvent::Resize) {
        // The panel fills the client area, so its resizing is the window's.
        LayoutPanel();
        ErrorReport::guard([this] { FormResize(); }, this);
    }
    return QMainWindow::eventFilter(watched, event);
}
