#include "toolkit/table/DataSource.h"

#include "toolkit/table/DataLink.h"

DataSource::DataSource(QObject* parent) : QObject(parent) {}

DataSource::~DataSource()
{
    if (m_table)
        m_table->detach(this);
}

void DataSource::setDataSet(ClientTable* table)
{
    if (m_table == table)
        return;
    const TableState before = state();
    if (m_table)
        m_table->detach(this);
    m_table = table;
    if (m_table)
        m_table->attach(this);
    if (controlsDisabled())
        return;
    announceDataSet();
    if (state() != before)
        announceState();
}

TableState DataSource::state() const
{
    return m_table ? m_table->state() : TableState::Inactive;
}

void DataSource::addLink(DataLink* link)
{
    if (link && !m_links.contains(link))
        m_links.append(link);
}

void DataSource::removeLink(DataLink* link)
{
    m_links.removeAll(link);
}

void DataSource::disableControls()
{
    if (m_disableCount++ == 0)
        m_stateWhenDisabled = state();
}

void DataSource::enableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount > 0)
        return;
    if (state() != m_stateWhenDisabled)
        announceState();
    announceDataSet();
}

void DataSource::tableNotice(ClientTable::Notice notice, const TableField* field, int row, int other)
{
    // A change of the field list reaches everyone at once, even while updates are disabled:
    // no control or model may hold on to a field object that no longer exists.
    if (controlsDisabled() && notice != ClientTable::Notice::LayoutChanged)
        return;
    const QList<DataLink*> links = m_links;
    switch (notice) {
    case ClientTable::Notice::StateChanged:
        announceState();
        break;
    case ClientTable::Notice::DataSetChanged:
        announceDataSet();
        break;
    case ClientTable::Notice::LayoutChanged:
        emit layoutChanged();
        for (DataLink* link : links)
            link->dataSetChanged();
        break;
    case ClientTable::Notice::RowChanged:
        emit rowChanged();
        for (DataLink* link : links)
            link->rowChanged();
        break;
    case ClientTable::Notice::FieldChanged:
        emit fieldChanged(field);
        for (DataLink* link : links)
            link->dataChanged(field);
        break;
    // Controls show the current row only; they hear of it through the notices that follow.
    case ClientTable::Notice::RowAboutToBeInserted:
        emit rowAboutToBeInserted(row);
        break;
    case ClientTable::Notice::RowAboutToBeRemoved:
        emit rowAboutToBeRemoved(row);
        break;
    case ClientTable::Notice::RowInserted:
        emit rowInserted(row);
        break;
    case ClientTable::Notice::RowRemoved:
        emit rowRemoved(row);
        break;
    case ClientTable::Notice::RowMoved:
        emit rowMoved(row, other);
        break;
    }
}

void DataSource::tableDestroyed()
{
    // Controls and models drop what they hold of the table before anyone asks them again.
    const TableState before = state();
    m_table = nullptr;
    if (controlsDisabled())
        return;
    announceDataSet();
    if (before != TableState::Inactive)
        announceState();
}

void DataSource::announceState()
{
    emit stateChanged();
    const QList<DataLink*> links = m_links;
    for (DataLink* link : links)
        link->stateChanged();
    if (onStateChange)
        onStateChange(*this);
}

void DataSource::announceDataSet()
{
    emit dataSetChanged();
    const QList<DataLink*> links = m_links;
    for (DataLink* link : links)
        link->dataSetChanged();
}

void DataSource::askControlsToWrite()
{
    // Also while updates are disabled: a value typed into a control is never lost.
    const QList<DataLink*> links = m_links;
    for (DataLink* link : links)
        link->updateRecord();
}
