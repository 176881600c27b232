// The order of a client table's current rows under its current index.
#include "toolkit/table/ClientTable.h"

#include <QCollator>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <algorithm>

namespace {

template <typename T> int threeWay(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

struct KeyPart
{
    int field;
    FieldKind kind;
};

class RowComparer
{
public:
    RowComparer(const IndexDef& definition, QList<KeyPart> parts)
        : m_definition(definition), m_parts(std::move(parts)),
          m_case(definition.options.testFlag(IndexDef::CaseInsensitive) ? Qt::CaseInsensitive
                                                                        : Qt::CaseSensitive)
    {
        m_collator.setCaseSensitivity(m_case);
    }

    int compare(const PacketRow& a, const PacketRow& b) const
    {
        for (const KeyPart& part : m_parts) {
            int result = compareValues(a.values.value(part.field), b.values.value(part.field), part.kind);
            if (result != 0)
                return m_definition.descending() ? -result : result;
        }
        return 0;
    }

private:
    int compareValues(const QVariant& a, const QVariant& b, FieldKind kind) const
    {
        if (!a.isValid() || !b.isValid())
            return threeWay(a.isValid(), b.isValid()); // null comes first
        switch (kind) {
        case FieldKind::Date:
            return threeWay(a.toDate(), b.toDate());
        case FieldKind::Time:
            return threeWay(a.toTime(), b.toTime());
        case FieldKind::DateTime:
            return threeWay(a.toDateTime(), b.toDateTime());
        case FieldKind::Boolean:
            return threeWay(a.toBool(), b.toBool());
        case FieldKind::Integer:
            return threeWay(a.toLongLong(), b.toLongLong());
        case FieldKind::Float:
            return threeWay(a.toDouble(), b.toDouble());
        case FieldKind::Blob:
            return threeWay(a.toByteArray(), b.toByteArray());
        default:
            break;
        }
        const QString left = a.toString();
        const QString right = b.toString();
        const int result = m_definition.textOrder == IndexDef::TextOrder::Locale
                               ? m_collator.compare(left, right)
                               : left.compare(right, m_case);
        return threeWay(result, 0);
    }

    const IndexDef& m_definition;
    QList<KeyPart> m_parts;
    Qt::CaseSensitivity m_case;
    QCollator m_collator;
};

} // namespace

void ClientTable::rebuildOrder(int keepStored)
{
    const IndexDef* const index = m_indexName.isEmpty() ? nullptr : findIndexDef(m_indexName);
    QList<KeyPart> parts;
    if (index) {
        for (const QString& name : index->fields) {
            const TableField& field = fieldByName(name.trimmed());
            parts.append({fieldIndex(field), field.kind()});
        }
    }

    const int place = m_cursor;
    QList<int> order;
    for (int i = 0; i < m_rows.size(); ++i) {
        if ((m_rows.at(i).state & RowState::NotCurrent) == 0)
            order.append(i);
    }
    // Without an index a row keeps the place of its first version.
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return m_rootOf.value(a, a) < m_rootOf.value(b, b); });
    if (index) {
        const RowComparer comparer(*index, parts);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return comparer.compare(m_rows.at(a), m_rows.at(b)) < 0; });
    }
    m_order = order;

    const qsizetype found = keepStored >= 0 ? m_order.indexOf(keepStored) : -1;
    if (found >= 0)
        m_cursor = int(found);
    else if (m_order.isEmpty())
        m_cursor = -1;
    else
        m_cursor = std::clamp(place, 0, int(m_order.size()) - 1);
}
