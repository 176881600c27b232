#include "toolkit/table/ClientTable.h"

#include "toolkit/base/Exception.h"
#include "toolkit/table/DataSource.h"

ClientTable::ClientTable(QString componentName) : m_componentName(std::move(componentName)) {}

ClientTable::~ClientTable()
{
    try {
        close();
    } catch (const Exception& error) {
        qWarning("%s", error.what());
    }
    const QList<DataSource*> sources = m_sources;
    m_sources.clear();
    for (DataSource* source : sources)
        source->tableDestroyed();
}

void ClientTable::fail(const QString& message) const
{
    throw Exception(m_componentName.isEmpty() ? message : m_componentName % QStringLiteral(": ") % message);
}

void ClientTable::checkActive() const
{
    if (!active())
        fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void ClientTable::checkInactive() const
{
    if (active())
        fail(QStringLiteral("Cannot perform this operation on an open dataset"));
}

// ---- fields

TableField& ClientTable::addField(const PacketField& definition, const QString& componentName)
{
    checkInactive();
    if (definition.name.isEmpty())
        fail(QStringLiteral("Field name missing"));
    if (findField(definition.name))
        fail(QStringLiteral("Duplicate field name '%1'").arg(definition.name));
    m_fields.push_back(std::make_unique<TableField>(*this, definition, componentName));
    m_displayOrder.append(m_fields.back().get());
    notify(Notice::LayoutChanged);
    return *m_fields.back();
}

void ClientTable::clearFields()
{
    checkInactive();
    m_displayOrder.clear();
    m_fields.clear();
    notify(Notice::LayoutChanged);
}

TableField* ClientTable::findField(const QString& name) const
{
    for (const auto& field : m_fields) {
        if (field->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    }
    return nullptr;
}

TableField& ClientTable::fieldByName(const QString& name) const
{
    TableField* const found = findField(name);
    if (!found)
        fail(QStringLiteral("Field '%1' not found").arg(name));
    return *found;
}

QList<TableField*> ClientTable::fields() const
{
    QList<TableField*> list;
    list.reserve(fieldCount());
    for (const auto& field : m_fields)
        list.append(field.get());
    return list;
}

QList<TableField*> ClientTable::displayFields() const
{
    return m_displayOrder;
}

int ClientTable::fieldIndex(const TableField& field) const
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].get() == &field)
            return int(i);
    }
    return -1;
}

int ClientTable::fieldPosition(const TableField& field) const
{
    return int(m_displayOrder.indexOf(&field));
}

void ClientTable::moveField(TableField& field, int position)
{
    const qsizetype from = m_displayOrder.indexOf(&field);
    if (from < 0)
        return;
    const qsizetype to = std::clamp<qsizetype>(position, 0, m_displayOrder.size() - 1);
    if (from != to) {
        m_displayOrder.move(from, to);
        notify(Notice::LayoutChanged);
    }
}

void ClientTable::fieldLayoutChanged()
{
    notify(Notice::LayoutChanged);
}

// ---- indexes

void ClientTable::addIndexDef(const IndexDef& definition)
{
    if (definition.name.isEmpty())
        fail(QStringLiteral("Index name missing"));
    if (findIndexDef(definition.name))
        fail(QStringLiteral("Duplicate index name '%1'").arg(definition.name));
    m_indexDefs.append(definition);
}

const IndexDef* ClientTable::findIndexDef(const QString& name) const
{
    for (const IndexDef& definition : m_indexDefs) {
        if (definition.name == name)
            return &definition;
    }
    return nullptr;
}

void ClientTable::setIndexName(const QString& name)
{
    if (!name.isEmpty() && !findIndexDef(name))
        fail(QStringLiteral("Index '%1' not found").arg(name));
    if (!active()) {
        m_indexName = name;
        return;
    }
    checkBrowseMode();
    const int keep = m_cursor >= 0 ? storedIndexAt(m_cursor) : -1;
    const QString previous = m_indexName;
    m_indexName = name;
    try {
        rebuildOrder(keep);
    } catch (...) {
        m_indexName = previous;
        rebuildOrder(keep);
        throw;
    }
    notify(Notice::DataSetChanged);
}

// ---- states and navigation

void ClientTable::setState(TableState state)
{
    if (m_state == state)
        return;
    m_state = state;
    notify(Notice::StateChanged);
}

void ClientTable::checkBrowseMode()
{
    checkActive();
    if (m_state == TableState::Edit || m_state == TableState::Insert) {
        askControlsToWrite();
        if (m_modified)
            post();
        else
            cancel();
    }
}

void ClientTable::scrolled()
{
    notify(Notice::RowChanged);
    if (m_events.afterScroll)
        m_events.afterScroll(*this);
}

void ClientTable::first()
{
    checkBrowseMode();
    m_cursor = isEmpty() ? -1 : 0;
    m_bof = true;
    m_eof = isEmpty();
    scrolled();
}

void ClientTable::last()
{
    checkBrowseMode();
    m_cursor = int(m_order.size()) - 1;
    m_eof = true;
    m_bof = isEmpty();
    scrolled();
}

void ClientTable::next()
{
    checkBrowseMode();
    if (m_cursor + 1 < recordCount()) {
        ++m_cursor;
        m_bof = false;
        m_eof = false;
        scrolled();
    } else {
        m_eof = true;
    }
}

void ClientTable::prior()
{
    checkBrowseMode();
    if (m_cursor > 0) {
        --m_cursor;
        m_bof = false;
        m_eof = false;
        scrolled();
    } else {
        m_bof = true;
    }
}

