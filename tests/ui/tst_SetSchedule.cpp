#include "common/FakeProcessLauncher.h"
#include "common/TestMain.h"
#include "core/ApplicationGlobal.h"
#include "core/Clock.h"
#include "core/FormatSettings.h"
#include "debugview/DebugBox.h"
#include "debugview/DebugWindow.h"
#include "schedule/ScheduleModuleFixture.h"
#include "schedule/triggerlist/TriggerList.h"
#include "support/CommonFormPlacement.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/TableModel.h"
#include "toolkit/widgets/DBCheckBox.h"
#include "toolkit/widgets/DBDateTimePicker.h"
#include "toolkit/widgets/DBEdit.h"
#include "toolkit/widgets/DBGrid.h"
#include "toolkit/widgets/DBNavigator.h"
#include "toolkit/widgets/DBRichEdit.h"
#include "toolkit/widgets/ErrorReport.h"
#include "toolkit/widgets/FileDialog.h"
#include "toolkit/widgets/MessageBox.h"
#include "ui/SetSchedule.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

// The schedule editor, driven through its controls with keys and mouse clicks under the offscreen
// platform, over the real schedule module and file.
class TestSetSchedule : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstOpeningOfAnEmptyTable();
    void browseOnAnEmptyTable();
    void newRowDefaults();
    void refusedPost_data();
    void refusedPost();
    void tooLongTaskNameIsRefused();
    void titleClicksSortAndShowArrows();
    void sortOrderWithNullsAndLetterCase();
    void dateAndWeekdaysExcludeEachOther();
    void browsingRowsChangesNothing();
    void weekdayClickInBrowseStartsAnEdit();
    void emptyWeekdayTextCountsAsChosen();
    void resizeWidensColumns_data();
    void resizeWidensColumns();
    void closingDiscardsTheRowBeingInserted();
    void sortIndexKeptForTheNextOpening();
    void postKeepsCurrentRowAndScrollPosition();
    void testButtonStartsTheTask();
    void failedWriteKeepsTheRows();
    void unreadableFileOpensNoEditor();
    void clearDebugWindowButton();
    void fullRound();

private:
    QString dataPath() const { return m_dir->path() + QStringLiteral("/data/Quillfern/Hourglen/2.0.0.0/"); }
    QString scheduleFile() const { return dataPath() + QStringLiteral("Hourglen.xml"); }
    void startModules(const QString& path);
    TForm_SetSchedule* openEditor();
    void closeEditor();
    ClientTable& table() const { return m_modules->table(); }
    template <class T> T* control(const char* name) const
    {
        T* found = m_form->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void clickButton(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    void clickNavigator(const char* name)
    {
        QTest::mouseClick(control<DBNavigator>("DBNavigator1")->findChild<QToolButton*>(QLatin1String(name)),
                          Qt::LeftButton);
    }
    void clickTitle(int column);
    void clickCheckBox(const char* name);
    void typeInto(QWidget* edit, const QString& text, bool replace = false);
    void addTask(const QString& name, const QVariant& date, const QTime& time, const QString& days);
    QStringList gridColumn(int column) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScheduleModules> m_modules;
    std::unique_ptr<TForm_SetSchedule> m_form;
    std::shared_ptr<TManualClock> m_clock;
    std::shared_ptr<TClock> m_realClock;
    QStringList m_messages;
};

namespace {

const QStringList Days{"launchcbsun", "launchcbmon", "launchcbtue", "launchcbwed",
                       "launchcbthu", "launchcbfri", "launchcbsat"};

NavigateButtons shownButtons(DBNavigator* navigator)
{
    NavigateButtons shown;
    for (NavigateButton which : {nbInsert, nbDelete, nbEdit, nbPost, nbCancel}) {
        if (!navigator->button(which)->isHidden())
            shown |= which;
    }
    return shown;
}

} // namespace

void TestSetSchedule::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QDir().mkpath(dataPath());
    // The placement file lives in a configuration folder of the test's own.
    ApplicationGlobal::ConfigPath = m_dir->path() + QStringLiteral("/config/");
    QDir().mkpath(ApplicationGlobal::ConfigPath);
    TFormatSettings settings;
    settings.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    settings.LongTimeFormat = QStringLiteral("hh:nn:ss AMPM");
    FormatSettings.Set(settings);
    m_clock = std::make_shared<TManualClock>(QDateTime(QDate(2026, 3, 2), QTime(9, 15, 30, 250)));
    m_realClock = Clock::Replace(m_clock);
    m_messages.clear();
    ErrorReport::setReporter([this](const QString& message) { m_messages << message; });
    MessageBox::clearAnswers();
    FileDialog::clearAnswers();
    startModules(dataPath());
}

