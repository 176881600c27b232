#include "schedule/packet/DataPacketReader.h"

#include "schedule/packet/DataPacketText.h"
#include "toolkit/base/Exception.h"

#include <QHash>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>

using namespace DataPacketText;

namespace {

const QString Mismatch = QStringLiteral("Mismatch in datapacket.");

[[noreturn]] void refuse(const QString& message)
{
    throw Exception(message);
}

// The encoding the declaration names, in lower case; empty when it names none.
QByteArray declaredEncoding(QByteArrayView bytes)
{
    if (!bytes.startsWith("<?xml"))
        return {};
    const qsizetype end = bytes.indexOf("?>");
    if (end < 0)
        return {};
    const QByteArray declaration = bytes.first(end).toByteArray().toLower();
    const qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return {};
    qsizetype i = at + 8;
    while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '='))
        ++i;
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\''))
        return {};
    const char quote = declaration[i];
    const qsizetype close = declaration.indexOf(quote, i + 1);
    return close > i ? declaration.mid(i + 1, close - i - 1) : QByteArray();
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

// What the parser gets, by the encoding rule: UTF-8 behind a byte-order mark, or under a declaration
// that says UTF-8 when every byte fits; otherwise Windows-1252. The parser reads UTF-8 bytes fastest;
// a declaration naming any other encoding would mislead it, so that text goes to it decoded.
struct ParserInput
{
    QByteArray utf8; // when set, UTF-8 bytes whose declaration names UTF-8 or nothing
    QString text;    // otherwise
};

ParserInput parserInput(const QByteArray& bytes)
{
    const QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return {{}, decoder(view.sliced(3))};
    }
    const QByteArray declared = declaredEncoding(view);
    const bool saysUtf8 = declared == "utf-8";
    if (!declared.isEmpty() && !saysUtf8)
        return {{}, FromAnsi(view)};
    if (isAscii(view) || (saysUtf8 && isUtf8(view)))
        return {bytes, {}};
    return {FromAnsi(view).toUtf8(), {}};
}

class PacketParser
{
public:
    PacketParser(const ParserInput& input, qsizetype fileSize) : m_cellLimit(8 * fileSize + 1'000'000)
    {
        m_xml.setNamespaceProcessing(false); // a data packet has no namespaces; "a:b" is just a name
        if (input.utf8.isNull())
            m_xml.addData(input.text);
        else
            m_xml.addData(input.utf8);
    }

    TablePacket Parse()
    {
        if (!nextChild() || m_xml.qualifiedName() != QLatin1String("DATAPACKET"))
            refuse(Mismatch);
        bool first = true;
        while (nextChild()) {
            const QStringView name = m_xml.qualifiedName();
            // Fields come before the rows that use them; a later METADATA is not taken.
            if (name == QLatin1String("METADATA") && !m_haveMetadata && !m_haveRows) {
                m_haveMetadata = true;
                readMetadata();
            } else if (name == QLatin1String("ROWDATA") && !m_haveRows) {
                m_haveRows = true;
                readRows();
            } else if (first) {
                refuse(Mismatch);
            } else {
                skip();
            }
            first = false;
        }
        if (first)
            refuse(Mismatch);
        checkChangeLog();
        takeReplacedMemos();
        return std::move(m_packet);
    }

private:
    void checkError()
    {
        if (m_xml.hasError())
            refuse(QStringLiteral("Error in datapacket at line %1, column %2: %3")
                       .arg(m_xml.lineNumber())
                       .arg(m_xml.columnNumber())
                       .arg(m_xml.errorString()));
    }

