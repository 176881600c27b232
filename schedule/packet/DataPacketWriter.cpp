#include "schedule/packet/DataPacketWriter.h"

#include "schedule/packet/DataPacketText.h"
#include "toolkit/base/Exception.h"

#include <QHash>

using namespace DataPacketText;

namespace {

void appendAttribute(QByteArray& out, QLatin1String name, QStringView value)
{
    out.append(' ');
    out.append(name.data(), name.size());
    out.append("=\"");
    AppendEscaped(out, value);
    out.append('"');
}

// Attribute names are written as they are; the reader only lets XML names in.
void appendName(QByteArray& out, QStringView name)
{
    for (const QChar c : name) {
        const std::optional<char> byte = AnsiByte(c.unicode());
        if (!byte)
            throw Exception(QStringLiteral("Invalid field name \"%1\".").arg(name));
        out.append(*byte);
    }
}

void appendAttribute(QByteArray& out, QStringView name, QStringView value)
{
    out.append(' ');
    appendName(out, name);
    out.append("=\"");
    AppendEscaped(out, value);
    out.append('"');
}

void appendParamChild(QByteArray& out, const PacketParam& param)
{
    out.append("<PARAM");
    appendAttribute(out, QLatin1String("Name"), param.name);
    appendAttribute(out, QLatin1String("Value"), param.value);
    appendAttribute(out, QLatin1String("Type"), param.type);
    if (param.roundtrip)
        out.append(" Roundtrip=\"True\"");
    out.append("/>");
}

const PacketParam* findParam(const PacketField& field, QLatin1String name)
{
    for (const PacketParam& param : field.params) {
        if (!param.child && param.name == name)
            return &param;
    }
    return nullptr;
}

// A field made in code may carry no type word; the file must name one or no reader takes it.
QString typeWordOf(const PacketField& field)
{
    if (!field.typeWord.isEmpty())
        return field.typeWord;
    switch (field.kind) {
    case FieldKind::Date:
        return QStringLiteral("date");
    case FieldKind::Time:
        return QStringLiteral("time");
    case FieldKind::DateTime:
        return QStringLiteral("dateTime");
    case FieldKind::Boolean:
        return QStringLiteral("boolean");
    case FieldKind::Integer:
        return QStringLiteral("i4");
    case FieldKind::Float:
        return QStringLiteral("r8");
    case FieldKind::Fixed:
        return QStringLiteral("fixed");
    case FieldKind::Memo:
    case FieldKind::Blob:
        return QStringLiteral("bin.hex");
    case FieldKind::String:
    case FieldKind::Other:
        break;
    }
    return QStringLiteral("string");
}

void appendField(QByteArray& out, const PacketField& field)
{
    const QString& attrname = field.attrname.isEmpty() ? field.name : field.attrname;
    out.append("<FIELD");
    appendAttribute(out, QLatin1String("attrname"), attrname);
    if (attrname != field.name)
        appendAttribute(out, QLatin1String("fieldname"), field.name);
    appendAttribute(out, QLatin1String("fieldtype"), typeWordOf(field));
    if (field.readonly)
        out.append(" readonly=\"true\"");
    if (field.required)
        out.append(" required=\"true\"");
    if (field.hidden)
        out.append(" hidden=\"true\"");
    if (field.linkfield)
        out.append(" linkfield=\"true\"");
    if (!field.subtype.isEmpty())
        appendAttribute(out, QLatin1String("SUBTYPE"), field.subtype);
    else if (field.kind == FieldKind::Memo)
        out.append(" SUBTYPE=\"Text\""); // what makes a reader take the bytes as text
    if (const PacketParam* decimals = findParam(field, QLatin1String("DECIMALS")))
        appendAttribute(out, QLatin1String("DECIMALS"), decimals->value);
    if (field.size > 0)
        appendAttribute(out, QLatin1String("WIDTH"), QString::number(field.size));
    else if (const PacketParam* width = findParam(field, QLatin1String("WIDTH")))
        appendAttribute(out, QLatin1String("WIDTH"), width->value); // read as it stood, not a size
    if (const PacketParam* calculated = findParam(field, QLatin1String("CALCULATED")))
        appendAttribute(out, QLatin1String("CALCULATED"), calculated->value);
    bool children = false;
    for (const PacketParam& param : field.params) {
        if (param.child) {
            children = true;
            continue;
        }
        if (param.name == QLatin1String("DECIMALS") || param.name == QLatin1String("CALCULATED") ||
            param.name == QLatin1String("SUBTYPE") || param.name == QLatin1String("WIDTH"))
            continue;
        appendAttribute(out, QStringView(param.name), param.value);
    }
    if (!children) {
        out.append("/>");
        return;
    }
    out.append('>');
    for (const PacketParam& param : field.params) {
        if (param.child)
            appendParamChild(out, param);
    }
    out.append("</FIELD>");
}

void appendParams(QByteArray& out, const TablePacket& packet)
{
    out.append("<PARAMS");
    if (!packet.changeLog.isEmpty()) {
        out.append(" CHANGE_LOG=\"");
        for (qsizetype i = 0; i < packet.changeLog.size(); ++i) {
            if (i > 0)
                out.append(' ');
            out.append(QByteArray::number(packet.changeLog[i]));
        }
        out.append('"');
    }
    bool children = false;
    for (const PacketParam& param : packet.params) {
        if (param.child)
            children = true;
        else if (param.name != QLatin1String("CHANGE_LOG"))
            appendAttribute(out, QStringView(param.name), param.value);
    }
    if (!children) {
        out.append("/>");
        return;
    }
    out.append('>');
    for (const PacketParam& param : packet.params) {
        if (param.child)
            appendParamChild(out, param);
    }
    out.append("</PARAMS>");
}

// The value text of one field, or false when the value is null or cannot be written.
bool appendValue(QByteArray& out, const PacketField& field, const QVariant& value)
{
    switch (field.kind) {
    case FieldKind::String:
    case FieldKind::Fixed:
    case FieldKind::Other:
        AppendEscaped(out, value.toString());
        return true;
    case FieldKind::Date: {
        const QDate date = value.toDate();
        if (!date.isValid() || date.year() < 1 || date.year() > 9999)
            return false;
        AppendDate(out, date);
        return true;
    }
    case FieldKind::Time: {
        const QTime time = value.toTime();
        if (!time.isValid())
            return false;
        AppendTime(out, time);
        return true;
    }
    case FieldKind::DateTime: {
        const QDateTime dateTime = value.toDateTime();
        if (!dateTime.isValid() || dateTime.date().year() < 1 || dateTime.date().year() > 9999)
            return false;
        AppendDateTime(out, dateTime);
        return true;
    }
    case FieldKind::Boolean:
        out.append(value.toBool() ? "TRUE" : "FALSE");
        return true;
    case FieldKind::Integer:
        out.append(QByteArray::number(value.toLongLong()));
        return true;
    case FieldKind::Float:
        out.append(FormatFloat(value.toDouble()));
        return true;
    case FieldKind::Memo:
        out.append(MemoBytes(value.toString()).toBase64());
        return true;
    case FieldKind::Blob:
        out.append(value.toByteArray().toBase64());
        return true;
    }
    return false;
}

bool isBlobKind(FieldKind kind)
{
    return kind == FieldKind::Memo || kind == FieldKind::Blob;
}

} // namespace