void TestSetSchedule::cleanup()
{
    if (m_form)
        closeEditor();
    m_modules.reset();
    ApplicationGlobal::ConfigPath.clear();
    Clock::Replace(m_realClock);
    ErrorReport::setReporter({});
    QCOMPARE(MessageBox::pendingAnswers(), 0);
    QCOMPARE(FileDialog::pendingAnswers(), 0);
}

void TestSetSchedule::startModules(const QString& path)
{
    m_modules = std::make_unique<ScheduleModules>(path);
}

TForm_SetSchedule* TestSetSchedule::openEditor()
{
    m_form = TForm_SetSchedule::Open(nullptr);
    if (!m_form)
        return nullptr;
    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    if (!QTest::qWaitForWindowActive(m_form.get()))
        qWarning("the editor did not become active");
    return m_form.get();
}

void TestSetSchedule::closeEditor()
{
    m_form->close();
    TForm_SetSchedule::Release(std::move(m_form));
}

void TestSetSchedule::clickTitle(int column)
{
    QHeaderView* header = m_form->wwDBGrid1->horizontalHeader();
    const QPoint place(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                       header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, place);
}

void TestSetSchedule::clickCheckBox(const char* name)
{
    auto* box = control<DBCheckBox>(name);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
}

void TestSetSchedule::typeInto(QWidget* edit, const QString& text, bool replace)
{
    QWidget* target = edit->focusProxy() ? edit->focusProxy() : edit;
    target->setFocus(Qt::MouseFocusReason);
    if (replace) {
        QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_Backspace);
    }
    QTest::keyClicks(target, text);
}

void TestSetSchedule::addTask(const QString& name, const QVariant& date, const QTime& time,
                              const QString& days)
{
    // Rows a test starts from go in through the table; the behaviour under test goes through the window.
    table().insert();
    table().setValue(QStringLiteral("taskname"), name);
    table().setValue(QStringLiteral("launchdate"), date);
    table().setValue(QStringLiteral("launchtime"), time);
    for (int day = 0; day < 7; ++day)
        table().setValue(Days.at(day), days.mid(day, 1));
    table().post();
}

QStringList TestSetSchedule::gridColumn(int column) const
{
    QStringList texts;
    const TableModel* model = m_form->wwDBGrid1->tableModel();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->data(model->index(row, column)).toString();
    return texts;
}

