#pragma once

#include "toolkit/table/ClientTable.h"

#include <QDate>
#include <QTime>

// Small field lists for the engine's tests.
namespace TestTables {

inline PacketField stringField(const QString& name, int size)
{
    PacketField field;
    field.name = name;
    field.typeWord = QStringLiteral("string");
    field.kind = FieldKind::String;
    field.size = size;
    return field;
}

inline PacketField kindField(const QString& name, FieldKind kind, const QString& typeWord)
{
    PacketField field;
    field.name = name;
    field.typeWord = typeWord;
    field.kind = kind;
    return field;
}

// name (string 20), day (date), at (time), note (memo)
inline void defineFields(ClientTable& table)
{
    table.addField(stringField(QStringLiteral("name"), 20), QStringLiteral("_name"));
    table.addField(kindField(QStringLiteral("day"), FieldKind::Date, QStringLiteral("date")),
                   QStringLiteral("_day"));
    table.addField(kindField(QStringLiteral("at"), FieldKind::Time, QStringLiteral("time")),
                   QStringLiteral("_at"));
    PacketField memo = kindField(QStringLiteral("note"), FieldKind::Memo, QStringLiteral("bin.hex"));
    memo.subtype = QStringLiteral("Text");
    table.addField(memo, QStringLiteral("_note"));
}

inline void addRow(ClientTable& table, const QString& name, const QVariant& day = {}, const QVariant& at = {})
{
    table.insert();
    table.setValue(QStringLiteral("name"), name);
    table.setValue(QStringLiteral("day"), day);
    table.setValue(QStringLiteral("at"), at);
    table.post();
}

// The names of the current rows, in the table's order; the cursor is left on the first row.
inline QStringList names(ClientTable& table)
{
    QStringList list;
    for (table.first(); !table.eof(); table.next())
        list << table.value(QStringLiteral("name")).toString();
    table.first();
    return list;
}

inline QList<int> states(const ClientTable& table)
{
    QList<int> list;
    for (const PacketRow& row : table.storedRows())
        list << row.state;
    return list;
}

} // namespace TestTables