void ClientTable::moveTo(int recordIndex)
{
    checkBrowseMode();
    if (recordIndex < 0 || recordIndex >= recordCount())
        fail(QStringLiteral("Record %1 does not exist").arg(recordIndex));
    m_cursor = recordIndex;
    m_bof = false;
    m_eof = false;
    scrolled();
}

// ---- editing

void ClientTable::insert()
{
    checkBrowseMode();
    if (m_events.beforeInsert)
        m_events.beforeInsert(*this);
    const TableState before = m_state;
    const int at = std::max(m_cursor, 0);
    notifyRow(Notice::RowAboutToBeInserted, at);
    m_insertAt = at;
    m_buffer = QList<QVariant>(fieldCount());
    m_modified = false;
    m_state = TableState::Insert;
    notifyRow(Notice::RowInserted, m_insertAt);
    finishState(TableState::Insert, before);
    if (m_events.afterInsert)
        m_events.afterInsert(*this);
    scrolled();
}

void ClientTable::finishState(TableState state, TableState before)
{
    m_state = state;
    if (state != before)
        notify(Notice::StateChanged);
}

void ClientTable::edit()
{
    checkActive();
    if (m_state == TableState::Edit || m_state == TableState::Insert)
        return;
    if (isEmpty()) {
        insert();
        return;
    }
    if (m_events.beforeEdit)
        m_events.beforeEdit(*this);
    m_buffer = m_rows.at(storedIndexAt(m_cursor)).values;
    m_modified = false;
    setState(TableState::Edit);
    notify(Notice::RowChanged);
    if (m_events.afterEdit)
        m_events.afterEdit(*this);
}

void ClientTable::post()
{
    checkActive();
    askControlsToWrite();
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        return;
    if (m_events.beforePost)
        m_events.beforePost(*this);
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        return; // the handler finished the change itself
    const TableState before = m_state;
    const int from = viewCurrentRow();
    const uint number = uint(m_rows.size()) + 1;
    PacketRow row;
    row.values = m_buffer;
    if (m_state == TableState::Insert) {
        row.state = RowState::Inserted;
        m_rootOf.append(int(m_rows.size()));
        m_changeLog << number << 0u << uint(RowState::Inserted);
    } else {
        const int old = storedIndexAt(m_cursor);
        m_rows[old].state |= RowState::Original;
        row.state = RowState::Modified | (m_rows.at(old).state & RowState::Inserted);
        m_rootOf.append(m_rootOf.at(old));
        m_changeLog << number << uint(old + 1) << uint(RowState::Modified);
    }
    m_rows.append(std::move(row));
    m_changed = true;
    m_buffer.clear();
    m_modified = false;
    rebuildOrder(int(m_rows.size()) - 1);
    m_eof = m_bof = false;
    m_state = TableState::Browse;
    if (from != m_cursor)
        notifyRow(Notice::RowMoved, from, m_cursor);
    notify(Notice::FieldChanged); // the whole row, as posted (trimmed, say)
    finishState(TableState::Browse, before);
    if (m_events.afterPost)
        m_events.afterPost(*this);
}

void ClientTable::cancel()
{
    checkActive();
    if (m_state != TableState::Edit && m_state != TableState::Insert)
        return;
    if (m_events.beforeCancel)
        m_events.beforeCancel(*this);
    const TableState before = m_state;
    if (before == TableState::Insert)
        notifyRow(Notice::RowAboutToBeRemoved, m_insertAt);
    m_buffer.clear();
    m_modified = false;
    m_state = TableState::Browse;
    if (before == TableState::Insert)
        notifyRow(Notice::RowRemoved, m_insertAt);
    notify(Notice::FieldChanged); // the whole row, as stored
    finishState(TableState::Browse, before);
    if (m_events.afterCancel)
        m_events.afterCancel(*this);
}

void ClientTable::deleteRecord()
{
    checkActive();
    if (m_state == TableState::Insert) {
        cancel();
        return;
    }
    if (isEmpty())
        fail(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (m_events.beforeDelete)
        m_events.beforeDelete(*this);
    const int stored = storedIndexAt(m_cursor);
    const int place = m_cursor;
    notifyRow(Notice::RowAboutToBeRemoved, place);
    m_rows[stored].state |= RowState::Deleted;
    m_changeLog << uint(stored + 1) << 0u << uint(RowState::Deleted);
    m_changed = true;
    const TableState before = m_state;
    m_buffer.clear();
    m_modified = false;
    rebuildOrder(-1);
    m_cursor = isEmpty() ? -1 : std::min(place, recordCount() - 1);
    m_eof = m_bof = isEmpty();
    m_state = TableState::Browse;
    notifyRow(Notice::RowRemoved, place);
    finishState(TableState::Browse, before);
    if (m_events.afterDelete)
        m_events.afterDelete(*this);
    scrolled();
}

// ---- data sources

void ClientTable::attach(DataSource* source)
{
    if (!m_sources.contains(source))
        m_sources.append(source);
}

void ClientTable::detach(DataSource* source)
{
    m_sources.removeAll(source);
}

void ClientTable::disableControls()
{
    for (DataSource* source : std::as_const(m_sources))
        source->disableControls();
}

void ClientTable::enableControls()
{
    for (DataSource* source : std::as_const(m_sources))
        source->enableControls();
}

void ClientTable::notify(Notice notice, const TableField* field, int row, int other)
{
    const QList<DataSource*> sources = m_sources; // a handler may unbind a source
    for (DataSource* source : sources) {
        if (m_sources.contains(source))
            source->tableNotice(notice, field, row, other);
    }
}

void ClientTable::askControlsToWrite()
{
    const QList<DataSource*> sources = m_sources;
    for (DataSource* source : sources) {
        if (m_sources.contains(source))
            source->askControlsToWrite();
    }
}
