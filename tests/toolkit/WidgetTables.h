#pragma once

#include "TestTables.h"
#include "toolkit/table/ClientTable.h"
#include "toolkit/table/DataSource.h"

// A table for the data-aware controls: name (string 20), day (date), at (time), note (memo),
// flag (string 2), open, bound to a data source.
struct BoundTable
{
    BoundTable()
    {
        TestTables::defineFields(table);
        table.addField(TestTables::stringField(QStringLiteral("flag"), 2), QStringLiteral("_flag"));
        source.setDataSet(&table);
        table.createDataSet();
    }
    Q_DISABLE_COPY_MOVE(BoundTable)

    void addRow(const QString& name, const QVariant& day = {}, const QVariant& at = {},
                const QString& flag = {})
    {
        table.insert();
        table.setValue(QStringLiteral("name"), name);
        table.setValue(QStringLiteral("day"), day);
        table.setValue(QStringLiteral("at"), at);
        table.setValue(QStringLiteral("flag"), flag.isNull() ? QVariant() : QVariant(flag));
        table.post();
    }
    QVariant value(const char* field) const { return table.value(QLatin1String(field)); }

    ClientTable table{QStringLiteral("T")};
    DataSource source;
};
