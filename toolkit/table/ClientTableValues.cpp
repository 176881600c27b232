// Reading and setting a client table's values, and what a grid shows of its rows.
#include "toolkit/table/ClientTable.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

QVariant ClientTable::fieldValue(const TableField& field) const
{
    const int index = fieldIndex(field);
    if (index < 0 || !active())
        return {};
    if (m_state == TableState::Edit || m_state == TableState::Insert)
        return m_buffer.value(index);
    if (m_cursor < 0)
        return {};
    return m_rows.at(storedIndexAt(m_cursor)).values.value(index);
}

void ClientTable::setFieldValue(TableField& field, const QVariant& value)
{
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        fail(QStringLiteral("Dataset not in edit or insert mode"));
    const int index = fieldIndex(field);
    if (index < 0)
        fail(QStringLiteral("Field '%1' not found").arg(field.fieldName()));
    m_buffer[index] = coerce(field, value);
    m_modified = true;
    notify(Notice::FieldChanged, &field);
}

QVariant ClientTable::coerce(const TableField& field, const QVariant& value) const
{
    if (!value.isValid())
        return {};
    const QString& name = field.fieldName();
    const auto invalid = [&] {
        fail(QStringLiteral("'%1' is not a valid value for field '%2'").arg(value.toString(), name));
    };
    const bool blankText = value.typeId() == QMetaType::QString && value.toString().isEmpty();
    switch (field.kind()) {
    case FieldKind::String: {
        QString text = value.toString();
        if (field.size() > 0 && text.size() > field.size()) {
            fail(QStringLiteral("Value for field '%1' is too long: %2 characters, at most %3 allowed")
                     .arg(name)
                     .arg(text.size())
                     .arg(field.size()));
        }
        return text;
    }
    case FieldKind::Memo:
    case FieldKind::Fixed:
    case FieldKind::Other:
        return value.toString();
    case FieldKind::Blob:
        return value.toByteArray();
    case FieldKind::Date: {
        if (blankText)
            return {};
        const QDate date = value.typeId() == QMetaType::QString
                               ? QDate::fromString(value.toString(), Qt::ISODate)
                               : value.toDate();
        if (!date.isValid())
            invalid();
        return date;
    }
    case FieldKind::Time: {
        if (blankText)
            return {};
        const QTime time = value.typeId() == QMetaType::QString
                               ? QTime::fromString(value.toString(), Qt::ISODateWithMs)
                               : value.toTime();
        if (!time.isValid())
            invalid();
        return time;
    }
    case FieldKind::DateTime: {
        if (blankText)
            return {};
        const QDateTime moment = value.typeId() == QMetaType::QString
                                     ? QDateTime::fromString(value.toString(), Qt::ISODateWithMs)
                                     : value.toDateTime();
        if (!moment.isValid())
            invalid();
        return moment;
    }
    case FieldKind::Boolean:
        return value.toBool();
    case FieldKind::Integer: {
        if (blankText)
            return {};
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (!ok)
            invalid();
        return number;
    }
    case FieldKind::Float: {
        if (blankText)
            return {};
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok)
            invalid();
        return number;
    }
    }
    return value;
}

// What a grid shows.

int ClientTable::viewRowCount() const
{
    return recordCount() + (m_state == TableState::Insert ? 1 : 0);
}

int ClientTable::viewCurrentRow() const
{
    return m_state == TableState::Insert ? m_insertAt : m_cursor;
}

QVariant ClientTable::viewValue(int row, int fieldIndex) const
{
    if (row < 0 || row >= viewRowCount() || fieldIndex < 0 || fieldIndex >= fieldCount())
        return {};
    if (m_state == TableState::Insert) {
        if (row == m_insertAt)
            return m_buffer.value(fieldIndex);
        if (row > m_insertAt)
            --row;
    } else if (m_state == TableState::Edit && row == m_cursor) {
        return m_buffer.value(fieldIndex);
    }
    return m_rows.at(storedIndexAt(row)).values.value(fieldIndex);
}
