#include "ui/SetSchedule.h"

#include "core/DataModuleDebug.h"
#include "core/FormatSettings.h"
#include "debugview/DebugBox.h"
#include "debugview/DebugWindow.h"
#include "platform/ProcessLauncher.h"
#include "schedule/DataModuleDatabase.h"
#include "schedule/HourglenDataModule.h"
#include "support/AlterGrid.h"
#include "support/CommonFormPlacement.h"
#include "support/LibStrng.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataSource.h"
#include "toolkit/table/TableModel.h"
#include "toolkit/widgets/DBCheckBox.h"
#include "toolkit/widgets/DBDateTimePicker.h"
#include "toolkit/widgets/DBEdit.h"
#include "toolkit/widgets/DBGrid.h"
#include "toolkit/widgets/DBNavigator.h"
#include "toolkit/widgets/DBRichEdit.h"
#include "toolkit/widgets/ErrorReport.h"
#include "toolkit/widgets/FileDialog.h"
#include "trigger/LaunchCreateProcess.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include <cmath>

TForm_SetSchedule* Form_SetSchedule = nullptr;

namespace {

// The window at design: client area, minimum outer size, and the frame between them.
constexpr QSize DesignClient(558, 436);
constexpr int MinOuterWidth = 574;
constexpr int MinOuterHeight = 474;
constexpr int DesignFrameWidth = MinOuterWidth - 558;
constexpr int DesignFontPixels = 10;
const QRect DesignGrid(8, 7, 543, 152);

const char* const DayFields[] = {"launchcbsun", "launchcbmon", "launchcbtue", "launchcbwed",
                                 "launchcbthu", "launchcbfri", "launchcbsat"};
const char* const DayLabels[] = {"Su", "M", "Tu", "W", "Th", "F", "Sa"};
const int DayX[] = {16, 37, 58, 79, 100, 120, 141};

// The filter entries of the file dialog: files the user may execute first (programs and scripts
// have no ending of their own here), then the program, batch and command files, then every file.
const QString ExecutableFilter = QStringLiteral("Executable files (*)");
const QStringList BrowseFilters = {ExecutableFilter, QStringLiteral("Program Files (*.exe)"),
                                   QStringLiteral("Batch Files (*.bat)"),
                                   QStringLiteral("Command Files (*.com)"), QStringLiteral("All Files (*)")};

int RoundHalfAway(double value)
{
    return int(value < 0 ? std::ceil(value - 0.5) : std::floor(value + 0.5));
}

// Qt's date format for the program's short date format ("mm/dd/yyyy": months, days, years).
QString QtDateFormat(const TFormatSettings& settings)
{
    QString format;
    for (const QChar c : settings.ShortDateFormat) {
        switch (c.toLower().unicode()) {
        case 'm':
            format += u'M';
            break;
        case 'd':
            format += u'd';
            break;
        case 'y':
            format += u'y';
            break;
        case '/':
            format += settings.DateSeparator;
            break;
        default:
            format += c;
            break;
        }
    }
    return format;
}

QPushButton* GlyphButton(QWidget* parent, const char* name, const QString& caption,
                         QStyle::StandardPixmap glyph, const QString& hint)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    // The style's icon carries its own disabled look.
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(hint);
    button->setAutoDefault(false); // Enter in an edit never closes or browses
    return button;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->adjustSize();
    label->move(x, y);
    return label;
}

} // namespace

TForm_SetSchedule::TForm_SetSchedule(QWidget* parent) : QDialog(parent), m_launcher(ProcessLauncher::system())
{
    setObjectName(QStringLiteral("Form_SetSchedule"));
    setWindowTitle(QStringLiteral("Schedule"));
    setMinimumSize(MinOuterWidth - DesignFrameWidth,
                   MinOuterHeight - (MinOuterHeight - DesignClient.height()));
    resize(DesignClient);
    QFont designFont = font();
    designFont.setPixelSize(DesignFontPixels);
    setFont(designFont);
    BuildControls();
    m_created = ErrorReport::guard([this] { FormCreate(); }, this);
    if (!m_created) {
        // The editor does not open on a table that could not be read whole; a table that did
        // open is closed unchanged, so its file is not written.
        ErrorReport::guard([] {
            if (DataModule_Hourglen && DataModule_Hourglen->ClientDataSet_Schedule().active())
                DataModule_Hourglen->ClientDataSet_Schedule().close();
        });
    }
}