void TestSetSchedule::firstOpeningOfAnEmptyTable()
{
    QVERIFY(!QFile::exists(scheduleFile()));
    QVERIFY(openEditor());
    QCOMPARE(Form_SetSchedule, m_form.get());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Schedule"));
    QVERIFY(m_modules->trace.trimmed().contains(QStringLiteral("BEG    REDTForm_SetSchedule.FormCreate")));
    QCOMPARE(table().state(), TableState::Browse);
    QCOMPARE(table().indexName(), QStringLiteral("CDSPrimaryIndex"));
    QCOMPARE(shownButtons(m_form->DBNavigator1Widget), NavigateButtons(nbInsert));
    QVERIFY(m_form->wwDBGrid1->isEnabled());
    QVERIFY(m_form->BitBtn_TestRun->isEnabled());
    QVERIFY(m_form->LinkedFieldsBusy == false);
    for (int column = 0; column < 4; ++column)
        QCOMPARE(m_form->wwDBGrid1->titleImageIndex(column), -1);
    QCOMPARE(m_form->wwDBGrid1->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Task Name"));
    QCOMPARE(m_form->wwDBGrid1->palette().color(QPalette::Base), QColor(192, 220, 192));
    QVERIFY(m_form->BitBtn_ClearDebugWindow->isHidden()); // no "/DEBUG"
    QCOMPARE(control<QPushButton>("BitBtn_Close")->toolTip(),
             QStringLiteral("Changes take effect when this screen is closed"));
    QCOMPARE(m_form->DBNavigator1Widget->button(nbInsert)->toolTip(), QStringLiteral("Insert record"));
    // The fitted grid is centred across the window, and its columns fit in it.
    const QRect grid = m_form->wwDBGrid1->geometry();
    QVERIFY(qAbs(grid.left() - (m_form->width() - grid.right() - 1)) <= 1);
    QVERIFY2(grid.left() >= 0, qPrintable(QString::number(grid.left())));
    QVERIFY(!m_form->wwDBGrid1->horizontalScrollBar()->isVisible());
    // Every label shows its whole text in the window's font.
    for (const QLabel* label : m_form->findChildren<QLabel*>())
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
}

void TestSetSchedule::browseOnAnEmptyTable()
{
    const QString program = m_dir->path() + QStringLiteral("/bin/task.sh");
    QDir().mkpath(m_dir->path() + QStringLiteral("/bin"));
    QVERIFY(openEditor());
    FileDialog::setNextFileName(program);
    clickButton("BitBtn_Browse");

    QCOMPARE(table().state(), TableState::Insert);
    QCOMPARE(table().value(QStringLiteral("taskname")).toString(), program);
    QCOMPARE(m_form->wwDBEdit_TaskName->text(), program);
    for (const QString& day : Days)
        QCOMPARE(table().value(day).toString(), QStringLiteral("0"));
    QCOMPARE(shownButtons(m_form->DBNavigator1Widget), nbPost | nbCancel);
    QVERIFY(!m_form->wwDBGrid1->isEnabled());
    QVERIFY(!m_form->BitBtn_TestRun->isEnabled());

    const std::optional<FileDialog::OpenRequest> asked = FileDialog::lastRequest();
    QVERIFY(asked);
    QCOMPARE(asked->filters, (QStringList{"Executable files (*)", "Program Files (*.exe)",
                                          "Batch Files (*.bat)", "Command Files (*.com)", "All Files (*)"}));
    QCOMPARE(asked->selectedFilter, QStringLiteral("Executable files (*)"));
    QCOMPARE(asked->executableFilter, QStringLiteral("Executable files (*)"));
    QVERIFY(asked->fileName.isEmpty());
    QVERIFY(asked->directory.isEmpty()); // no task yet

    // A second Browse starts in the task's folder; dismissing it changes nothing.
    FileDialog::setNextFileName(QString());
    clickButton("BitBtn_Browse");
    QCOMPARE(FileDialog::lastRequest()->directory, m_dir->path() + QStringLiteral("/bin"));
    QCOMPARE(table().value(QStringLiteral("taskname")).toString(), program);
    QCOMPARE(table().state(), TableState::Insert);
}

void TestSetSchedule::newRowDefaults()
{
    QVERIFY(openEditor());
    clickNavigator("nbInsert");
    QCOMPARE(table().state(), TableState::Insert);
    for (const QString& day : Days)
        QCOMPARE(table().value(day).toString(), QStringLiteral("0"));
    QCOMPARE(table().value(QStringLiteral("launchtime")).toTime(), QTime(9, 15, 30, 250));
    QCOMPARE(m_form->wwDBDateTimePicker_LaunchTime->text(),
             QLocale().toString(QTime(9, 15, 30), "hh:mm:ss AP"));
    for (const char* field : {"taskname", "taskparm", "launchdate", "taskmemo"})
        QVERIFY(!table().value(QLatin1String(field)).isValid());
    QCOMPARE(m_form->focusWidget(), m_form->wwDBEdit_TaskName);
    QCOMPARE(control<DBCheckBox>("DBCheckBox1")->checkState(), Qt::Unchecked);
}

void TestSetSchedule::refusedPost_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("clearTime");
    QTest::addColumn<bool>("tickDay");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focused");
    QTest::newRow("blank name") << "   " << false << true << "Task Name cannot be blank"
                                << "wwDBEdit_TaskName";
    QTest::newRow("blank time") << "/bin/true" << true << false << "Launch Time cannot be blank"
                                << "wwDBDateTimePicker_LaunchTime";
    QTest::newRow("no date, no day")
        << "/bin/true" << false << false
        << "Launch Date can be blank and Launch Day can be blank, but not both at the same time"
        << "wwDBDateTimePicker_LaunchDate";
}

