#include "platform/VersionBlock.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace VersionBlock {

namespace {

constexpr qsizetype HeaderSize = 6;     // wLength, wValueLength, wType
constexpr qsizetype FixedInfoSize = 52; // VS_FIXEDFILEINFO
constexpr int MaxValidationDepth = 8;

qsizetype align4(qsizetype offset)
{
    return (offset + 3) & ~qsizetype(3);
}

// ---- writing ----

void appendU16(QByteArray& out, quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), 2);
}

void appendU32(QByteArray& out, quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&le), 4);
}

void appendText(QByteArray& out, const QString& text)
{
    for (const QChar c : text)
        appendU16(out, c.unicode());
    appendU16(out, 0);
}

void padTo4(QByteArray& out)
{
    while (out.size() % 4 != 0)
        out.append('\0');
}

// One node. Its offset inside the finished block is a multiple of 4, so aligning within the node's
// own bytes aligns within the block.
QByteArray node(const QString& key, quint16 type, quint16 valueLength, const QByteArray& value,
                const QList<QByteArray>& children)
{
    QByteArray out;
    appendU16(out, 0); // wLength, set below
    appendU16(out, valueLength);
    appendU16(out, type);
    appendText(out, key);
    padTo4(out);
    out.append(value);
    for (const QByteArray& child : children) {
        padTo4(out);
        out.append(child);
    }
    const quint16 length = qToLittleEndian(quint16(out.size()));
    std::memcpy(out.data(), &length, 2);
    return out;
}

QByteArray fixedInfoBytes(const FixedFileInfo& f)
{
    QByteArray out;
    for (quint32 v : {f.signature, f.structVersion, f.fileVersionMS, f.fileVersionLS, f.productVersionMS,
                      f.productVersionLS, f.fileFlagsMask, f.fileFlags, f.fileOS, f.fileType, f.fileSubtype,
                      f.fileDateMS, f.fileDateLS})
        appendU32(out, v);
    return out;
}

// ---- reading ----

// Outside the bytes a read gives 0; callers check the bounds first, this is the last line of defence.
quint16 readU16(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || offset > bytes.size() - 2)
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + offset;
    return quint16(p[0] | p[1] << 8);
}

quint32 readU32(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || offset > bytes.size() - 4)
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + offset;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// A node located inside a block; offsets are relative to the block's first byte.
struct Node
{
    qsizetype begin = 0;
    qsizetype end = 0; // begin + wLength
    quint16 valueLength = 0;
    quint16 type = 0;
    QString key;
    qsizetype valueBegin = 0;
    qsizetype valueEnd = 0;
    qsizetype childrenBegin = 0;
};

// Reads the node at offset, which must lie within [offset, limit). Nothing when it does not fit.
std::optional<Node> readNode(const QByteArray& block, qsizetype offset, qsizetype limit)
{
    if (offset < 0 || limit > block.size() || offset + HeaderSize > limit)
        return std::nullopt;
    Node n;
    n.begin = offset;
    const quint16 length = readU16(block, offset);
    n.valueLength = readU16(block, offset + 2);
    n.type = readU16(block, offset + 4);
    if (length < HeaderSize + 2 || offset + length > limit)
        return std::nullopt;
    n.end = offset + length;
    qsizetype pos = offset + HeaderSize;
    bool terminated = false;
    while (pos + 2 <= n.end) {
        const quint16 c = readU16(block, pos);
        pos += 2;
        if (c == 0) {
            terminated = true;
            break;
        }
        n.key.append(QChar(c));
    }
    if (!terminated)
        return std::nullopt;
    n.valueBegin = std::min(align4(pos), n.end);
    // Text values count 16-bit characters, binary values bytes. Some writers count text in bytes:
    // a text value is cut at the node's end rather than refused.
    const qsizetype valueBytes = n.type == 1 ? qsizetype(n.valueLength) * 2 : qsizetype(n.valueLength);
    if (n.valueBegin + valueBytes > n.end) {
        if (n.type != 1)
            return std::nullopt;
        n.valueEnd = n.end;
    } else {
        n.valueEnd = n.valueBegin + valueBytes;
    }
    n.childrenBegin = std::min(align4(n.valueEnd), n.end);
    return n;
}

// The children of a node, in order; nothing when one of them is malformed.
std::optional<QList<Node>> children(const QByteArray& block, const Node& parent)
{
    QList<Node> result;
    qsizetype offset = parent.childrenBegin;
    while (offset + HeaderSize <= parent.end) {
        const std::optional<Node> child = readNode(block, offset, parent.end);
        if (!child)
            return std::nullopt;
        result.append(*child);
        offset = align4(child->end);
    }
    return result;
}

bool wellFormed(const QByteArray& block, const Node& node, int depth)
{
    if (depth > MaxValidationDepth)
        return false;
    const std::optional<QList<Node>> kids = children(block, node);
    if (!kids)
        return false;
    for (const Node& kid : *kids) {
        if (!wellFormed(block, kid, depth + 1))
            return false;
    }
    return true;
}

const QString RootKey = QStringLiteral("VS_VERSION_INFO");

// The root node of a block that starts at offset 0 of block, validated.
std::optional<Node> validRoot(const QByteArray& block)
{
    const std::optional<Node> root = readNode(block, 0, block.size());
    if (!root || root->key != RootKey || root->type != 0 || root->valueLength != FixedInfoSize)
        return std::nullopt;
    if (root->valueEnd - root->valueBegin != FixedInfoSize)
        return std::nullopt;
    if (readU32(block, root->valueBegin) != FixedFileInfo::Signature)
        return std::nullopt;
    if (!wellFormed(block, *root, 0))
        return std::nullopt;
    return root;
}