TForm_SetSchedule::~TForm_SetSchedule()
{
    FormDestroy();
}

std::unique_ptr<TForm_SetSchedule> TForm_SetSchedule::Open(QWidget* parent)
{
    auto form = std::make_unique<TForm_SetSchedule>(parent);
    if (!form->Created())
        return nullptr;
    Form_SetSchedule = form.get();
    if (DataModule_Hourglen)
        DataModule_Hourglen->SetScheduleEditor(form.get());
    return form;
}

void TForm_SetSchedule::Release(std::unique_ptr<TForm_SetSchedule> form)
{
    form.reset();
    Form_SetSchedule = nullptr;
    if (DataModule_Hourglen)
        DataModule_Hourglen->SetScheduleEditor(nullptr);
}

int TForm_SetSchedule::Execute(QWidget* parent)
{
    std::unique_ptr<TForm_SetSchedule> form = Open(parent);
    if (!form)
        return QDialog::Rejected;
    const int result = form->exec();
    Release(std::move(form));
    return result;
}

void TForm_SetSchedule::BuildControls()
{
    wwDBGrid1 = new DBGrid(this);
    wwDBGrid1->setObjectName(QStringLiteral("wwDBGrid1"));
    wwDBGrid1->setGeometry(DesignGrid);
    m_gridBase = DesignGrid;
    m_gridBaseSize = DesignClient;
    connect(wwDBGrid1, &DBGrid::titleButtonClick, this, [this](const QString& name) {
        ErrorReport::guard([&] { wwDBGrid1TitleButtonClick(name); }, this);
    });
    wwDBGrid1->setCalcTitleImage(
        [this](const TableField& field, int& image) { wwDBGrid1CalcTitleImage(field, image); });

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Label(Panel1, "Label8", QStringLiteral("Task Name"), 13, 7);
    wwDBEdit_TaskName = new DBEdit(Panel1);
    wwDBEdit_TaskName->setObjectName(QStringLiteral("wwDBEdit_TaskName"));
    BitBtn_Browse = GlyphButton(Panel1, "BitBtn_Browse", QStringLiteral("&Browse"), QStyle::SP_DirOpenIcon,
                                QStringLiteral("Browse for a task to launch"));
    Label(Panel1, "Label9", QStringLiteral("Task Parameter"), 13, 48);
    wwDBEdit_TaskParm = new DBEdit(Panel1);
    wwDBEdit_TaskParm->setObjectName(QStringLiteral("wwDBEdit_TaskParm"));
    Label(Panel1, "Label10", QStringLiteral("Launch Date"), 13, 91);
    wwDBDateTimePicker_LaunchDate = new DBDateTimePicker(DBDateTimePicker::Kind::Date, Panel1);
    wwDBDateTimePicker_LaunchDate->setObjectName(QStringLiteral("wwDBDateTimePicker_LaunchDate"));
    wwDBDateTimePicker_LaunchDate->setGeometry(13, 106, 124, 21);
    wwDBDateTimePicker_LaunchDate->setEpoch(1950);
    Label(Panel1, "Label11", QStringLiteral("Launch Time"), 174, 91);
    wwDBDateTimePicker_LaunchTime = new DBDateTimePicker(DBDateTimePicker::Kind::Time, Panel1);
    wwDBDateTimePicker_LaunchTime->setObjectName(QStringLiteral("wwDBDateTimePicker_LaunchTime"));
    wwDBDateTimePicker_LaunchTime->setGeometry(174, 106, 124, 21);
    wwDBDateTimePicker_LaunchTime->setDisplayFormat(QStringLiteral("hh:mm:ss AP"));
    wwDBDateTimePicker_LaunchTime->setEpoch(1950);

    Panel2 = new QFrame(Panel1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::StyledPanel);
    Panel2->setGeometry(346, 93, 170, 46);
    DBCheckBox** boxes[] = {&DBCheckBox1, &DBCheckBox2, &DBCheckBox3, &DBCheckBox4,
                            &DBCheckBox5, &DBCheckBox6, &DBCheckBox7};
    for (int day = 0; day < 7; ++day) {
        Label(Panel2, QStringLiteral("Label_%1").arg(DayLabels[day]).toLatin1().constData(),
              QLatin1String(DayLabels[day]), DayX[day], 7);
        auto* box = new DBCheckBox(Panel2);
        box->setObjectName(QStringLiteral("DBCheckBox%1").arg(day + 1));
        box->setToolTip(QLatin1String(DayLabels[day]));
        box->adjustSize();
        box->move(DayX[day], 25);
        connect(box, &DBCheckBox::changed, this,
                [this] { ErrorReport::guard([this] { LaunchDayClicked(); }, this); });
        *boxes[day] = box;
    }
    Label(Panel1, "Label12", QStringLiteral("Task Comment"), 13, 131);
    wwDBRichEdit_TaskMemo = new DBRichEdit(Panel1);
    wwDBRichEdit_TaskMemo->setObjectName(QStringLiteral("wwDBRichEdit_TaskMemo"));
    wwDBRichEdit_TaskMemo->setGeometry(13, 145, 504, 51);
    QFont memoFont = wwDBRichEdit_TaskMemo->font();
    memoFont.setPixelSize(11);
    wwDBRichEdit_TaskMemo->setFont(memoFont);
    BitBtn_TestRun = GlyphButton(Panel1, "BitBtn_TestRun", QStringLiteral("&Test"), QStyle::SP_MediaPlay,
                                 QStringLiteral("Test launch the task"));

    DBNavigator1Widget = new DBNavigator(this);
    DBNavigator1Widget->setObjectName(QStringLiteral("DBNavigator1"));
    BitBtn_Close = new QPushButton(QStringLiteral("Close"), this);
    BitBtn_Close->setObjectName(QStringLiteral("BitBtn_Close"));
    BitBtn_Close->setToolTip(QStringLiteral("Changes take effect when this screen is closed"));
    BitBtn_Close->setAutoDefault(false);
    BitBtn_ClearDebugWindow =
        GlyphButton(this, "BitBtn_ClearDebugWindow", QString(), QStyle::SP_TitleBarNormalButton,
                    QStringLiteral("Clear Debug Window"));

    // Tab order: the grid, the navigator, Close, the panel (in its own order), the clear button.
    setTabOrder(wwDBGrid1, DBNavigator1Widget);
    setTabOrder(DBNavigator1Widget, BitBtn_Close);
    setTabOrder(BitBtn_Close, wwDBEdit_TaskName);
    setTabOrder(wwDBEdit_TaskName, BitBtn_Browse);
    setTabOrder(BitBtn_Browse, wwDBEdit_TaskParm);
    setTabOrder(wwDBEdit_TaskParm, wwDBDateTimePicker_LaunchDate);
    setTabOrder(wwDBDateTimePicker_LaunchDate, wwDBDateTimePicker_LaunchTime);
    QWidget* previous = wwDBDateTimePicker_LaunchTime;
    for (DBCheckBox** box : boxes) {
        setTabOrder(previous, *box);
        previous = *box;
    }
    setTabOrder(previous, wwDBRichEdit_TaskMemo);
    setTabOrder(wwDBRichEdit_TaskMemo, BitBtn_TestRun);
    setTabOrder(BitBtn_TestRun, BitBtn_ClearDebugWindow);

    connect(BitBtn_Close, &QPushButton::clicked, this, &QDialog::close);
    connect(BitBtn_Browse, &QPushButton::clicked, this,
            [this] { ErrorReport::guard([this] { BitBtn_BrowseClick(); }, this); });
    connect(BitBtn_TestRun, &QPushButton::clicked, this,
            [this] { ErrorReport::guard([this] { BitBtn_TestRunClick(); }, this); });
    connect(BitBtn_ClearDebugWindow, &QPushButton::clicked, this,
            [this] { ErrorReport::guard([this] { BitBtn_ClearDebugWindowClick(); }, this); });
    connect(wwDBDateTimePicker_LaunchDate, &DBDateTimePicker::changed, this,
            [this] { ErrorReport::guard([this] { wwDBDateTimePicker_LaunchDateChange(); }, this); });
    Relayout();
}