void TestSetSchedule::refusedPost()
{
    QFETCH(QString, name);
    QFETCH(bool, clearTime);
    QFETCH(bool, tickDay);
    QFETCH(QString, message);
    QFETCH(QString, focused);
    QVERIFY(openEditor());
    clickNavigator("nbInsert");
    typeInto(m_form->wwDBEdit_TaskName, name);
    typeInto(m_form->wwDBEdit_TaskParm, QStringLiteral("-v"));
    if (clearTime)
        typeInto(m_form->wwDBDateTimePicker_LaunchTime, QString(), true);
    if (tickDay)
        clickCheckBox("DBCheckBox2");
    clickNavigator("nbPost");

    QCOMPARE(m_messages, QStringList{message});
    QCOMPARE(table().state(), TableState::Insert);
    QCOMPARE(table().recordCount(), 0);
    QWidget* focus = m_form->focusWidget();
    QVERIFY(focus);
    QWidget* expected = m_form->findChild<QWidget*>(focused);
    QVERIFY2(focus == expected || expected->isAncestorOf(focus), qPrintable(focus->objectName()));
    // The user's values stay, the trimmed name included.
    QCOMPARE(table().value(QStringLiteral("taskparm")).toString(), QStringLiteral("-v"));
    QCOMPARE(m_form->wwDBEdit_TaskParm->text(), QStringLiteral("-v"));
    QCOMPARE(table().value(QStringLiteral("taskname")).toString(), name.trimmed());
    QCOMPARE(table().value(QStringLiteral("launchcbmon")).toString(),
             tickDay ? QStringLiteral("1") : QStringLiteral("0"));
}

void TestSetSchedule::tooLongTaskNameIsRefused()
{
    QVERIFY(openEditor());
    clickNavigator("nbInsert");
    clickCheckBox("DBCheckBox2");
    const QString name = QStringLiteral("/") + QString(300, u'a');
    m_form->wwDBEdit_TaskName->setFocus();
    m_form->wwDBEdit_TaskName->insert(name);           // as a paste would
    QCOMPARE(m_form->wwDBEdit_TaskName->text(), name); // nothing cut off silently
    m_form->wwDBEdit_TaskParm->setFocus();
    clickNavigator("nbPost");
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(QStringLiteral("too long")), qPrintable(m_messages.first()));
    QVERIFY(m_messages.first().contains(QStringLiteral("taskname")));
    QCOMPARE(table().state(), TableState::Insert);
    QCOMPARE(m_form->focusWidget(), m_form->wwDBEdit_TaskName);
    QCOMPARE(m_form->wwDBEdit_TaskName->text(), name);
}

void TestSetSchedule::titleClicksSortAndShowArrows()
{
    QVERIFY(openEditor());
    addTask(QStringLiteral("/b"), QDate(2026, 5, 1), QTime(8, 0), QStringLiteral("0000000"));
    addTask(QStringLiteral("/a"), QVariant(), QTime(9, 0), QStringLiteral("0100000"));
    addTask(QStringLiteral("/c"), QDate(2026, 4, 1), QTime(7, 0), QStringLiteral("0000000"));

    clickTitle(0);
    QCOMPARE(m_modules->hourglen->GetIndexName(), QStringLiteral("X-1TASKNAME"));
    QCOMPARE(gridColumn(0), (QStringList{"/c", "/b", "/a"}));
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(0), 2);
    clickTitle(0);
    QCOMPARE(m_modules->hourglen->GetIndexName(), QStringLiteral("X1TASKNAME"));
    QCOMPARE(gridColumn(0), (QStringList{"/a", "/b", "/c"}));
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(0), 0);
    clickTitle(0);
    QCOMPARE(m_modules->hourglen->GetIndexName(), QStringLiteral("X-1TASKNAME"));
    clickTitle(2); // another column, in the direction used last
    QCOMPARE(m_modules->hourglen->GetIndexName(), QStringLiteral("X-1LAUNCHDATE"));
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(0), -1);
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(2), 2);
    QCOMPARE(m_form->SortFieldName, QStringLiteral("LAUNCHDATE"));

    // An edit turns the arrow into its outline; post and cancel make it solid again.
    clickNavigator("nbEdit");
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(2), 3);
    clickNavigator("nbCancel");
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(2), 2);
    clickTitle(2); // ascending
    clickNavigator("nbEdit");
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(2), 1);
    typeInto(m_form->wwDBEdit_TaskParm, QStringLiteral("x"));
    clickNavigator("nbPost");
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(2), 0);

    // Only the active window shows arrows.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(2), -1);
}

