// Opening, creating, closing and writing a client table.
#include "toolkit/table/ClientTable.h"

#include "toolkit/base/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

void ClientTable::open()
{
    if (active())
        return;
    if (m_events.beforeOpen)
        m_events.beforeOpen(*this);
    if (m_fileName.isEmpty())
        fail(QStringLiteral("Missing data provider or data packet"));
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot open file \"%1\". %2").arg(m_fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.isEmpty())
        fail(QStringLiteral("Missing data provider or data packet"));
    if (!m_codec)
        fail(QStringLiteral("No file format for \"%1\"").arg(m_fileName));
    loadPacket(m_codec->read(bytes));
    activate();
}

void ClientTable::createDataSet()
{
    checkInactive();
    if (m_fields.empty())
        fail(QStringLiteral("No fields defined; cannot create the table"));
    if (m_events.beforeOpen)
        m_events.beforeOpen(*this);
    m_rows.clear();
    m_rootOf.clear();
    m_changeLog.clear();
    m_params.clear();
    activate();
}

void ClientTable::activate()
{
    m_changed = false;
    m_buffer.clear();
    m_modified = false;
    try {
        rebuildOrder(-1);
    } catch (...) {
        release(); // the current index names a field the file lacks
        throw;
    }
    m_cursor = isEmpty() ? -1 : 0;
    m_eof = m_bof = true;
    m_eof = isEmpty();
    setState(TableState::Browse);
    notify(Notice::DataSetChanged);
    try {
        if (m_events.afterOpen)
            m_events.afterOpen(*this);
    } catch (...) {
        // A table whose opening failed stays closed, and nothing is written for it.
        setState(TableState::Inactive);
        release();
        throw;
    }
    scrolled();
}

void ClientTable::release()
{
    m_rows.clear();
    m_rootOf.clear();
    m_changeLog.clear();
    m_params.clear();
    m_order.clear();
    m_buffer.clear();
    m_modified = false;
    m_changed = false;
    m_cursor = -1;
    m_eof = m_bof = true;
    notify(Notice::DataSetChanged);
}

void ClientTable::close()
{
    if (!active())
        return;
    if (m_events.beforeClose)
        m_events.beforeClose(*this);
    // An unposted change is discarded, without the checks of a post.
    m_buffer.clear();
    m_modified = false;
    if (state() != TableState::Browse) {
        setState(TableState::Browse);
        notify(Notice::DataSetChanged);
    }
    const bool write = !m_fileName.isEmpty() && (m_changed || !QFileInfo(m_fileName).isFile());
    if (write) {
        if (!m_codec)
            fail(QStringLiteral("No file format for \"%1\"").arg(m_fileName));
        // A write that fails leaves the table open with its rows, so no posted change is lost:
        // closing again once the cause is mended writes them.
        writeFile(m_codec->write(packet()));
    }
    setState(TableState::Inactive);
    release();
    if (m_events.afterClose)
        m_events.afterClose(*this);
}

void ClientTable::writeFile(const QByteArray& bytes) const
{
    // Written beside the old file and renamed over it, so a failed write leaves the old one whole.
    const QFileInfo info(m_fileName);
    QDir().mkpath(info.absolutePath());
    QSaveFile file(m_fileName);
    const auto cannotCreate = [&](const QString& reason) {
        throw Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(m_fileName, reason));
    };
    // Unbuffered, so a short write (a full disk, a size limit) is seen here: a buffered save file
    // can take a short write at commit time for success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        cannotCreate(file.errorString());
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();
            cannotCreate(reason);
        }
        done += written;
    }
    if (!file.commit())
        cannotCreate(file.errorString());
}

void ClientTable::loadPacket(TablePacket packet)
{
    // The field objects become those of the file; objects of the same name keep their presentation.
    std::vector<std::unique_ptr<TableField>> previous = std::move(m_fields);
    m_fields.clear();
    QList<TableField*> order;
    for (PacketField& definition : packet.fields) {
        std::unique_ptr<TableField> object;
        for (auto& old : previous) {
            if (old && old->fieldName().compare(definition.name, Qt::CaseInsensitive) == 0) {
                object = std::move(old);
                break;
            }
        }
        if (object)
            object->redefine(std::move(definition));
        else
            object = std::make_unique<TableField>(*this, std::move(definition), QString());
        m_fields.push_back(std::move(object));
    }
    // Keep the earlier column order for fields that stay; new fields follow.
    for (TableField* field : std::as_const(m_displayOrder)) {
        if (fieldIndex(*field) >= 0)
            order.append(field);
    }
    for (const auto& field : m_fields) {
        if (!order.contains(field.get()))
            order.append(field.get());
    }
    m_displayOrder = order;
    notify(Notice::LayoutChanged);

    const qsizetype width = qsizetype(m_fields.size());
    m_rows = std::move(packet.rows);
    for (PacketRow& row : m_rows)
        row.values.resize(width);
    m_changeLog = std::move(packet.changeLog);
    m_changeLog.resize(m_changeLog.size() - m_changeLog.size() % 3);
    m_params = std::move(packet.params);

    // Link each version made by a modification to the first version of its row.
    m_rootOf.clear();
    for (int i = 0; i < m_rows.size(); ++i)
        m_rootOf.append(i);
    for (qsizetype i = 0; i + 2 < m_changeLog.size(); i += 3) {
        const qsizetype row = qsizetype(m_changeLog[i]) - 1;
        const qsizetype replaced = qsizetype(m_changeLog[i + 1]) - 1;
        if ((m_changeLog[i + 2] & RowState::Modified) && row > replaced && replaced >= 0 &&
            row < m_rows.size())
            m_rootOf[row] = m_rootOf[replaced];
    }
}

TablePacket ClientTable::packet() const
{
    TablePacket packet;
    for (const auto& field : m_fields)
        packet.fields.append(field->definition());
    packet.params = m_params;
    packet.rows = m_rows;
    packet.changeLog = m_changeLog;
    return packet;
}
