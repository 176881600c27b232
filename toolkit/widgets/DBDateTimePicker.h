#pragma once

#include "toolkit/widgets/FieldDataLink.h"

#include <QDate>
#include <QPointer>
#include <QTime>
#include <QWidget>

#include <optional>

class DataSource;
#include <QCalendarWidget>
class QLineEdit;
class QToolButton;

// A date or time picker bound to a date or time field, which may be blank: an empty text is a null
// value. The date picker has a drop-down calendar. Typing into it while the table browses starts an
// edit; a typed text reaches the field when the row is posted, a date picked in the calendar at once.
class DBDateTimePicker final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DBDateTimePicker)

public:
    enum class Kind
    {
        Date,
        Time
    };

    explicit DBDateTimePicker(Kind kind, QWidget* parent = nullptr);
    ~DBDateTimePicker() override;

    Kind kind() const { return m_kind; }
    DataSource* dataSource() const { return m_link.dataSource(); }
    void setDataSource(DataSource* source) { m_link.setDataSource(source); }
    QString dataField() const { return m_link.fieldName(); }
    void setDataField(const QString& name) { m_link.setFieldName(name); }

    // Qt's date or time format ("MM/dd/yyyy", "hh:mm:ss AP"); AP is the locale's designator.
    QString displayFormat() const { return m_format; }
    void setDisplayFormat(const QString& format);
    // Two-digit years are read within the hundred years from this one (1950: 50-99 are 1950-1999,
    // 00-49 are 2000-2049).
    int epoch() const { return m_epoch; }
    void setEpoch(int year) { m_epoch = year; }

    QLineEdit* lineEdit() const { return m_edit; }
    QToolButton* dropDownButton() const { return m_dropDown; } // null for a time picker
    QCalendarWidget* calendar() const { return m_calendar; }   // while the calendar is dropped down
    void showCalendar();

    QString text() const;
    // The value the text stands for: an invalid variant for an empty text; nothing when the text
    // is no valid date or time.
    std::optional<QVariant> parsedValue() const;

    // The two parsers, for any text.
    static std::optional<QDate> parseDate(const QString& text, const QString& format, int epoch);
    static std::optional<QTime> parseTime(const QString& text);

signals:
    // The user changed the value: typed, cleared, or picked in the calendar.
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showValue();
    void writeValue();
    void userEdited(const QString& text);
    void datePicked(const QDate& date);

    Kind m_kind;
    QString m_format;
    int m_epoch = 1950;
    QLineEdit* m_edit;
    QToolButton* m_dropDown = nullptr;
    QPointer<QCalendarWidget> m_calendar;
    FieldDataLink m_link;
    bool m_dirty = false;
};
