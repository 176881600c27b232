#include "toolkit/table/TableField.h"

#include "toolkit/table/ClientTable.h"

namespace {

int defaultWidth(const PacketField& definition)
{
    switch (definition.kind) {
    case FieldKind::String:
        return definition.size > 0 ? definition.size : 20;
    case FieldKind::DateTime:
        return 18;
    case FieldKind::Boolean:
        return 5;
    default:
        return 10;
    }
}

} // namespace

TableField::TableField(ClientTable& table, PacketField definition, QString componentName)
    : m_table(table), m_definition(std::move(definition)), m_componentName(std::move(componentName))
{}

QString TableField::displayLabel() const
{
    return m_displayLabel.isEmpty() ? m_definition.name : m_displayLabel;
}

void TableField::setDisplayLabel(const QString& label)
{
    m_displayLabel = label;
    m_table.fieldLayoutChanged();
}

int TableField::displayWidth() const
{
    return m_displayWidth < 0 ? defaultWidth(m_definition) : m_displayWidth;
}

void TableField::setDisplayWidth(int width)
{
    m_displayWidth = width;
    m_table.fieldLayoutChanged();
}

void TableField::setVisible(bool visible)
{
    if (m_visible == visible)
        return;
    m_visible = visible;
    m_table.fieldLayoutChanged();
}

int TableField::position() const
{
    return m_table.fieldPosition(*this);
}

void TableField::setPosition(int position)
{
    m_table.moveField(*this, position);
}

int TableField::index() const
{
    return m_table.fieldIndex(*this);
}

QVariant TableField::value() const
{
    return m_table.fieldValue(*this);
}

void TableField::setValue(const QVariant& value)
{
    m_table.setFieldValue(*this, value);
}
