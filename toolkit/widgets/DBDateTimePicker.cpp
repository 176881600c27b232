#include "toolkit/widgets/DBDateTimePicker.h"

#include "toolkit/base/Exception.h"
#include "toolkit/widgets/DBEdit.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRegularExpression>
#include <QToolButton>

DBDateTimePicker::DBDateTimePicker(Kind kind, QWidget* parent)
    : QWidget(parent), m_kind(kind),
      m_format(kind == Kind::Date ? QStringLiteral("MM/dd/yyyy") : QStringLiteral("hh:mm:ss AP")),
      m_edit(new QLineEdit(this)), m_link(this)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_edit->setObjectName(QStringLiteral("edit"));
    layout->addWidget(m_edit);
    setFocusProxy(m_edit);
    if (kind == Kind::Date) {
        m_dropDown = new QToolButton(this);
        m_dropDown->setObjectName(QStringLiteral("dropDown"));
        m_dropDown->setArrowType(Qt::DownArrow);
        m_dropDown->setFocusPolicy(Qt::NoFocus);
        m_dropDown->setToolTip(tr("Pick a date"));
        layout->addWidget(m_dropDown);
        connect(m_dropDown, &QToolButton::clicked, this, &DBDateTimePicker::showCalendar);
    }
    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textEdited, this, &DBDateTimePicker::userEdited);
    m_link.onShow = [this] { showValue(); };
    m_link.onWrite = [this] { writeValue(); };
    showValue();
}

DBDateTimePicker::~DBDateTimePicker()
{
    delete m_calendar;
}

void DBDateTimePicker::setDisplayFormat(const QString& format)
{
    m_format = format;
    showValue();
}

QString DBDateTimePicker::text() const
{
    return m_edit->text();
}

void DBDateTimePicker::showValue()
{
    const QVariant value = m_link.value();
    QString shown;
    if (value.isValid()) {
        shown = m_kind == Kind::Date ? QLocale().toString(value.toDate(), m_format)
                                     : QLocale().toString(value.toTime(), m_format);
    }
    if (shown != m_edit->text() || m_dirty) {
        m_edit->setText(shown);
        m_edit->setCursorPosition(0);
    }
    m_dirty = false;
}

std::optional<QVariant> DBDateTimePicker::parsedValue() const
{
    const QString shown = m_edit->text().trimmed();
    if (shown.isEmpty())
        return QVariant();
    if (m_kind == Kind::Date) {
        if (const auto date = parseDate(shown, m_format, m_epoch))
            return QVariant(*date);
    } else if (const auto time = parseTime(shown)) {
        return QVariant(*time);
    }
    return std::nullopt;
}

void DBDateTimePicker::writeValue()
{
    if (!m_dirty)
        return;
    const std::optional<QVariant> value = parsedValue();
    try {
        if (!value) {
            throw Exception(
                (m_kind == Kind::Date ? tr("'%1' is not a valid date") : tr("'%1' is not a valid time"))
                    .arg(m_edit->text()));
        }
        m_link.write(*value);
    } catch (...) {
        m_edit->setFocus(Qt::OtherFocusReason);
        throw;
    }
    m_dirty = false;
}

bool DBDateTimePicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (m_dropDown && key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier)) {
            showCalendar();
            return true;
        }
        if (keyModifiesText(key) && !m_edit->isReadOnly() && !m_link.editing() && !m_link.edit())
            return true; // the table cannot edit: the key changes nothing
    }
    return QWidget::eventFilter(watched, event);
}

void DBDateTimePicker::userEdited(const QString& text)
{
    if (!m_link.editing()) {
        const int cursor = m_edit->cursorPosition();
        if (!m_link.edit()) {
            showValue();
            return;
        }
        m_edit->setText(text);
        m_edit->setCursorPosition(cursor);
    }
    m_dirty = true;
    emit changed();
}