    // Moves to the next child element of the current element; false at its end tag.
    bool nextChild()
    {
        for (;;) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            switch (token) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndElement:
                return false;
            case QXmlStreamReader::DTD:
                refuse(Mismatch); // a data packet has no document type; its entities could grow without end
            case QXmlStreamReader::Invalid:
            case QXmlStreamReader::EndDocument:
                checkError();
                refuse(Mismatch);
            default:
                break;
            }
        }
    }

    void skip()
    {
        m_xml.skipCurrentElement();
        checkError();
    }

    void readMetadata()
    {
        if (!nextChild() || m_xml.qualifiedName() != QLatin1String("FIELDS"))
            refuse(Mismatch);
        readFields();
        while (nextChild()) {
            if (m_xml.qualifiedName() == QLatin1String("PARAMS"))
                readParams();
            else
                skip();
        }
    }

    void readFields()
    {
        while (nextChild()) {
            if (m_xml.qualifiedName() != QLatin1String("FIELD")) {
                skip();
                continue;
            }
            PacketField field = readField();
            const QString& attrname = field.attrname.isEmpty() ? field.name : field.attrname;
            if (!IsXmlName(attrname) || attrname == QLatin1String("RowState"))
                refuse(QStringLiteral("Invalid field name \"%1\".").arg(attrname));
            if (m_attrIndex.contains(attrname))
                refuse(QStringLiteral("Duplicate field name \"%1\".").arg(attrname));
            m_attrIndex.insert(attrname, m_attrnames.size());
            m_attrnames.append(attrname);
            m_packet.fields.append(std::move(field));
        }
    }

    static bool isTrue(QStringView value)
    {
        return value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }

    static PacketParam attributeParam(const QXmlStreamAttribute& attribute)
    {
        PacketParam param;
        param.name = attribute.qualifiedName().toString();
        param.value = attribute.value().toString();
        param.type = KnownParamType(param.name).value_or(QStringLiteral("string"));
        return param;
    }

    PacketParam readParamChild()
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        PacketParam param;
        param.name = attributes.value(QLatin1String("Name")).toString();
        param.value = attributes.value(QLatin1String("Value")).toString();
        param.type = attributes.value(QLatin1String("Type")).toString();
        param.roundtrip = isTrue(attributes.value(QLatin1String("Roundtrip")));
        param.child = true;
        skip();
        return param;
    }

    PacketField readField()
    {
        PacketField field;
        QString attrname;
        QString tagname;
        QString fieldname;
        QString typeWord;
        bool haveType = false;
        for (const QXmlStreamAttribute& attribute : m_xml.attributes()) {
            const QStringView name = attribute.qualifiedName();
            const QStringView value = attribute.value();
            if (name == QLatin1String("attrname")) {
                attrname = value.toString();
            } else if (name == QLatin1String("tagname")) {
                tagname = value.toString();
            } else if (name == QLatin1String("fieldname")) {
                fieldname = value.toString();
            } else if (name == QLatin1String("fieldtype")) {
                typeWord = value.toString();
                haveType = true;
            } else if (name == QLatin1String("readonly")) {
                field.readonly = isTrue(value);
            } else if (name == QLatin1String("required")) {
                field.required = isTrue(value);
            } else if (name == QLatin1String("hidden")) {
                field.hidden = isTrue(value);
            } else if (name == QLatin1String("linkfield")) {
                field.linkfield = isTrue(value);
            } else if (name == QLatin1String("SUBTYPE")) {
                field.subtype = value.toString();
            } else if (name == QLatin1String("WIDTH") && value.toInt() > 0) {
                field.size = value.toInt();
            } else {
                field.params.append(attributeParam(attribute));
            }
        }
        if (attrname.isEmpty())
            attrname = tagname;
        if (attrname.isEmpty())
            refuse(Mismatch);
        const std::optional<TypeWord> type = haveType ? FindTypeWord(typeWord) : std::nullopt;
        if (!type)
            refuse(QStringLiteral("Invalid field type."));
        field.typeWord = type->word;
        field.kind = type->kind;
        if (field.kind == FieldKind::Blob &&
            field.subtype.compare(QLatin1String("Text"), Qt::CaseInsensitive) == 0)
            field.kind = FieldKind::Memo;
        field.name = fieldname.isEmpty() ? attrname : fieldname;
        if (field.name != attrname)
            field.attrname = attrname;
        while (nextChild()) {
            if (m_xml.qualifiedName() == QLatin1String("PARAM"))
                field.params.append(readParamChild());
            else
                skip();
        }
        return field;
    }

    void readParams()
    {
        for (const QXmlStreamAttribute& attribute : m_xml.attributes()) {
            if (attribute.qualifiedName() == QLatin1String("CHANGE_LOG"))
                readChangeLog(attribute.value());
            else
                m_packet.params.append(attributeParam(attribute));
        }
        while (nextChild()) {
            if (m_xml.qualifiedName() == QLatin1String("PARAM"))
                m_packet.params.append(readParamChild());
            else
                skip();
        }
    }

    void readChangeLog(QStringView text)
    {
        const QString message = QStringLiteral("Invalid change log in datapacket.");
        for (const QStringView number : text.split(u' ', Qt::SkipEmptyParts)) {
            bool ok = false;
            const uint value = number.toUInt(&ok);
            if (!ok)
                refuse(message);
            m_packet.changeLog.append(value);
        }
        if (m_packet.changeLog.size() % 3 != 0)
            refuse(message);
    }

    void checkChangeLog() const
    {
        const uint count = static_cast<uint>(m_packet.rows.size());
        const QList<uint>& log = m_packet.changeLog;
        for (qsizetype i = 0; i < log.size(); i += 3) {
            if (log[i] < 1 || log[i] > count || log[i + 1] > count || log[i + 1] == log[i])
                refuse(QStringLiteral("Invalid change log in datapacket."));
        }
    }

    QVariant fieldValue(const PacketField& field, QStringView text) const
    {
        switch (field.kind) {
        case FieldKind::String:
        case FieldKind::Fixed:
        case FieldKind::Other:
            return text.toString();
        case FieldKind::Date: {
            const QDate date = ParseDate(text);
            return date.isValid() ? QVariant(date) : QVariant();
        }
        case FieldKind::Time: {
            const QTime time = ParseTime(text);
            return time.isValid() ? QVariant(time) : QVariant();
        }
        case FieldKind::DateTime: {
            const QDateTime dateTime = ParseDateTime(text);
            return dateTime.isValid() ? QVariant(dateTime) : QVariant();
        }
        case FieldKind::Boolean:
            if (text.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0)
                return true;
            if (text.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0)
                return false;
            return {};
        case FieldKind::Integer: {
            bool ok = false;
            const qlonglong value = text.trimmed().toLongLong(&ok);
            return ok ? QVariant(value) : QVariant();
        }
        case FieldKind::Float: {
            bool ok = false;
            const double value = text.trimmed().toDouble(&ok);
            return ok ? QVariant(value) : QVariant();
        }
        case FieldKind::Memo: {
            if (std::optional<QByteArray> bytes = DecodeBase64(text))
                return MemoText(*bytes);
            return text.toString(); // a memo another program stored as the text itself
        }
        case FieldKind::Blob: {
            if (std::optional<QByteArray> bytes = DecodeBase64(text))
                return *bytes;
            return MemoBytes(text);
        }
        }
        return {};
    }

    void readRows()
    {
        const qsizetype fieldCount = m_packet.fields.size();
        while (nextChild()) {
            if (m_xml.qualifiedName() != QLatin1String("ROW")) {
                skip();
                continue;
            }
            // Empty ROW elements of many fields cost little to write: keep memory in proportion to the file.
            m_cells += std::max<qsizetype>(fieldCount, 1);
            if (m_cells > m_cellLimit)
                refuse(QStringLiteral("The datapacket holds more values than its size allows."));
            PacketRow row;
            row.values.resize(fieldCount);
            QList<bool> present(fieldCount, false);
            qsizetype cursor = 0;
            for (const QXmlStreamAttribute& attribute : m_xml.attributes()) {
                const QStringView name = attribute.qualifiedName();
                if (name == QLatin1String("RowState")) {
                    bool ok = false;
                    const int state = attribute.value().toInt(&ok);
                    row.state = ok && state > 0 ? state : 0;
                    continue;
                }
                // Attributes mostly come in field order: try the field after the last match first.
                qsizetype index = -1;
                if (cursor < fieldCount && m_attrnames[cursor] == name) {
                    index = cursor;
                } else if (fieldCount <= 16) {
                    for (qsizetype f = 0; f < fieldCount; ++f) {
                        if (m_attrnames[f] == name) {
                            index = f;
                            break;
                        }
                    }
                } else {
                    index = m_attrIndex.value(name.toString(), -1);
                }
                if (index < 0)
                    continue; // names no field
                cursor = index + 1;
                present[index] = true;
                row.values[index] = fieldValue(m_packet.fields[index], attribute.value());
            }
            if (row.state & RowState::Modified) {
                for (qsizetype f = 0; f < fieldCount; ++f) {
                    const FieldKind kind = m_packet.fields[f].kind;
                    if (!present[f] && (kind == FieldKind::Memo || kind == FieldKind::Blob))
                        m_missingMemos.append({m_packet.rows.size(), f});
                }
            }
            m_packet.rows.append(std::move(row));
            skip();
        }
    }

    // A modified version that does not carry its memo kept the memo of the version it replaces.
    void takeReplacedMemos()
    {
        if (m_missingMemos.isEmpty())
            return;
        QHash<qsizetype, qsizetype> replaces;
        const QList<uint>& log = m_packet.changeLog;
        for (qsizetype i = 0; i < log.size(); i += 3) {
            if ((log[i + 2] & RowState::Modified) && log[i + 1] > 0)
                replaces.insert(log[i] - 1, log[i + 1] - 1);
        }
        for (const auto& [row, field] : m_missingMemos) {
            const qsizetype source = replaces.value(row, -1);
            if (source >= 0 && source < row) // earlier versions are already complete
                m_packet.rows[row].values[field] = m_packet.rows[source].values[field];
        }
    }

    QXmlStreamReader m_xml;
    TablePacket m_packet;
    QList<QString> m_attrnames;
    QHash<QString, qsizetype> m_attrIndex;
    QList<std::pair<qsizetype, qsizetype>> m_missingMemos;
    qsizetype m_cellLimit;
    qsizetype m_cells = 0;
    bool m_haveMetadata = false;
    bool m_haveRows = false;
};

} // namespace

TablePacket TDataPacketReader::Read(const QByteArray& bytes) const
{
    if (bytes.isEmpty())
        refuse(QStringLiteral("Missing data provider or data packet"));
    const ParserInput input = parserInput(bytes);
    const bool startsRight = input.utf8.isNull() ? input.text.startsWith(u'<') : input.utf8.startsWith('<');
    if (!startsRight)
        refuse(Mismatch);
    PacketParser parser(input, bytes.size());
    return parser.Parse();
}