QByteArray keyPattern()
{
    QByteArray pattern;
    appendText(pattern, RootKey);
    return pattern;
}

QString decodeText(const QByteArray& bytes)
{
    QString text;
    for (qsizetype pos = 0; pos + 2 <= bytes.size(); pos += 2) {
        const quint16 c = readU16(bytes, pos);
        if (c == 0)
            break;
        text.append(QChar(c));
    }
    return text;
}

} // namespace

QPair<quint32, quint32> packVersion(quint16 a, quint16 b, quint16 c, quint16 d)
{
    return {quint32(a) << 16 | b, quint32(c) << 16 | d};
}

QByteArray build(const Description& description)
{
    QList<QByteArray> top;
    if (!description.stringTables.isEmpty()) {
        QList<QByteArray> tables;
        for (const StringTable& table : description.stringTables) {
            QList<QByteArray> strings;
            for (const auto& [name, value] : table.strings) {
                QByteArray text;
                appendText(text, value);
                strings.append(node(name, 1, quint16(value.size() + 1), text, {}));
            }
            tables.append(node(table.key, 1, 0, {}, strings));
        }
        top.append(node(QStringLiteral("StringFileInfo"), 1, 0, {}, tables));
    }
    if (!description.translations.isEmpty()) {
        QByteArray array;
        for (quint32 translation : description.translations)
            appendU32(array, translation);
        const QByteArray var = node(QStringLiteral("Translation"), 0, quint16(array.size()), array, {});
        top.append(node(QStringLiteral("VarFileInfo"), 1, 0, {}, {var}));
    }
    return node(RootKey, 0, FixedInfoSize, fixedInfoBytes(description.fixed), top);
}

qsizetype findBlock(const QByteArray& bytes)
{
    static const QByteArray pattern = keyPattern();
    qsizetype from = 0;
    for (;;) {
        const qsizetype key = bytes.indexOf(pattern, from);
        if (key < 0)
            return -1;
        const qsizetype start = key - HeaderSize;
        if (start >= 0) {
            const qsizetype length = readU16(bytes, start);
            if (start + length <= bytes.size()) {
                const QByteArray candidate = QByteArray::fromRawData(bytes.constData() + start, length);
                if (validRoot(candidate))
                    return start;
            }
        }
        from = key + 1;
    }
}

std::optional<QByteArray> extract(const QByteArray& bytes)
{
    const qsizetype start = findBlock(bytes);
    if (start < 0)
        return std::nullopt;
    return QByteArray(bytes.constData() + start, readU16(bytes, start));
}

std::optional<QByteArray> readFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 size = file.size();
    if (size <= 0) {
        // Files whose size is not known beforehand (pipes, /proc) are read as a whole.
        return extract(file.readAll());
    }
    if (uchar* mapped = file.map(0, size)) {
        const QByteArray view =
            QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size));
        std::optional<QByteArray> block = extract(view);
        file.unmap(mapped);
        return block;
    }
    return extract(file.readAll());
}

std::optional<QByteArray> queryValue(const QByteArray& block, const QString& subBlock)
{
    const std::optional<Node> root = validRoot(block);
    if (!root)
        return std::nullopt;
    Node current = *root;
    const QStringList parts = subBlock.split(u'\\', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const std::optional<QList<Node>> kids = children(block, current);
        if (!kids)
            return std::nullopt;
        const Node* found = nullptr;
        for (const Node& kid : *kids) {
            if (kid.key.compare(part, Qt::CaseInsensitive) == 0) {
                found = &kid;
                break;
            }
        }
        if (!found)
            return std::nullopt;
        current = *found;
    }
    QByteArray value = block.mid(current.valueBegin, current.valueEnd - current.valueBegin);
    if (current.type == 1) {
        // A text value: up to its terminating zero.
        value = block.mid(current.valueBegin, decodeText(value).size() * 2);
    }
    return value;
}

std::optional<QString> queryString(const QByteArray& block, const QString& subBlock)
{
    const std::optional<QByteArray> value = queryValue(block, subBlock);
    if (!value)
        return std::nullopt;
    return decodeText(*value);
}

std::optional<FixedFileInfo> queryFixedFileInfo(const QByteArray& block)
{
    const std::optional<QByteArray> value = queryValue(block, QStringLiteral("\\"));
    if (!value || value->size() < FixedInfoSize)
        return std::nullopt;
    FixedFileInfo f;
    quint32* fields[] = {&f.signature,        &f.structVersion,    &f.fileVersionMS, &f.fileVersionLS,
                         &f.productVersionMS, &f.productVersionLS, &f.fileFlagsMask, &f.fileFlags,
                         &f.fileOS,           &f.fileType,         &f.fileSubtype,   &f.fileDateMS,
                         &f.fileDateLS};
    qsizetype offset = 0;
    for (quint32* field : fields) {
        *field = readU32(*value, offset);
        offset += 4;
    }
    return f;
}

std::optional<QList<quint32>> queryTranslations(const QByteArray& block)
{
    const std::optional<QByteArray> value = queryValue(block, QStringLiteral("\\VarFileInfo\\Translation"));
    if (!value || value->size() < 4)
        return std::nullopt;
    QList<quint32> result;
    for (qsizetype offset = 0; offset + 4 <= value->size(); offset += 4)
        result.append(readU32(*value, offset));
    return result;
}

} // namespace VersionBlock
