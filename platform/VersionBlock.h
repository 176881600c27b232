#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// A Windows-style version-information block (VS_VERSIONINFO): a tree of nodes, each with a length, a
// value length, a type, a UTF-16LE key and a value, aligned to 32 bits. The build embeds one in the
// program file; the reader finds such a block anywhere in a file's bytes and answers look-ups in the
// manner of VerQueryValueW. All reading is bounds-checked: bad bytes yield "not found", never a crash.
namespace VersionBlock {

// The fixed file information (VS_FIXEDFILEINFO), 52 bytes.
struct FixedFileInfo
{
    static constexpr quint32 Signature = 0xFEEF04BD;
    quint32 signature = Signature;
    quint32 structVersion = 0x00010000;
    quint32 fileVersionMS = 0;
    quint32 fileVersionLS = 0;
    quint32 productVersionMS = 0;
    quint32 productVersionLS = 0;
    quint32 fileFlagsMask = 0;
    quint32 fileFlags = 0;
    quint32 fileOS = 0x00040004; // VOS_NT_WINDOWS32
    quint32 fileType = 1;        // VFT_APP
    quint32 fileSubtype = 0;
    quint32 fileDateMS = 0;
    quint32 fileDateLS = 0;
};

// Packs four version parts "a.b.c.d" into the (MS, LS) pair of the fixed file information.
QPair<quint32, quint32> packVersion(quint16 a, quint16 b, quint16 c, quint16 d);

struct StringTable
{
    QString key;                            // "040904E4": language and code page in hexadecimal
    QList<QPair<QString, QString>> strings; // name, value; an empty value is kept, present and empty
};

struct Description
{
    FixedFileInfo fixed;
    QList<StringTable> stringTables;
    QList<quint32> translations; // each: language in the low 16 bits, code page in the high 16 bits
};

// The block's bytes, as a resource compiler lays them out.
QByteArray build(const Description& description);

// The offset of the first valid block within bytes, or -1. A candidate must carry the key
// "VS_VERSION_INFO" in UTF-16LE, a consistent header, the fixed-information signature and a
// well-formed node tree; anything else that merely contains the key is skipped.
qsizetype findBlock(const QByteArray& bytes);

// The first valid block in bytes (only its own wLength bytes), or nothing.
std::optional<QByteArray> extract(const QByteArray& bytes);

// The first valid block in the file (GetFileVersionInfoSizeW and GetFileVersionInfoW together), or
// nothing when the file cannot be read or carries no block.
std::optional<QByteArray> readFile(const QString& fileName);

// VerQueryValueW: "\\" gives the fixed file information, "\\VarFileInfo\\Translation" the translation
// array, "\\StringFileInfo\\040904E4\\CompanyName" a string value's UTF-16LE bytes without the
// terminating zero. Keys compare without regard to letter case. Nothing when not found.
std::optional<QByteArray> queryValue(const QByteArray& block, const QString& subBlock);

// queryValue decoded: the text up to its terminating zero.
std::optional<QString> queryString(const QByteArray& block, const QString& subBlock);
std::optional<FixedFileInfo> queryFixedFileInfo(const QByteArray& block);
// The translation array, or nothing when there is none; an entry is language | codePage << 16.
std::optional<QList<quint32>> queryTranslations(const QByteArray& block);

} // namespace VersionBlock
