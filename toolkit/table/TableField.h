#pragma once

#include "toolkit/table/TablePacket.h"

#include <QString>
#include <QVariant>

class ClientTable;

// A field object of a client table: the field's definition and how controls present it.
// Owned by its table; values are read and written through the table's current row.
class TableField final
{
public:
    TableField(ClientTable& table, PacketField definition, QString componentName);
    Q_DISABLE_COPY_MOVE(TableField)

    ClientTable& table() const { return m_table; }
    const PacketField& definition() const { return m_definition; }
    const QString& fieldName() const { return m_definition.name; }
    FieldKind kind() const { return m_definition.kind; }
    int size() const { return m_definition.size; }

    const QString& componentName() const { return m_componentName; }
    void setComponentName(const QString& name) { m_componentName = name; }

    // Column caption; the field name until one is set.
    QString displayLabel() const;
    void setDisplayLabel(const QString& label);
    // Column width in characters; the kind's default until one is set.
    int displayWidth() const;
    void setDisplayWidth(int width);
    bool visible() const { return m_visible; }
    void setVisible(bool visible);
    // Place among the table's fields as grids show them, from 0.
    int position() const;
    void setPosition(int position);

    // Place in the table's field list, which is also the place of its value in a row.
    int index() const;

    // The value in the current row; an invalid variant is null.
    QVariant value() const;
    void setValue(const QVariant& value);
    bool isNull() const { return !value().isValid(); }

    // Replaces the definition when the table is loaded from a file; keeps the presentation.
    void redefine(PacketField definition) { m_definition = std::move(definition); }

private:
    ClientTable& m_table;
    PacketField m_definition;
    QString m_componentName;
    QString m_displayLabel;
    int m_displayWidth = -1;
    bool m_visible = true;
};