void DBDateTimePicker::showCalendar()
{
    if (!m_dropDown || !m_link.field())
        return;
    if (!m_calendar) {
        m_calendar = new QCalendarWidget(nullptr);
        m_calendar->setObjectName(QStringLiteral("calendar"));
        m_calendar->setWindowFlags(Qt::Popup);
        QFont font = m_calendar->font();
        font.setPixelSize(13);
        m_calendar->setFont(font);
        connect(m_calendar, &QCalendarWidget::activated, this, &DBDateTimePicker::datePicked);
        connect(m_calendar, &QCalendarWidget::clicked, this, &DBDateTimePicker::datePicked);
    }
    const std::optional<QVariant> shown = parsedValue();
    m_calendar->setSelectedDate(shown && shown->isValid() ? shown->toDate() : QDate::currentDate());
    m_calendar->adjustSize();
    m_calendar->move(mapToGlobal(QPoint(0, height())));
    m_calendar->show();
    m_calendar->setFocus(Qt::PopupFocusReason);
}

void DBDateTimePicker::datePicked(const QDate& date)
{
    if (m_calendar)
        m_calendar->hide();
    if (!m_link.edit())
        return;
    m_edit->setText(QLocale().toString(date, m_format));
    m_dirty = true;
    // A picked date is whole: it reaches the field (and the grid) at once.
    try {
        m_link.write(date);
        m_dirty = false;
    } catch (const std::exception&) {
        // Kept as typed text; the post reports it.
    }
    emit changed();
}

std::optional<QDate> DBDateTimePicker::parseDate(const QString& text, const QString& format, int epoch)
{
    // The numbers of the text, in the order of day, month and year in the format.
    static const QRegularExpression numbers(QStringLiteral("\\d+"));
    QList<QString> parts;
    for (auto it = numbers.globalMatch(text); it.hasNext();)
        parts << it.next().captured();
    static const QRegularExpression foreign(QStringLiteral("[^\\d\\s\\p{P}\\p{S}]"));
    if (foreign.match(text).hasMatch())
        return std::nullopt;
    QString order;
    for (const QChar c : format) {
        const QChar letter = c.toLower();
        if ((letter == u'd' || letter == u'm' || letter == u'y') && !order.contains(letter))
            order += letter;
    }
    if (order.size() != 3)
        order = QStringLiteral("mdy");
    if (parts.size() == 2) {
        order.remove(u'y');
        parts << QString();
        order += u'y';
    }
    if (parts.size() != 3)
        return std::nullopt;
    int day = 0, month = 0, year = QDate::currentDate().year();
    for (int i = 0; i < 3; ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty())
            continue;
        const int number = part.toInt();
        switch (order.at(i).unicode()) {
        case 'd':
            day = number;
            break;
        case 'm':
            month = number;
            break;
        default:
            year = number;
            if (part.size() <= 2) {
                year = epoch - epoch % 100 + number;
                if (year < epoch)
                    year += 100;
            }
            break;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QTime> DBDateTimePicker::parseTime(const QString& text)
{
    // h[:mm[:ss[.zzz]]] with an optional designator: AM/PM, A/P or the locale's own.
    static const QRegularExpression shape(
        QStringLiteral("^\\s*(\\d{1,2})(?::(\\d{1,2}))?(?::(\\d{1,2}))?(?:[.,](\\d{1,3}))?\\s*(\\S*)\\s*$"));
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    int hour = match.captured(1).toInt();
    const int minute = match.captured(2).toInt();
    const int second = match.captured(3).toInt();
    const int msec = match.captured(4).isEmpty() ? 0 : match.captured(4).leftJustified(3, u'0').toInt();
    const QString designator = match.captured(5);
    if (!designator.isEmpty()) {
        const QLocale locale;
        const bool am = designator.compare(locale.amText(), Qt::CaseInsensitive) == 0 ||
                        designator.compare(QLatin1String("AM"), Qt::CaseInsensitive) == 0 ||
                        designator.compare(QLatin1String("A"), Qt::CaseInsensitive) == 0;
        const bool pm = designator.compare(locale.pmText(), Qt::CaseInsensitive) == 0 ||
                        designator.compare(QLatin1String("PM"), Qt::CaseInsensitive) == 0 ||
                        designator.compare(QLatin1String("P"), Qt::CaseInsensitive) == 0;
        if ((!am && !pm) || hour < 1 || hour > 12)
            return std::nullopt;
        if (pm && hour < 12)
            hour += 12;
        else if (am && hour == 12)
            hour = 0;
    }
    const QTime time(hour, minute, second, msec);
    if (!time.isValid())
        return std::nullopt;
    return time;
}