void TForm_SetSchedule::Relayout()
{
    // Design places, with the sides each control follows: the grid all four, the panel left, right
    // and bottom (its edits left and right, its buttons right), the navigator and the buttons below
    // it the bottom, keeping their place across the width.
    const int dx = width() - DesignClient.width();
    const int dy = height() - DesignClient.height();
    wwDBGrid1->setGeometry(m_gridBase.x(), m_gridBase.y(),
                           m_gridBase.width() + width() - m_gridBaseSize.width(),
                           m_gridBase.height() + height() - m_gridBaseSize.height());
    DBNavigator1Widget->setGeometry(190 + dx / 2, 379 + dy, 180, 18);
    BitBtn_Close->setGeometry(249 + dx / 2, 407 + dy, 66, 24);
    Panel1->setGeometry(8, 171 + dy, 543 + dx, 202);
    BitBtn_ClearDebugWindow->setGeometry(364 + dx / 2, 402 + dy, 23, 25);
    wwDBEdit_TaskName->setGeometry(13, 22, 439 + dx, 21);
    BitBtn_Browse->setGeometry(464 + dx, 22, 61, 21);
    wwDBEdit_TaskParm->setGeometry(13, 63, 439 + dx, 21);
    BitBtn_TestRun->setGeometry(464 + dx, 62, 61, 21);
}