QByteArray TDataPacketWriter::Write(const TablePacket& packet) const
{
    const bool logged = !packet.changeLog.isEmpty();
    QByteArray out;
    out.reserve(1024 + packet.rows.size() * (32 + packet.fields.size() * 24));
    out.append("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    for (const PacketField& field : packet.fields) {
        const QString& attrname = field.attrname.isEmpty() ? field.name : field.attrname;
        if (!IsXmlName(attrname) || attrname == QLatin1String("RowState"))
            throw Exception(QStringLiteral("Invalid field name \"%1\".").arg(field.name));
        appendField(out, field);
    }
    out.append("</FIELDS>");
    appendParams(out, packet);
    out.append("</METADATA><ROWDATA>");

    // Which version a modified row replaces: its memo is left out when the modification kept it.
    QHash<uint, uint> replaces;
    if (logged) {
        for (qsizetype i = 0; i + 2 < packet.changeLog.size(); i += 3) {
            if (packet.changeLog[i + 2] & RowState::Modified)
                replaces.insert(packet.changeLog[i], packet.changeLog[i + 1]);
        }
    }
    QList<QByteArray> names;
    for (const PacketField& field : packet.fields) {
        QByteArray name(" ");
        appendName(name, field.attrname.isEmpty() ? field.name : field.attrname);
        name.append("=\"");
        names.append(name);
    }

    for (qsizetype r = 0; r < packet.rows.size(); ++r) {
        const PacketRow& row = packet.rows[r];
        if (!logged && (row.state & RowState::NotCurrent))
            continue;
        out.append("<ROW");
        if (logged && row.state != 0) {
            out.append(" RowState=\"");
            out.append(QByteArray::number(row.state));
            out.append('"');
        }
        const PacketRow* replaced = nullptr;
        if (logged && (row.state & RowState::Modified)) {
            const uint number = replaces.value(static_cast<uint>(r + 1));
            if (number >= 1 && number <= static_cast<uint>(packet.rows.size()))
                replaced = &packet.rows[number - 1];
        }
        for (qsizetype f = 0; f < packet.fields.size(); ++f) {
            const PacketField& field = packet.fields[f];
            const QVariant value = f < row.values.size() ? row.values[f] : QVariant();
            if (replaced && isBlobKind(field.kind)) {
                const QVariant before = f < replaced->values.size() ? replaced->values[f] : QVariant();
                if (value.isValid() == before.isValid() && (!value.isValid() || value == before))
                    continue; // unchanged by the modification: a reader takes it from the replaced version
                if (!value.isValid()) {
                    out.append(names[f]); // cleared: an empty value keeps the old memo from coming back
                    out.append('"');
                    continue;
                }
            }
            if (!value.isValid())
                continue;
            const qsizetype mark = out.size();
            out.append(names[f]);
            if (!appendValue(out, field, value)) {
                out.truncate(mark);
                continue;
            }
            out.append('"');
        }
        out.append("/>");
    }
    out.append("</ROWDATA></DATAPACKET>");
    return out;
}
