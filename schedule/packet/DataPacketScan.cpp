#include "schedule/packet/DataPacketScan.h"

#include <algorithm>
#include <string_view>

namespace DataPacketScan {

namespace {

// The characters XML cannot carry, by their stand-in index; -1 for those it can.
int standInIndex(char32_t code)
{
    if (code < 0x20)
        return code == 0x09 || code == 0x0A || code == 0x0D ? -1 : int(code);
    if (code == 0xFFFE)
        return 32;
    if (code == 0xFFFF)
        return 33;
    return -1;
}

void appendUnit(QByteArray& out, char32_t code)
{
    char buffer[4];
    int n = 0;
    if (code < 0x80) {
        buffer[n++] = char(code);
    } else if (code < 0x800) {
        buffer[n++] = char(0xC0 | (code >> 6));
        buffer[n++] = char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        buffer[n++] = char(0xE0 | (code >> 12));
        buffer[n++] = char(0x80 | ((code >> 6) & 0x3F));
        buffer[n++] = char(0x80 | (code & 0x3F));
    } else {
        buffer[n++] = char(0xF0 | (code >> 18));
        buffer[n++] = char(0x80 | ((code >> 12) & 0x3F));
        buffer[n++] = char(0x80 | ((code >> 6) & 0x3F));
        buffer[n++] = char(0x80 | (code & 0x3F));
    }
    out.append(buffer, n);
}

void appendUnit(QString& out, char32_t code)
{
    if (code >= 0x10000) {
        out.append(QChar(QChar::highSurrogate(code)));
        out.append(QChar(QChar::lowSurrogate(code)));
    } else {
        out.append(QChar(char16_t(code)));
    }
}

void appendRange(QByteArray& out, const char* p, qsizetype n)
{
    out.append(p, n);
}

void appendRange(QString& out, const char16_t* p, qsizetype n)
{
    out.append(reinterpret_cast<const QChar*>(p), n);
}

template <typename Out> void appendStandIn(Out& out, int index)
{
    appendUnit(out, Escape);
    appendUnit(out, char32_t(Base + index));
}

// A character reference "&#N;" or "&#xH;" at at (which holds '&'): its code and its length, or
// length 0 when the text there is no such reference (the parser then judges it).
template <typename Unit> std::pair<char32_t, qsizetype> reference(const Unit* p, qsizetype n, qsizetype at)
{
    qsizetype i = at + 1;
    if (i >= n || p[i] != Unit('#'))
        return {0, 0};
    ++i;
    const bool hex = i < n && p[i] == Unit('x');
    if (hex)
        ++i;
    const qsizetype first = i;
    char32_t code = 0;
    for (; i < n; ++i) {
        const char32_t c = char32_t(p[i]);
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = int(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = int(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = int(c - 'A' + 10);
        if (digit < 0)
            break;
        code = code * (hex ? 16 : 10) + char32_t(digit);
        if (code > 0x10FFFF)
            return {0, 0};
    }
    if (i == first || i >= n || p[i] != Unit(';'))
        return {0, 0};
    return {code, i + 1 - at};
}

// Raw characters that need a stand-in, at at: the stand-in index (or -2 for a genuine Escape)
// and the units they take; length 0 when the unit there needs nothing.
std::pair<int, qsizetype> rawAt(const char* p, qsizetype n, qsizetype at)
{
    const auto u = static_cast<unsigned char>(p[at]);
    if (u < 0x20) {
        const int index = standInIndex(u);
        return index < 0 ? std::pair{0, qsizetype(0)} : std::pair{index, qsizetype(1)};
    }
    if (at + 2 < n && u == 0xEE && static_cast<unsigned char>(p[at + 1]) == 0x80 &&
        static_cast<unsigned char>(p[at + 2]) == 0x80)
        return {-2, 3}; // U+E000
    if (at + 2 < n && u == 0xEF && static_cast<unsigned char>(p[at + 1]) == 0xBF) {
        const auto last = static_cast<unsigned char>(p[at + 2]);
        if (last == 0xBE || last == 0xBF)
            return {last == 0xBE ? 32 : 33, 3};
    }
    return {0, 0};
}

std::pair<int, qsizetype> rawAt(const char16_t* p, qsizetype, qsizetype at)
{
    const char16_t c = p[at];
    if (c == Escape)
        return {-2, 1};
    const int index = standInIndex(c);
    return index < 0 ? std::pair{0, qsizetype(0)} : std::pair{index, qsizetype(1)};
}

template <typename Unit, typename Out> bool mapUnits(const Unit* p, qsizetype n, Out& out)
{
    Out result;
    qsizetype copied = 0; // units before this are in result
    bool changed = false;
    const auto flush = [&](qsizetype upTo) {
        if (!changed) {
            changed = true;
            result.reserve(n + n / 16 + 16);
        }
        appendRange(result, p + copied, upTo - copied);
    };
    for (qsizetype i = 0; i < n;) {
        const Unit c = p[i];
        if (c == Unit('&')) {
            const auto [code, length] = reference(p, n, i);
            if (length == 0) {
                ++i;
                continue;
            }
            const int index = standInIndex(code);
            if (index >= 0 || code == Escape) {
                flush(i);
                if (index >= 0) {
                    appendStandIn(result, index);
                } else {
                    appendUnit(result, Escape);
                    appendUnit(result, Escape);
                }
                i += length;
                copied = i;
                continue;
            }
            if (code >= 0xD800 && code <= 0xDFFF) {
                // Half of a pair written as two references: joined when the other half follows.
                flush(i);
                i += length;
                const auto [next, nextLength] =
                    i < n && p[i] == Unit('&') ? reference(p, n, i) : std::pair<char32_t, qsizetype>{0, 0};
                if (code <= 0xDBFF && nextLength > 0 && next >= 0xDC00 && next <= 0xDFFF) {
                    appendUnit(result, 0x10000 + ((code - 0xD800) << 10) + (next - 0xDC00));
                    i += nextLength;
                } else {
                    appendUnit(result, 0xFFFD);
                }
                copied = i;
                continue;
            }
            i += length;
            continue;
        }
        if constexpr (std::is_same_v<Unit, char>) {
            if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0xEE) {
                ++i;
                continue;
            }
        } else {
            if (c >= 0x20 && c != Escape && c < 0xFFFE) {
                ++i;
                continue;
            }
        }
        const auto [index, length] = rawAt(p, n, i);
        if (length == 0) {
            ++i;
            continue;
        }
        flush(i);
        if (index == -2) {
            appendUnit(result, Escape);
            appendUnit(result, Escape);
        } else {
            appendStandIn(result, index);
        }
        i += length;
        copied = i;
    }
    if (!changed)
        return false;
    appendRange(result, p + copied, n - copied);
    out = std::move(result);
    return true;
}

template <typename Unit> bool startsWith(const Unit* p, qsizetype n, qsizetype at, std::string_view what)
{
    if (n - at < qsizetype(what.size()))
        return false;
    for (std::size_t k = 0; k < what.size(); ++k) {
        if (p[at + qsizetype(k)] != Unit(what[k]))
            return false;
    }
    return true;
}

// The position after the first occurrence of what at or after at, or n.
template <typename Unit> qsizetype after(const Unit* p, qsizetype n, qsizetype at, std::string_view what)
{
    const Unit first = Unit(what.front());
    for (qsizetype i = at; i < n; ++i) {
        if (p[i] == first && startsWith(p, n, i, what))
            return i + qsizetype(what.size());
    }
    return n;
}

template <typename Unit> Shape measureUnits(const Unit* p, qsizetype n)
{
    Shape shape;
    qint64 depth = 0;
    qsizetype i = 0;
    while (i < n) {
        const Unit* open = std::find(p + i, p + n, Unit('<'));
        i = open - p + 1;
        if (i >= n)
            break;
        if (p[i] == Unit('!')) {
            if (startsWith(p, n, i, "!--")) {
                i = after(p, n, i + 3, "-->");
                continue;
            }
            if (startsWith(p, n, i, "![CDATA[")) {
                i = after(p, n, i + 8, "]]>");
                continue;
            }
            if (startsWith(p, n, i, "!DOCTYPE")) {
                shape.documentType = true;
                return shape;
            }
        } else if (p[i] == Unit('?')) {
            i = after(p, n, i + 1, "?>");
            continue;
        }
        // A tag: its attributes are its '=' signs outside quoted values.
        const bool endTag = p[i] == Unit('/');
        qint64 count = 0;
        Unit quote = 0;
        for (; i < n; ++i) {
            const Unit c = p[i];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == Unit('"') || c == Unit('\'')) {
                quote = c;
            } else if (c == Unit('=')) {
                ++count;
            } else if (c == Unit('>')) {
                break;
            }
        }
        shape.attributePairs += count * (count - 1) / 2;
        shape.maxAttributes = std::max(shape.maxAttributes, count);
        if (endTag)
            --depth;
        else if (i < n && p[i - 1] != Unit('/'))
            shape.maxDepth = std::max(shape.maxDepth, ++depth);
    }
    return shape;
}

} // namespace

bool MapForParser(QByteArrayView utf8, QByteArray& out)
{
    return mapUnits(utf8.data(), utf8.size(), out);
}

bool MapForParser(QStringView text, QString& out)
{
    return mapUnits(text.utf16(), text.size(), out);
}

QString Unmap(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != Escape || i + 1 >= text.size()) {
            out.append(QChar(c));
            continue;
        }
        const char16_t next = text[i + 1].unicode();
        if (next == Escape) {
            out.append(QChar(Escape));
            ++i;
        } else if (next >= Base && next < Base + 32) {
            out.append(QChar(char16_t(next - Base)));
            ++i;
        } else if (next == Base + 32 || next == Base + 33) {
            out.append(QChar(char16_t(next == Base + 32 ? 0xFFFE : 0xFFFF)));
            ++i;
        } else {
            out.append(QChar(c));
        }
    }
    return out;
}

Shape Measure(QByteArrayView utf8)
{
    return measureUnits(utf8.data(), utf8.size());
}

Shape Measure(QStringView text)
{
    return measureUnits(text.utf16(), text.size());
}

} // namespace DataPacketScan