// ---- the program's editor window

NavigatorControl* TForm_SetSchedule::DBNavigator1()
{
    return DBNavigator1Widget;
}

void TForm_SetSchedule::SetGridEnabled(bool enabled)
{
    wwDBGrid1->setEnabled(enabled);
}

void TForm_SetSchedule::SetTestRunEnabled(bool enabled)
{
    BitBtn_TestRun->setEnabled(enabled);
}

void TForm_SetSchedule::FocusTaskName()
{
    wwDBEdit_TaskName->setFocus(Qt::OtherFocusReason);
}

void TForm_SetSchedule::FocusLaunchTime()
{
    wwDBDateTimePicker_LaunchTime->setFocus(Qt::OtherFocusReason);
}

void TForm_SetSchedule::FocusLaunchDate()
{
    wwDBDateTimePicker_LaunchDate->setFocus(Qt::OtherFocusReason);
}

void TForm_SetSchedule::SetProcessLauncher(std::shared_ptr<ProcessLauncher> launcher)
{
    m_launcher = launcher ? std::move(launcher) : ProcessLauncher::system();
}

int TForm_SetSchedule::OuterWidth() const
{
    const int frame = frameGeometry().width() - geometry().width();
    return width() + (frame > 0 ? frame : DesignFrameWidth);
}

// ---- events

void TForm_SetSchedule::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ErrorReport::guard([this] { FormActivate(); }, this);
}

void TForm_SetSchedule::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Relayout();
    ErrorReport::guard([this] { FormResize(); }, this);
}

