// The main window: its parts and their look, the date-time label, centring, the menu and the
// windows it opens, the first building of the trigger list, ticks that launch due tasks without the
// user-interface thread, and the close sequence with and without running launch threads.

#include "MainFixture.h"
#include "common/TestMain.h"

#include "support/CommonFormPlacement.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/widgets/ErrorReport.h"
#include "trigger/LaunchThreadList.h"
#include "trigger/ZylTimer.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>

#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace {

QDateTime Utc(int h, int m, int s, int ms = 0)
{
    return QDateTime(QDate(2026, 12, 9), QTime(h, m, s, ms), Qt::UTC);
}

int countOf(const QStringList& lines, const QString& line)
{
    return int(lines.count(line));
}

} // namespace

class TestMain : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ErrorReport::setReporter([this](const QString& message) { m_reported << message; });
    }
    void cleanup()
    {
        ErrorReport::setReporter({});
        m_reported.clear();
    }

    void partsAsStored()
    {
        MainWindowModules m;
        TForm_Hourglen& form = *m.form;
        QCOMPARE(form.objectName(), QStringLiteral("Form_Hourglen"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Hourglen"));
        QCOMPARE(form.centralWidget(), form.Panel1());
        QCOMPARE(form.Label_Notification()->parent(), form.Panel1());
        QCOMPARE(form.Label_Notification()->text(), QString());
        QCOMPARE(form.Label_Notification()->palette().color(QPalette::Window), QColor(166, 202, 240));
        QVERIFY(form.Label_Notification()->autoFillBackground());
        QCOMPARE(form.Label_DateTime()->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QCOMPARE(form.Label_DateTime()->alignment(), Qt::AlignCenter);
        QCOMPARE(form.Label_DateTime()->font().pixelSize(), 24);
        QCOMPARE(form.Panel1()->font().pixelSize(), 19);
        // The stored 10-pixel font ends as an 8-point font 11 pixels high.
        QCOMPARE(form.font().pointSize(), 8);
        QCOMPARE(QFontInfo(form.font()).pixelSize(), 11);
        QCOMPARE(form.ZylTimer_Action()->Interval(), 0.3);
        QVERIFY(form.ZylTimer_Action()->Enabled());
        QCOMPARE(form.Tag, 0);
        QVERIFY(!form.LaunchThreadList().Exists());
        QCOMPARE(FormatSettings.Get().ShortDateFormat, QStringLiteral("mm/dd/yyyy"));
        const qsizetype created = m.lines.indexOf(QStringLiteral("BEG    TForm_Hourglen.FormCreate"));
        QVERIFY(created >= 0);
        // The placement is read inside the creation.
        QCOMPARE(m.lines.at(created + 1), QStringLiteral("\tBEG    CommonFormPlacement.ReadFormParameters"));
        QVERIFY(m.lines.indexOf(QStringLiteral("END    TForm_Hourglen.FormCreate")) > created + 2);
        // The client area as stored.
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(form.Panel1()->size(), QSize(418, 215));
    }

    void menuWithMnemonicsAndIcons()
    {
        MainWindowModules m;
        TForm_Hourglen& form = *m.form;
        QCOMPARE(form.menuBar()->objectName(), QStringLiteral("MainMenu1"));
        const auto menu = [&](const char* name) { return form.findChild<QMenu*>(QLatin1String(name)); };
        const auto item = [&](const char* name) { return form.findChild<QAction*>(QLatin1String(name)); };
        QVERIFY(menu("MenuItemFile") && menu("MenuItemHelp"));
        QCOMPARE(menu("MenuItemFile")->title(), QStringLiteral("&File"));
        QCOMPARE(menu("MenuItemHelp")->title(), QStringLiteral("&Help"));
        QCOMPARE(item("MenuItemFile_ScheduleEvent")->text(), QStringLiteral("&Schedule an event"));
        QCOMPARE(item("MenuItemFile_Exit")->text(), QStringLiteral("E&xit"));
        QCOMPARE(item("MenuItemHelp_About")->text(), QStringLiteral("&About"));
        QCOMPARE(menu("MenuItemFile")->actions(),
                 (QList<QAction*>{item("MenuItemFile_ScheduleEvent"), item("MenuItemFile_Exit")}));
        QCOMPARE(form.PngImageList1().count(), 2);
        for (int i = 0; i < 2; ++i) {
            const QImage image = form.PngImageList1().image(i);
            QCOMPARE(image.size(), QSize(16, 16));
            // Drawn, and on the window background: some pixels opaque, the corners see-through.
            QVERIFY(qAlpha(image.pixel(8, 8)) == 255);
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        }
        QVERIFY(!item("MenuItemFile_ScheduleEvent")->icon().isNull());
        QVERIFY(!item("MenuItemHelp_About")->icon().isNull());
        QVERIFY(item("MenuItemFile_Exit")->icon().isNull());
    }

    void labelTexts_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("am");
        QTest::addColumn<QString>("text");
        QTest::newRow("after midnight")
            << QTime(0, 30, 15) << QChar(u':') << QString("AM") << QStringLiteral("12/09/2026\n12:30:15 AM");
        QTest::newRow("afternoon") << QTime(13, 5, 0) << QChar(u':') << QString("AM")
                                   << QStringLiteral("12/09/2026\n01:05:00 PM");
        QTest::newRow("noon") << QTime(12, 0, 0) << QChar(u':') << QString("AM")
                              << QStringLiteral("12/09/2026\n12:00:00 PM");
        QTest::newRow("evening") << QTime(21, 5, 7) << QChar(u':') << QString("AM")
                                 << QStringLiteral("12/09/2026\n09:05:07 PM");
        QTest::newRow("the locale's designators are not used")
            << QTime(9, 5, 7) << QChar(u':') << QString("vorm.") << QStringLiteral("12/09/2026\n09:05:07 AM");
        QTest::newRow("the locale's time separator is")
            << QTime(13, 5, 0) << QChar(u'.') << QString("AM") << QStringLiteral("12/09/2026\n01.05.00 PM");
    }

    void labelTexts()
    {
        QFETCH(QTime, time);
        QFETCH(QChar, separator);
        QFETCH(QString, am);
        QFETCH(QString, text);
        MainWindowModules m;
        TFormatSettings settings = FormatSettings.Get();
        settings.TimeSeparator = separator;
        settings.TimeAMString = am;
        FormatSettings.Set(settings);
        const QDateTime at(QDate(2026, 12, 9), time, Qt::UTC);
        QCOMPARE(TForm_Hourglen::DateTimeText(at, at), text);
        // The ticks show it in the label.
        m.clock->Set(at);
        QTRY_COMPARE(m.form->Label_DateTime()->text(), text);
    }

    void labelSetByCreationAndOnlyWhenTheTextChanges()
    {
        MainWindowModules m;
        // Before the window is shown, the creation has set the date and time.
        QCOMPARE(m.form->Label_DateTime()->text(), QStringLiteral("12/09/2026\n09:05:07 PM"));
        m.form->ZylTimer_Action()->SetEnabled(false);
        QLabel* label = m.form->Label_DateTime();
        label->setText(QStringLiteral("changed by hand"));
        // Ticks within the same second post nothing, so the label keeps what it has.
        for (int i = 0; i < 3; ++i)
            m.form->ZylTimer_ActionTimer(m.form->ZylTimer_Action());
        QCoreApplication::processEvents();
        QCOMPARE(label->text(), QStringLiteral("changed by hand"));
        m.clock->AdvanceMSecs(1000);
        m.form->ZylTimer_ActionTimer(m.form->ZylTimer_Action());
        QTRY_COMPARE(label->text(), QStringLiteral("12/09/2026\n09:05:08 PM"));
    }

    void resizeCentresTheLabel()
    {
        MainWindowModules m;
        TForm_Hourglen& form = *m.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const auto centred = [&form] {
            const QWidget* panel = form.Panel1();
            const QLabel* label = form.Label_DateTime();
            return label->pos() ==
                   QPoint(panel->width() / 2 - label->width() / 2, panel->height() / 2 - label->height() / 2);
        };
        QTRY_VERIFY(centred());
        QCOMPARE(form.Label_Notification()->geometry(), QRect(0, 0, form.Panel1()->width(), 24));
        form.resize(701, 433);
        QTRY_COMPARE(form.Panel1()->width(), 701);
        QTRY_VERIFY(centred());
        QCOMPARE(form.Label_Notification()->geometry(), QRect(0, 0, 701, 24));
        QVERIFY(m.lines.contains(QStringLiteral("BEG    TForm_Hourglen.FormResize")));
        // A longer text changes the label's size where it stands; only a resize centres it again.
        const QPoint before = form.Label_DateTime()->pos();
        const int width = form.Label_DateTime()->width();
        FormatSettings.SetShortDateFormat(QStringLiteral("dddd, mmmm dd, yyyy"));
        m.clock->AdvanceMSecs(1000);
        QTRY_VERIFY(form.Label_DateTime()->width() > width);
        QCOMPARE(form.Label_DateTime()->pos(), before);
        QVERIFY(!centred());
        form.resize(702, 433);
        QTRY_VERIFY(centred());
    }

    void firstShowingBuildsTheListOnce()
    {
        MainWindowModules m;
        TForm_Hourglen& form = *m.form;
        // A file written as the editor does: one task.
        ClientTable& table = m.hourglen->ClientDataSet_Schedule();
        m.hourglen->EvaluateCdsStructure();
        table.insert();
        table.setValue(QStringLiteral("taskname"), QStringLiteral("/opt/job"));
        table.setValue(QStringLiteral("launchtime"), QTime(8, 0));
        table.post();
        m.hourglen->DataSetClose();
        QCOMPARE(m.hourglen->TriggerList()->Count(), 0);
        m.lines.clear();
        // Shown without being activated (focus-stealing prevention, started minimised).
        form.setAttribute(Qt::WA_ShowWithoutActivating);
        form.show();
        QCOMPARE(form.Tag, 1);
        QCOMPARE(m.hourglen->TriggerList()->Count(), 1);
        QCOMPARE(m.hourglen->TriggerList()->Entries().front().launchtime, QStringLiteral("08:00:00"));
        const qsizetype shown = m.lines.indexOf(QStringLiteral("BEG    TForm_Hourglen.FormShow"));
        QVERIFY(shown >= 0);
        QCOMPARE(m.lines.at(shown + 1), QStringLiteral("\tBEG    TDataModule_Hourglen.LoadTriggerList"));
        // Activations afterwards do not build it again.
        form.activateWindow();
        QTRY_VERIFY(m.lines.contains(QStringLiteral("BEG    TForm_Hourglen.FormActivate")));
        form.hide();
        form.show();
        QCOMPARE(countOf(m.lines, QStringLiteral("\tBEG    TDataModule_Hourglen.LoadTriggerList")), 1);
    }

    void unreadableScheduleIsReportedAndTicksGoOn()
    {
        MainWindowModules m;
        QFile file(m.hourglen->ClientDataSet_Schedule().fileName());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<not a data packet");
        file.close();
        m.form->show();
        QCOMPARE(m_reported.size(), 1);
        // The engine's own message.
        QVERIFY2(m_reported.front().startsWith(QStringLiteral("Error in datapacket at line 1, column ")),
                 qPrintable(m_reported.front()));
        QCOMPARE(m.form->Tag, 1);
        QVERIFY(m.form->ZylTimer_Action()->Enabled());
        m.clock->AdvanceMSecs(3000);
        QTRY_COMPARE(m.form->Label_DateTime()->text(), QStringLiteral("12/09/2026\n09:05:10 PM"));
    }

    void dueTaskLaunchedByTheTick()
    {
        MainWindowModules m;
        const QString job = m.program(QStringLiteral("job one.sh"));
        m.setList(
            {MainWindowModules::due(job, QStringLiteral(" --now \"a b\" "), QStringLiteral("21:05:09")),
             MainWindowModules::due(m.program(QStringLiteral("later.sh")), {}, QStringLiteral("21:06:00"))});
        m.clock->Set(Utc(21, 5, 9, 100));
        QTRY_COMPARE(m.launcher->started(), QStringList{job + QStringLiteral(" --now a b")});
        QTRY_COMPARE(m.form->LaunchThreadList().Count(), 0);
        QVERIFY(m.form->LaunchThreadList().Exists());
        QTRY_VERIFY(m.lines.contains(QStringLiteral("BEG    TForm_Hourglen.ThreadTerminateHandler")));
        QVERIFY(m.lines.contains(QStringLiteral("BEG    TForm_Hourglen.TriggerAlarmProcess")));
        // Further ticks in that second and after it launch nothing more.
        m.clock->AdvanceMSecs(1500);
        QTRY_COMPARE(m.form->Label_DateTime()->text(), QStringLiteral("12/09/2026\n09:05:10 PM"));
        QCOMPARE(m.launcher->started().size(), 1);
    }

    void missingProgramCountsAsLaunched()
    {
        MainWindowModules m;
        const QString missing = m.dir.filePath(QStringLiteral("gone.sh"));
        m.setList({MainWindowModules::due(missing, {}, QStringLiteral("21:05:08"))});
        m.clock->Set(Utc(21, 5, 8, 100));
        QTRY_VERIFY(!m.lines.filter(QStringLiteral("Cannot start \"") + missing).isEmpty());
        QCOMPARE(m.hourglen->TriggerList()->Entries().front().fired, 1);
        QVERIFY(m.launcher->started().isEmpty());
        QTRY_COMPARE(m.form->LaunchThreadList().Count(), 0);
        QVERIFY(m_reported.isEmpty());
    }

    void launchThreadThatCannotBeMadeIsTraced()
    {
        MainWindowModules m;
        const QString job = m.program(QStringLiteral("job.sh"));
        m.form->SetLaunchThreadFactory(
            [](const QString&, const QString&) -> std::unique_ptr<TThreadProcessLaunch> {
                throw std::system_error(EAGAIN, std::generic_category(), "thread creation");
            });
        m.setList({MainWindowModules::due(job, {}, QStringLiteral("21:05:08")),
                   MainWindowModules::due(job, QStringLiteral("second"), QStringLiteral("21:05:09"))});
        m.clock->Set(Utc(21, 5, 8, 100));
        QTRY_VERIFY(!m.lines.filter(QStringLiteral("Cannot start the launch thread for \"") + job).isEmpty());
        QVERIFY(m.form->LaunchThreadList().Count() == 0);
        QVERIFY(m_reported.isEmpty());
        // The tick went on: the next due task starts once threads can be made again.
        m.form->SetLaunchThreadFactory([l = m.launcher](const QString& command, const QString& parameter) {
            return std::make_unique<TThreadProcessLaunch>(command, parameter, l);
        });
        m.clock->Set(Utc(21, 5, 9, 100));
        QTRY_COMPARE(m.launcher->started(), QStringList{job + QStringLiteral(" second")});
        qsizetype failed = 0;
        while (failed < m.lines.size() &&
               !m.lines.at(failed).startsWith(QStringLiteral("Cannot start the launch")))
            ++failed;
        QVERIFY(failed > 0 && failed + 1 < m.lines.size());
        QCOMPARE(m.lines.at(failed - 1), QStringLiteral("BEG    TForm_Hourglen.TriggerAlarmProcess"));
        QCOMPARE(m.lines.at(failed + 1), QStringLiteral("END    TForm_Hourglen.TriggerAlarmProcess"));
    }

    // The tick does its work while the user-interface thread is busy for two seconds.
    void launchedOnTimeWhileTheUiThreadIsBusy()
    {
        MainWindowModules m;
        const QString job = m.program(QStringLiteral("busy.sh"));
        m.setList({MainWindowModules::due(job, {}, QStringLiteral("21:05:08"))});
        QElapsedTimer busy;
        busy.start();
        m.clock->Set(Utc(21, 5, 8, 0));
        qint64 seenAfter = -1;
        // No events are processed in here.
        while (busy.elapsed() < 2000) {
            if (seenAfter < 0 && !m.launcher->started().isEmpty())
                seenAfter = busy.elapsed();
        }
        QVERIFY2(seenAfter >= 0, "no launch while the user-interface thread was busy");
        // Ticks come every 0.3 s: the launch is within the task's second.
        QVERIFY2(seenAfter < 1000, qPrintable(QString::number(seenAfter)));
        QCOMPARE(m.launcher->started(), QStringList{job});
    }

    void closeWithoutLaunchThreads()
    {
        MainWindowModules m;
        TForm_Hourglen& form = *m.form;
        form.show();
        QSignalSpy closed(&form, &TForm_Hourglen::closed);
        m.lines.clear();
        QVERIFY(form.close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(form.windowTitle(), QStringLiteral("Hourglen"));
        QVERIFY(form.isEnabled());
        QVERIFY(!form.ZylTimer_Action()->Enabled());
        QVERIFY(!form.ZylTimer_Action()->TickRunning());
        QCOMPARE(m.lines.first(), QStringLiteral("BEG    TForm_Hourglen.FormClose"));
        QCOMPARE(m.lines.last(), QStringLiteral("END    TForm_Hourglen.FormClose"));
        // No tick after the close: the label stands still.
        const QString label = form.Label_DateTime()->text();
        m.clock->AdvanceMSecs(5000);
        QTest::qWait(700);
        QCOMPARE(form.Label_DateTime()->text(), label);
    }

    void closeWritesThePlacement()
    {
        MainWindowModules m;
        m.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m.form.get()));
        m.form->resize(500, 300);
        QVERIFY(m.form->close());
        QFile ini(CommonFormPlacement::ReturnIniFileNameFullName());
        QVERIFY2(ini.open(QIODevice::ReadOnly), qPrintable(ini.fileName()));
        const QString text = QString::fromUtf8(ini.readAll());
        QVERIFY(text.contains(QStringLiteral("[Form_Hourglen]")));
        for (const char* key :
             {"(TForm)_Height", "(TForm)_Width", "(TForm)_Left", "(TForm)_Top", "(TForm)_Position"})
            QVERIFY2(text.contains(QLatin1String(key)), key);
        QVERIFY(text.contains(QStringLiteral("(TForm)_Width=500")));
        // Shown once, the window no longer asks to be centred.
        QVERIFY(text.contains(QStringLiteral("(TForm)_Position=0")));
        const qsizetype closeBegin = m.lines.indexOf(QStringLiteral("BEG    TForm_Hourglen.FormClose"));
        QCOMPARE(m.lines.at(closeBegin + 1),
                 QStringLiteral("\tBEG    CommonFormPlacement.WriteFormParameters"));
    }

    void closeWaitsForLaunchThreads()
    {
        MainWindowModules m;
        TForm_Hourglen& form = *m.form;
        const QString a = m.program(QStringLiteral("a.sh"));
        const QString b = m.program(QStringLiteral("b.sh"));
        m.setList({MainWindowModules::due(a, {}, QStringLiteral("21:05:08")),
                   MainWindowModules::due(b, {}, QStringLiteral("21:05:08"))});
        m.launcher->hold();
        m.clock->Set(Utc(21, 5, 8, 100));
        QTRY_COMPARE(m.launcher->started().size(), 2);
        QCOMPARE(form.LaunchThreadList().Count(), 2);
        form.show();
        // While the close waits: the window disabled, its caption the closing text.
        QString captionWhileWaiting;
        bool enabledWhileWaiting = true;
        QTimer::singleShot(50, &form, [&] {
            captionWhileWaiting = form.windowTitle();
            enabledWhileWaiting = form.isEnabled();
            m.launcher->open();
        });
        QSignalSpy closed(&form, &TForm_Hourglen::closed);
        QVERIFY(form.close());
        QCOMPARE(closed.count(), 1);
        QCOMPARE(captionWhileWaiting, QStringLiteral("Closing application. Please wait..."));
        QVERIFY(!enabledWhileWaiting);
        QVERIFY(!form.LaunchThreadList().Exists());
        // Both threads reported their end while the close waited (trace lines of several threads
        // interleave, so only their order against the close's beginning is fixed).
        QStringList trimmed;
        for (const QString& line : m.lines)
            trimmed << line.trimmed();
        QCOMPARE(countOf(trimmed, QStringLiteral("BEG    TForm_Hourglen.ThreadTerminateHandler")), 2);
        const qsizetype closeBegin = trimmed.indexOf(QStringLiteral("BEG    TForm_Hourglen.FormClose"));
        QVERIFY(closeBegin > 0);
        QVERIFY(trimmed.indexOf(QStringLiteral("BEG    TForm_Hourglen.ThreadTerminateHandler")) > closeBegin);
    }

    void menuOpensItsWindowsModally_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("trace");
        QTest::newRow("schedule an event") << "MenuItemFile_ScheduleEvent"
                                           << "Form_SetSchedule"
                                           << "TForm_Hourglen.MenuItemFile_ScheduleEventClick";
        QTest::newRow("about") << "MenuItemHelp_About"
                               << "Form_About"
                               << "TForm_Hourglen.MenuItemHelp_AboutClick";
    }

    void menuOpensItsWindowsModally()
    {
        QFETCH(QString, item);
        QFETCH(QString, window);
        QFETCH(QString, trace);
        MainWindowModules m;
        m.form->show();
        QPointer<QWidget> shown;
        QString shownName;
        bool ticking = false;
        QTimer::singleShot(0, this, [&] {
            shown = QApplication::activeModalWidget();
            shownName = shown ? shown->objectName() : QString();
            ticking = m.form->ZylTimer_Action()->Enabled();
            if (shown)
                shown->close();
        });
        m.form->findChild<QAction*>(item)->trigger();
        QCOMPARE(shownName, window);
        QVERIFY(ticking);
        // Released as soon as the modal showing has ended.
        QVERIFY(shown.isNull());
        QVERIFY(m.lines.contains(QStringLiteral("BEG    ") + trace));
        QVERIFY(m.lines.contains(QStringLiteral("END    ") + trace));
    }

    void exitClosesTheWindow()
    {
        MainWindowModules m;
        m.form->show();
        QSignalSpy closed(m.form.get(), &TForm_Hourglen::closed);
        m.form->findChild<QAction*>(QStringLiteral("MenuItemFile_Exit"))->trigger();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!m.form->isVisible());
    }

    void destructionReleasesTheTriggerList()
    {
        MainWindowModules m;
        QVERIFY(m.hourglen->TriggerList());
        m.form->close();
        m.form.reset();
        QVERIFY(!m.hourglen->TriggerList());
    }

    // Ticks on several threads, the list rebuilt from the live table and launch threads ending, all
    // at once; run under the sanitizers.
    void stressTicksRebuildsAndLaunchThreads()
    {
        MainWindowModules m;
        m.form->ZylTimer_Action()->SetEnabled(false);
        ClientTable& table = m.hourglen->ClientDataSet_Schedule();
        m.hourglen->EvaluateCdsStructure();
        QStringList programs;
        for (int i = 0; i < 40; ++i) {
            programs << m.program(QStringLiteral("job%1.sh").arg(i));
            table.insert();
            table.setValue(QStringLiteral("taskname"), programs.last());
            table.setValue(QStringLiteral("launchtime"), QTime(21, 5, 8 + i % 40));
            table.setValue(QStringLiteral("launchcbwed"), QStringLiteral("1"));
            table.post();
        }
        std::atomic<bool> stop{false};
        std::vector<std::thread> tickers;
        for (int t = 0; t < 3; ++t) {
            tickers.emplace_back([&] {
                while (!stop.load())
                    m.form->ZylTimer_ActionTimer(m.form->ZylTimer_Action());
            });
        }
        std::thread clock([&] {
            while (!stop.load()) {
                m.clock->AdvanceMSecs(50);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        QElapsedTimer running;
        running.start();
        int rebuilds = 0;
        while (running.elapsed() < 1500) {
            m.hourglen->RebuildTriggerList();
            ++rebuilds;
            QCoreApplication::processEvents();
        }
        stop.store(true);
        for (std::thread& t : tickers)
            t.join();
        clock.join();
        QVERIFY(rebuilds > 0);
        m.form->close();
        QCOMPARE(m.form->LaunchThreadList().Count(), 0);
        const QStringList started = m.launcher->started();
        QVERIFY(!started.isEmpty());
        for (const QString& program : started)
            QVERIFY2(programs.contains(program), qPrintable(program));
        m.hourglen->DataSetClose();
    }

private:
    QStringList m_reported;
};

HOURGLEN_TEST_MAIN(TestMain)
#include "tst_Main.moc"