void TestSetSchedule::sortOrderWithNullsAndLetterCase()
{
    QVERIFY(openEditor());
    addTask(QStringLiteral("/b"), QDate(2026, 5, 1), QTime(8, 0), QStringLiteral("0000000"));
    addTask(QStringLiteral("/Apple"), QVariant(), QTime(9, 0), QStringLiteral("0100000"));
    addTask(QStringLiteral("/C"), QDate(2026, 4, 1), QTime(7, 0), QStringLiteral("0000000"));
    addTask(QStringLiteral("/apple"), QVariant(), QTime(6, 0), QStringLiteral("0010000"));

    clickTitle(0);
    clickTitle(0); // ascending by name
    const QStringList names = gridColumn(0);
    QCOMPARE(names.mid(2), (QStringList{"/b", "/C"}));
    QCOMPARE(QSet<QString>(names.begin(), names.begin() + 2), (QSet<QString>{"/apple", "/Apple"}));

    clickTitle(2); // by date, in the direction used last: ascending, blank dates first
    QCOMPARE(m_modules->hourglen->GetIndexName(), QStringLiteral("X1LAUNCHDATE"));
    QStringList dates = gridColumn(2);
    QCOMPARE(dates.mid(0, 2), (QStringList{QString(), QString()}));
    QCOMPARE(dates.mid(2), (QStringList{DateToStr(QDate(2026, 4, 1)), DateToStr(QDate(2026, 5, 1))}));
    clickTitle(2); // descending, blank dates last
    dates = gridColumn(2);
    QCOMPARE(dates.mid(0, 2), (QStringList{DateToStr(QDate(2026, 5, 1)), DateToStr(QDate(2026, 4, 1))}));
    QCOMPARE(dates.mid(2), (QStringList{QString(), QString()}));
}

void TestSetSchedule::dateAndWeekdaysExcludeEachOther()
{
    QVERIFY(openEditor());
    addTask(QStringLiteral("/a"), QDate(2026, 5, 1), QTime(8, 0), QStringLiteral("0000000"));
    clickNavigator("nbEdit");
    clickCheckBox("DBCheckBox3"); // a tick clears the date
    QVERIFY(!table().value(QStringLiteral("launchdate")).isValid());
    QCOMPARE(m_form->wwDBDateTimePicker_LaunchDate->text(), QString());
    QCOMPARE(table().value(QStringLiteral("launchcbtue")).toString(), QStringLiteral("1"));
    clickCheckBox("DBCheckBox3"); // so does taking it off
    clickCheckBox("DBCheckBox5");
    QCOMPARE(table().value(QStringLiteral("launchcbthu")).toString(), QStringLiteral("1"));

    // A typed date clears every tick; two-digit years fall in 1950 to 2049.
    typeInto(m_form->wwDBDateTimePicker_LaunchDate, QStringLiteral("12/25/30"));
    for (const QString& day : Days)
        QCOMPARE(table().value(day).toString(), QStringLiteral("0"));
    QCOMPARE(control<DBCheckBox>("DBCheckBox5")->checkState(), Qt::Unchecked);
    clickNavigator("nbPost");
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QCOMPARE(table().value(QStringLiteral("launchdate")).toDate(), QDate(2030, 12, 25));
    QVERIFY(!m_form->LinkedFieldsBusy);
}

