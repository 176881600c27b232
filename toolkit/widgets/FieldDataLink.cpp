#include "toolkit/widgets/FieldDataLink.h"

#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataSource.h"
#include "toolkit/widgets/ErrorReport.h"

#include <QWidget>

FieldDataLink::FieldDataLink(QWidget* control) : m_control(control) {}

FieldDataLink::~FieldDataLink()
{
    if (m_source)
        m_source->removeLink(this);
}

void FieldDataLink::setDataSource(DataSource* source)
{
    if (m_source == source)
        return;
    if (m_source)
        m_source->removeLink(this);
    m_source = source;
    if (m_source)
        m_source->addLink(this);
    show();
}

void FieldDataLink::setFieldName(const QString& name)
{
    m_fieldName = name;
    show();
}

ClientTable* FieldDataLink::table() const
{
    return m_source ? m_source->dataSet() : nullptr;
}

TableState FieldDataLink::state() const
{
    return m_source ? m_source->state() : TableState::Inactive;
}

TableField* FieldDataLink::field() const
{
    ClientTable* const t = table();
    return t && t->active() && !m_fieldName.isEmpty() ? t->findField(m_fieldName) : nullptr;
}

QVariant FieldDataLink::value() const
{
    TableField* const f = field();
    return f ? f->value() : QVariant();
}

bool FieldDataLink::edit()
{
    if (!field())
        return false;
    if (editing())
        return true;
    return ErrorReport::guard([this] { table()->edit(); }, m_control) && editing();
}

void FieldDataLink::write(const QVariant& value)
{
    TableField* const f = field();
    if (!f)
        return;
    // The control shows what it wrote already; hearing it again would move its cursor.
    m_writing = true;
    try {
        f->setValue(value);
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
}

void FieldDataLink::dataChanged(const TableField* changed)
{
    if (m_writing)
        return;
    if (!changed || changed == field())
        show();
}

void FieldDataLink::updateRecord()
{
    if (onWrite && editing() && field())
        onWrite();
}

void FieldDataLink::show()
{
    if (onShow)
        onShow();
}