void TForm_SetSchedule::keyPressEvent(QKeyEvent* event)
{
    // Escape while a row is edited gives up the edit; it closes the window only when nothing is
    // being edited.
    if (event->key() == Qt::Key_Escape && DataModule_Hourglen) {
        ClientTable& table = DataModule_Hourglen->ClientDataSet_Schedule();
        if (table.state() == TableState::Edit || table.state() == TableState::Insert) {
            ErrorReport::guard([&table] { table.cancel(); }, this);
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void TForm_SetSchedule::reject()
{
    // Every way of closing (Close, the close box, Escape) comes here once.
    if (!m_closing) {
        m_closing = true;
        ErrorReport::guard([this] { FormClose(); }, this);
        m_closing = false;
    }
    QDialog::reject();
}

// ---- handlers

void TForm_SetSchedule::FormCreate()
{
    TraceBegin(QStringLiteral("REDTForm_SetSchedule.FormCreate"));
    LinkedFieldsBusy = true;
    // Font normalisation: the design font's point size plus one, then minus one; 10 pixels at 96
    // pixels per inch read as 8 points end as an 8-point font 11 pixels high.
    const double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    QFont normalised = font();
    const int pixels = normalised.pixelSize() > 0 ? normalised.pixelSize()
                                                  : RoundHalfAway(normalised.pointSizeF() * dpi / 72.0);
    const int points = RoundHalfAway(pixels * 72.0 / dpi);
    normalised.setPixelSize(RoundHalfAway((points + 1) * dpi / 72.0));
    setFont(normalised);
    normalised.setPixelSize(RoundHalfAway(points * dpi / 72.0));
    setFont(normalised);
    // Labels and check boxes take the size of their text in the new font.
    for (QLabel* label : findChildren<QLabel*>())
        label->adjustSize();
    for (DBCheckBox* box : findChildren<DBCheckBox*>())
        box->adjustSize();

    CommonFormPlacement::SetCentreOnShow(this, true);
    CommonFormPlacement::ReadFormParameters(this);
    Relayout();

    TDataModule_Hourglen& schedule = *DataModule_Hourglen;
    if (DataModule_Database)
        wwDBGrid1->setTitleImageList(&DataModule_Database->ImageList_ForData());

    DataSource* const source = &schedule.DataSource_Schedule();
    wwDBGrid1->setDataSource(source);
    wwDBGrid1->tableModel()->setFormatter([](const TableField& field, const QVariant& value) {
        switch (field.kind()) {
        case FieldKind::Date:
            return DateToStr(value.toDate());
        case FieldKind::Time:
            return TimeToStr(value.toTime());
        default:
            return value.toString();
        }
    });
    DBNavigator1Widget->setDataSource(source);
    wwDBEdit_TaskName->setDataSource(source);
    wwDBEdit_TaskName->setDataField(QStringLiteral("taskname"));
    wwDBEdit_TaskParm->setDataSource(source);
    wwDBEdit_TaskParm->setDataField(QStringLiteral("taskparm"));
    wwDBDateTimePicker_LaunchDate->setDisplayFormat(QtDateFormat(FormatSettings.Get()));
    wwDBDateTimePicker_LaunchDate->setDataSource(source);
    wwDBDateTimePicker_LaunchDate->setDataField(QStringLiteral("launchdate"));
    wwDBDateTimePicker_LaunchTime->setDataSource(source);
    wwDBDateTimePicker_LaunchTime->setDataField(QStringLiteral("launchtime"));
    DBCheckBox* const boxes[] = {DBCheckBox1, DBCheckBox2, DBCheckBox3, DBCheckBox4,
                                 DBCheckBox5, DBCheckBox6, DBCheckBox7};
    for (int day = 0; day < 7; ++day) {
        boxes[day]->setDataSource(source);
        boxes[day]->setDataField(QLatin1String(DayFields[day]));
        boxes[day]->setValueChecked(QStringLiteral("1"));
        boxes[day]->setValueUnchecked(QStringLiteral("0"));
    }
    wwDBRichEdit_TaskMemo->setDataSource(source);
    wwDBRichEdit_TaskMemo->setDataField(QStringLiteral("taskmemo"));

    ClientTable& table = schedule.ClientDataSet_Schedule();
    table.disableControls();
    try {
        schedule.EvaluateCdsStructure();
    } catch (...) {
        table.enableControls();
        throw;
    }
    table.enableControls();

    SortFieldName = QStringLiteral("taskname").toUpper();
    SortDirection = 1;
    AlterGridWidth(wwDBGrid1, 0, true, width(), gkTitleButtons);
    m_gridBase = wwDBGrid1->geometry();
    m_gridBaseSize = size();

    const TkvtDebugBox* const debugBox = DataModule_Debug ? DebugBoxOf(*DataModule_Debug) : nullptr;
    BitBtn_ClearDebugWindow->setVisible(debugBox && debugBox->Visible());
    TraceEnd();
}

void TForm_SetSchedule::FormActivate()
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.FormActivate"));
    if (Tag == 0) {
        Tag = 1;
        DataModule_Hourglen->CommonSetNavigatorButtons(DBNavigator1Widget,
                                                       DataModule_Hourglen->ClientDataSet_Schedule().state());
        LinkedFieldsBusy = false;
    }
    TraceEnd();
}

void TForm_SetSchedule::FormClose()
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.FormClose"));
    if (DataModule_Hourglen && DataModule_Hourglen->ClientDataSet_Schedule().active())
        DataModule_Hourglen->RebuildTriggerList();
    CommonFormPlacement::WriteFormParameters(this);
    TraceEnd();
}

void TForm_SetSchedule::FormDestroy()
{
    // Not traced. A write that fails keeps the table open with its rows (the next editor shows
    // them again); its message is shown here.
    if (m_created && DataModule_Hourglen) {
        ErrorReport::guard([] { DataModule_Hourglen->DataSetClose(); }, this);
    }
}

void TForm_SetSchedule::FormResize()
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.FormResize"));
    const int extra = (OuterWidth() - MinOuterWidth) / 12; // truncated toward zero
    if (DataModule_Hourglen && DataModule_Hourglen->ClientDataSet_Schedule().active()) {
        ClientTable& table = DataModule_Hourglen->ClientDataSet_Schedule();
        table.fieldByName(QStringLiteral("taskname")).setDisplayWidth(40 + extra);
        table.fieldByName(QStringLiteral("taskparm")).setDisplayWidth(20 + extra);
    }
    TraceEnd();
}