void TestSetSchedule::browsingRowsChangesNothing()
{
    QVERIFY(openEditor());
    addTask(QStringLiteral("/a"), QDate(2026, 5, 1), QTime(8, 0), QStringLiteral("0000000"));
    addTask(QStringLiteral("/b"), QVariant(), QTime(8, 0), QStringLiteral("1010101"));
    const qsizetype rowsBefore = table().storedRows().size();
    const qsizetype logBefore = table().changeLog().size();
    DBGrid* grid = m_form->wwDBGrid1;
    for (int row : {1, 0, 1}) {
        const QRect cell = grid->visualRect(grid->model()->index(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(table().recNo(), row);
        QCOMPARE(table().state(), TableState::Browse);
    }
    QCOMPARE(control<DBCheckBox>("DBCheckBox1")->checkState(), Qt::Checked);
    QCOMPARE(table().storedRows().size(), rowsBefore);
    QCOMPARE(table().changeLog().size(), logBefore);
    QCOMPARE(table().value(QStringLiteral("launchcbsun")).toString(), QStringLiteral("1"));
    QVERIFY(m_messages.isEmpty());
}

void TestSetSchedule::weekdayClickInBrowseStartsAnEdit()
{
    QVERIFY(openEditor());
    addTask(QStringLiteral("/a"), QDate(2026, 5, 1), QTime(8, 0), QStringLiteral("0000000"));
    clickCheckBox("DBCheckBox1");
    QCOMPARE(table().state(), TableState::Edit);
    QVERIFY(!table().value(QStringLiteral("launchdate")).isValid());
    QCOMPARE(table().value(QStringLiteral("launchcbsun")).toString(), QStringLiteral("1"));
    QCOMPARE(shownButtons(m_form->DBNavigator1Widget), nbPost | nbCancel);
    QVERIFY(!m_form->wwDBGrid1->isEnabled());
}

void TestSetSchedule::emptyWeekdayTextCountsAsChosen()
{
    QVERIFY(openEditor());
    addTask(QStringLiteral("/a"), QVariant(), QTime(8, 0), QStringLiteral("0100000"));
    table().edit();                                             // a row as another tool may have written it
    table().setValue(QStringLiteral("launchcbwed"), QString()); // empty, not "0"
    table().setValue(QStringLiteral("launchcbmon"), QStringLiteral("0"));
    QCOMPARE(control<DBCheckBox>("DBCheckBox4")->checkState(), Qt::PartiallyChecked);
    clickNavigator("nbPost");
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QCOMPARE(table().state(), TableState::Browse);
    QCOMPARE(table().value(QStringLiteral("launchcbwed")).toString(), QString());
}

void TestSetSchedule::resizeWidensColumns_data()
{
    QTest::addColumn<int>("outerWidth");
    QTest::addColumn<int>("nameWidth");
    QTest::addColumn<int>("parmWidth");
    QTest::newRow("574") << 574 << 40 << 20;
    QTest::newRow("585") << 585 << 40 << 20;
    QTest::newRow("598") << 598 << 42 << 22;
}

void TestSetSchedule::resizeWidensColumns()
{
    QFETCH(int, outerWidth);
    QFETCH(int, nameWidth);
    QFETCH(int, parmWidth);
    QVERIFY(openEditor());
    m_form->resize(m_form->width() + 100, m_form->height());
    const int frame = m_form->OuterWidth() - m_form->width();
    m_form->resize(outerWidth - frame, m_form->height());
    QTRY_COMPARE(m_form->OuterWidth(), outerWidth);
    QTRY_COMPARE(table().fieldByName(QStringLiteral("taskname")).displayWidth(), nameWidth);
    QCOMPARE(table().fieldByName(QStringLiteral("taskparm")).displayWidth(), parmWidth);
    QCOMPARE(m_form->wwDBGrid1->columnWidth(0),
             m_form->wwDBGrid1->columnWidthFor(table().fieldByName(QStringLiteral("taskname"))));
}

void TestSetSchedule::closingDiscardsTheRowBeingInserted()
{
    QVERIFY(openEditor());
    addTask(QStringLiteral("/posted"), QVariant(), QTime(8, 0), QStringLiteral("0100000"));
    clickNavigator("nbInsert");
    typeInto(m_form->wwDBEdit_TaskName, QStringLiteral("/unposted"));
    clickCheckBox("DBCheckBox2");
    clickButton("BitBtn_Close");
    QVERIFY(!m_form->isVisible());
    const std::vector<TRec> entries = m_modules->hourglen->TriggerList()->Entries();
    QCOMPARE(entries.size(), std::size_t(1));
    QCOMPARE(entries.front().taskname, QStringLiteral("/posted"));
    QCOMPARE(entries.front().launchcbmon, QStringLiteral("1"));
    QCOMPARE(entries.front().fired, 0);
    QVERIFY(m_modules->trace.trimmed().contains(QStringLiteral("BEG    TForm_SetSchedule.FormClose")));
    QVERIFY(fileBytes(CommonFormPlacement::ReturnIniFileNameFullName()).contains("[Form_SetSchedule]"));

    TForm_SetSchedule::Release(std::move(m_form)); // destruction writes the file
    QCOMPARE(Form_SetSchedule, nullptr);
    QVERIFY(!table().active());
    const QByteArray file = fileBytes(scheduleFile());
    QVERIFY(file.contains("/posted"));
    QVERIFY(!file.contains("/unposted"));
}

void TestSetSchedule::sortIndexKeptForTheNextOpening()
{
    QVERIFY(openEditor());
    addTask(QStringLiteral("/a"), QVariant(), QTime(8, 0), QStringLiteral("0100000"));
    clickTitle(1); // X1TASKPARM
    clickTitle(1); // X-1TASKPARM
    QCOMPARE(m_modules->hourglen->GetIndexName(), QStringLiteral("X-1TASKPARM"));
    closeEditor();

    QVERIFY(openEditor());
    QCOMPARE(m_modules->hourglen->GetIndexName(), QStringLiteral("X-1TASKPARM"));
    QCOMPARE(m_form->wwDBGrid1->titleImageIndex(1), 2);
    QCOMPARE(m_form->SortFieldName, QStringLiteral("TASKNAME")); // the window's memory starts afresh
    QCOMPARE(m_form->SortDirection, 1);
    clickTitle(0); // so the first click on "Task Name" sorts descending
    QCOMPARE(m_modules->hourglen->GetIndexName(), QStringLiteral("X-1TASKNAME"));
}

void TestSetSchedule::postKeepsCurrentRowAndScrollPosition()
{
    QVERIFY(openEditor());
    for (int i = 0; i < 60; ++i)
        addTask(QStringLiteral("/task%1").arg(i, 2, 10, QLatin1Char('0')), QVariant(), QTime(8, 0),
                QStringLiteral("0100000"));
    DBGrid* grid = m_form->wwDBGrid1;
    grid->resize(grid->width(), 200);
    // Row 45 in the middle of the view, not at an edge where showing it again would put it.
    grid->scrollTo(grid->model()->index(42, 0), QAbstractItemView::PositionAtTop);
    QSignalSpy resets(grid->model(), &QAbstractItemModel::modelReset);
    const QRect cell = grid->visualRect(grid->model()->index(45, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(table().recNo(), 45);
    const int scroll = grid->verticalScrollBar()->value();
    QVERIFY(scroll > 0);

    typeInto(m_form->wwDBEdit_TaskParm, QStringLiteral("--fast"));
    QCOMPARE(table().state(), TableState::Edit);
    clickNavigator("nbPost");
    QVERIFY(m_messages.isEmpty());
    QCOMPARE(table().recNo(), 45);
    QCOMPARE(grid->currentIndex().row(), 45);
    QVERIFY(grid->selectionModel()->isRowSelected(45, {}));
    QCOMPARE(grid->verticalScrollBar()->value(), scroll);
    QCOMPARE(grid->model()->data(grid->model()->index(45, 1)).toString(), QStringLiteral("--fast"));
    QCOMPARE(resets.count(), 0);
}

void TestSetSchedule::testButtonStartsTheTask()
{
    QVERIFY(openEditor());
    const QString program = m_dir->path() + QStringLiteral("/task.sh");
    QFile file(program);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    addTask(program, QVariant(), QTime(8, 0), QStringLiteral("0100000"));
    table().edit();
    table().setValue(QStringLiteral("taskparm"), QStringLiteral("  \t "));
    table().post();
    QDir().mkpath(m_dir->path() + QStringLiteral("/zfolder"));
    addTask(m_dir->path() + QStringLiteral("/zfolder"), QVariant(), QTime(9, 0), QStringLiteral("0100000"));
    auto launcher = std::make_shared<FakeProcessLauncher>();
    m_form->SetProcessLauncher(launcher);

    table().first();
    QCOMPARE(m_form->wwDBEdit_TaskName->text(), program);
    clickButton("BitBtn_TestRun");
    QCOMPARE(launcher->launches().size(), std::size_t(1));
    QCOMPARE(launcher->launches().front().program, program);
    QVERIFY(launcher->launches().front().arguments.isEmpty()); // blanks only: no parameter

    table().next();
    clickButton("BitBtn_TestRun"); // a folder is no program: nothing, silently
    QCOMPARE(launcher->launches().size(), std::size_t(1));
    QVERIFY(m_messages.isEmpty());
}

void TestSetSchedule::failedWriteKeepsTheRows()
{
    // A file stands where the data folder should be: the write on destruction fails.
    const QString missing = m_dir->path() + QStringLiteral("/blocked/");
    writeBytes(m_dir->path() + QStringLiteral("/blocked"), "not a folder");
    m_modules.reset();
    startModules(missing);
    QVERIFY(openEditor());
    clickNavigator("nbInsert");
    typeInto(m_form->wwDBEdit_TaskName, QStringLiteral("/kept"));
    clickCheckBox("DBCheckBox2");
    clickNavigator("nbPost");
    QVERIFY(m_messages.isEmpty());
    closeEditor();
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(QStringLiteral("Cannot create file")),
             qPrintable(m_messages.first()));
    QVERIFY(table().active());
    QCOMPARE(table().recordCount(), 1);

    m_messages.clear();
    QVERIFY(QFile::remove(m_dir->path() + QStringLiteral("/blocked")));
    QVERIFY(openEditor()); // the rows it had
    QCOMPARE(m_form->wwDBGrid1->model()->rowCount(), 1);
    QCOMPARE(m_form->wwDBEdit_TaskName->text(), QStringLiteral("/kept"));
    closeEditor();
    QVERIFY(m_messages.isEmpty());
    QVERIFY(fileBytes(missing + QStringLiteral("Hourglen.xml")).contains("/kept"));
}

void TestSetSchedule::unreadableFileOpensNoEditor()
{
    const QByteArray broken = scheduleHead() + "<ROWDATA><ROW taskname=\"/a\"";
    writeBytes(scheduleFile(), broken);
    m_form = TForm_SetSchedule::Open(nullptr);
    QVERIFY(!m_form);
    QCOMPARE(Form_SetSchedule, nullptr);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY(!m_messages.first().isEmpty());
    QVERIFY(!table().active());
    QCOMPARE(fileBytes(scheduleFile()), broken); // never overwritten
}

void TestSetSchedule::clearDebugWindowButton()
{
    m_modules.reset();
    m_modules = std::make_unique<ScheduleModules>(dataPath(), std::make_unique<TDebugWindow>());
    TkvtDebugBox* box = DebugBoxOf(m_modules->trace.module());
    QVERIFY(box);
    box->SetVisible(true);
    box->SetPopulating(true);
    QVERIFY(openEditor());
    QVERIFY(!m_form->BitBtn_ClearDebugWindow->isHidden());
    QTRY_VERIFY(!box->View()->toPlainText().isEmpty());
    clickButton("BitBtn_ClearDebugWindow");
    QVERIFY(box->View()->toPlainText().isEmpty());
    box->SetVisible(false);
}

void TestSetSchedule::fullRound()
{
    const QString program = m_dir->path() + QStringLiteral("/weekly.sh");
    QVERIFY(openEditor());
    FileDialog::setNextFileName(program);
    clickButton("BitBtn_Browse");
    clickCheckBox("DBCheckBox2"); // Monday
    typeInto(m_form->wwDBDateTimePicker_LaunchTime, QStringLiteral("08:00:00 AM"), true);
    typeInto(m_form->wwDBRichEdit_TaskMemo, QStringLiteral("every week"));
    clickNavigator("nbPost");
    QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    QCOMPARE(table().state(), TableState::Browse);
    QCOMPARE(shownButtons(m_form->DBNavigator1Widget), nbInsert | nbDelete | nbEdit);
    QVERIFY(table().value(QStringLiteral("taskmemo")).toString().contains(QStringLiteral("every week")));
    QVERIFY(
        table().value(QStringLiteral("taskmemo")).toString().startsWith(QStringLiteral("<!DOCTYPE HTML")));
    clickButton("BitBtn_Close");
    TForm_SetSchedule::Release(std::move(m_form));

    const std::vector<TRec> entries = m_modules->hourglen->TriggerList()->Entries();
    QCOMPARE(entries.size(), std::size_t(1));
    QCOMPARE(entries.front().taskname, program);
    QCOMPARE(entries.front().launchcbmon, QStringLiteral("1"));
    QCOMPARE(entries.front().launchtime, TimeToStr(QTime(8, 0)));
    QCOMPARE(entries.front().launchdate, QString());
    QCOMPARE(entries.front().fired, 0);
    QVERIFY(fileBytes(scheduleFile()).contains(program.toUtf8()));
}

HOURGLEN_TEST_MAIN(TestSetSchedule)
#include "tst_SetSchedule.moc"
