#include "ui/Main.h"

#include "core/DataModuleDebug.h"
#include "core/FormatSettings.h"
#include "toolkit/widgets/ErrorReport.h"

#include <QCloseEvent>
#include <QEvent>

TForm_Hourglen* Form_Hourglen = nullptr;

namespace {
const QString Caption = QStringLiteral("Hourglen");
const QString ShortDateFormat = QStringLiteral("mm/dd/yyyy");
} // namespace

TForm_Hourglen::TForm_Hourglen(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form_Hourglen"));
    setWindowTitle(Caption);
    resize(400, 200);
    Form_Hourglen = this;
    ErrorReport::guard([this] { FormCreate(); }, this);
}

TForm_Hourglen::~TForm_Hourglen()
{
    FormDestroy();
    if (Form_Hourglen == this)
        Form_Hourglen = nullptr;
}

void TForm_Hourglen::FormCreate()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.FormCreate"));
    // Font normalisation: the point size plus one, then minus one.
    QFont normalised = font();
    if (normalised.pointSize() > 0) {
        normalised.setPointSize(normalised.pointSize() + 1);
        setFont(normalised);
        normalised.setPointSize(normalised.pointSize() - 1);
        setFont(normalised);
    }
    // The placement store, the date-time label and the interval timer come with the main window work.
    FormatSettings.SetShortDateFormat(ShortDateFormat);
    TraceEnd();
}

void TForm_Hourglen::FormActivate()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.FormActivate"));
    if (Tag == 0) {
        Tag = 1;
        // The trigger list is filled from the schedule file, once the due-task check exists.
    }
    TraceEnd();
}

void TForm_Hourglen::FormClose()
{
    TraceBegin(QStringLiteral("TForm_Hourglen.FormClose"));
    // Waiting for launch threads and saving the placement come with the main window work.
    TraceEnd();
}

void TForm_Hourglen::FormDestroy()
{
    // Not traced. Releasing the trigger list comes with the due-task check.
}

void TForm_Hourglen::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ErrorReport::guard([this] { FormActivate(); }, this);
}

void TForm_Hourglen::closeEvent(QCloseEvent* event)
{
    ErrorReport::guard([this] { FormClose(); }, this);
    event->accept();
    emit closed();
}