void TForm_SetSchedule::BitBtn_BrowseClick()
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.BitBtn_BrowseClick"));
    FileDialog::OpenRequest request;
    request.filters = BrowseFilters;
    request.selectedFilter = ExecutableFilter;
    request.executableFilter = ExecutableFilter;
    // The dialog starts in the folder of the current task, when there is one.
    const QString current = wwDBEdit_TaskName->text().trimmed();
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
        if (QFileInfo(folder).isDir())
            request.directory = folder;
    }
    const QString FileName = FileDialog::getOpenFileName(this, request);
    if (!FileName.isEmpty()) {
        ClientTable& table = DataModule_Hourglen->ClientDataSet_Schedule();
        if (table.state() == TableState::Browse)
            table.edit();
        table.setValue(QStringLiteral("taskname"), FileName);
    }
    TraceEnd();
}

void TForm_SetSchedule::BitBtn_TestRunClick()
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.BitBtn_TestRunClick"));
    const QString Command = wwDBEdit_TaskName->text();
    if (QFileInfo(Command).isFile())
        WinExecAndWait32(Command, LibStrng::Trim(wwDBEdit_TaskParm->text()), 1, *m_launcher);
    TraceEnd();
}

void TForm_SetSchedule::BitBtn_ClearDebugWindowClick()
{
    if (TkvtDebugBox* const debugBox = DataModule_Debug ? DebugBoxOf(*DataModule_Debug) : nullptr)
        debugBox->ClearLines();
}

namespace {

// Sets a flag for the life of a scope and clears it again, also when an error leaves the scope.
class BusyScope
{
public:
    explicit BusyScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~BusyScope() { m_flag = false; }
    Q_DISABLE_COPY_MOVE(BusyScope)

private:
    bool& m_flag;
};

bool Editing(const ClientTable& table)
{
    return table.state() == TableState::Edit || table.state() == TableState::Insert;
}

} // namespace

void TForm_SetSchedule::LaunchDayClicked()
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.LaunchDayClicked"));
    ClientTable& table = DataModule_Hourglen->ClientDataSet_Schedule();
    if (!LinkedFieldsBusy && Editing(table)) {
        BusyScope busy(LinkedFieldsBusy);
        table.setValue(QStringLiteral("launchdate"), QString());
        QCoreApplication::processEvents();
    }
    TraceEnd();
}

void TForm_SetSchedule::wwDBDateTimePicker_LaunchDateChange()
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.wwDBDateTimePicker_LaunchDateChange"));
    ClientTable& table = DataModule_Hourglen->ClientDataSet_Schedule();
    if (!LinkedFieldsBusy && Editing(table)) {
        BusyScope busy(LinkedFieldsBusy);
        for (const char* day : DayFields)
            table.setValue(QLatin1String(day), QStringLiteral("0"));
        QCoreApplication::processEvents();
    }
    TraceEnd();
}

void TForm_SetSchedule::wwDBGrid1TitleButtonClick(const QString& AFieldName)
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.wwDBGrid1TitleButtonClick"));
    SetIndx(AFieldName.toUpper());
    TraceEnd();
}

void TForm_SetSchedule::SetIndx(const QString& name)
{
    TraceBegin(QStringLiteral("TForm_SetSchedule.SetIndx"));
    if (name == SortFieldName)
        SortDirection = -SortDirection;
    else
        SortFieldName = name;
    const QString IndexName = QLatin1Char('X') + QString::number(SortDirection) + SortFieldName;
    if (DataModule_Hourglen->GetIndexName() != IndexName)
        DataModule_Hourglen->SetIndexName(IndexName);
    TraceEnd();
}

void TForm_SetSchedule::wwDBGrid1CalcTitleImage(const TableField& Field, int& ImageIndex)
{
    if (QApplication::activeWindow() != this)
        return;
    ImageIndex = -1;
    const ClientTable& table = DataModule_Hourglen->ClientDataSet_Schedule();
    const QString current = table.indexName();
    const QString name = Field.fieldName().toUpper();
    if (current == QLatin1String("X1") + name)
        ImageIndex = 0;
    else if (current == QLatin1String("X-1") + name)
        ImageIndex = 2;
    if ((ImageIndex == 0 || ImageIndex == 2) && Editing(table))
        ++ImageIndex;
}
