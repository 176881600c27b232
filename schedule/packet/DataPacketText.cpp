#include "schedule/packet/DataPacketText.h"

#include "toolkit/base/Exception.h"

#include <QLocale>
#include <QStringDecoder>

#include <array>
#include <cmath>

namespace DataPacketText {

namespace {

// Characters of the bytes 0x80 to 0x9F; the five bytes the code page leaves undefined stand for the
// C1 control of the same number, as the system conversion has it, so every byte reads and writes back.
constexpr std::array<char16_t, 32> HighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::array<char16_t, 256> makeDecodeTable()
{
    std::array<char16_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<char16_t>(i);
    for (int i = 0; i < 32; ++i)
        table[0x80 + i] = HighTable[i];
    return table;
}
constexpr std::array<char16_t, 256> DecodeTable = makeDecodeTable();

void appendDigits(QByteArray& out, int value, int width)
{
    char buffer[12];
    for (int i = width - 1; i >= 0; --i) {
        buffer[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(buffer, width);
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Digits from position at on, at most maxDigits of them; the count read goes to digits.
int readNumber(QStringView text, qsizetype& at, int maxDigits, int& digits)
{
    int value = 0;
    digits = 0;
    while (at < text.size() && digits < maxDigits && isDigit(text[at])) {
        value = value * 10 + (text[at].unicode() - u'0');
        ++digits;
        ++at;
    }
    return value;
}

void skipNonDigits(QStringView text, qsizetype& at)
{
    while (at < text.size() && !isDigit(text[at]))
        ++at;
}

bool isBase64Char(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'+' ||
           u == u'/';
}

} // namespace

std::optional<char> AnsiByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i) {
        if (HighTable[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

QString FromAnsi(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(DecodeTable[static_cast<unsigned char>(bytes[i])]);
    return text;
}

void AppendEscaped(QByteArray& out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'\t':
            out.append("&#009;");
            continue;
        case u'\n':
            out.append("&#010;");
            continue;
        case u'\r':
            out.append("&#013;");
            continue;
        case u'"':
            out.append("&quot;");
            continue;
        case u'&':
            out.append("&amp;");
            continue;
        case u'\'':
            out.append("&apos;");
            continue;
        case u'<':
            out.append("&lt;");
            continue;
        case u'>':
            out.append("&gt;");
            continue;
        case u'\\':
            out.append("&#092;");
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0xFFFE || c == 0xFFFF)
            throw Exception(QStringLiteral("The control character U+%1 cannot be stored in the file.")
                                .arg(QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        if (c >= 0x20 && c < 0x7F) {
            out.append(static_cast<char>(c));
            continue;
        }
        if (const std::optional<char> byte = AnsiByte(c)) {
            out.append(*byte);
            continue;
        }
        char32_t code = c;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            code = 0xFFFD; // half a pair is no character; keep a visible mark instead
        }
        out.append("&#");
        out.append(QByteArray::number(static_cast<uint>(code)));
        out.append(';');
    }
}

void AppendDate(QByteArray& out, QDate date)
{
    appendDigits(out, date.year(), 4);
    appendDigits(out, date.month(), 2);
    appendDigits(out, date.day(), 2);
}

void AppendTime(QByteArray& out, QTime time)
{
    appendDigits(out, time.hour(), 2);
    out.append(':');
    appendDigits(out, time.minute(), 2);
    out.append(':');
    appendDigits(out, time.second() * 1000 + time.msec(), 5);
}

void AppendDateTime(QByteArray& out, const QDateTime& dateTime)
{
    AppendDate(out, dateTime.date());
    out.append('T');
    AppendTime(out, dateTime.time());
}

QByteArray FormatFloat(double value)
{
    const double magnitude = std::abs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e16);
    return QByteArray::number(value, plain ? 'f' : 'g', QLocale::FloatingPointShortest);
}

QDate ParseDate(QStringView text)
{
    qsizetype at = 0;
    int digits = 0;
    skipNonDigits(text, at);
    int year = readNumber(text, at, 4, digits);
    if (digits < 2 || digits == 3)
        return {};
    if (digits == 2)
        year += year < 50 ? 2000 : 1900; // a two-digit year, read with the usual century window
    skipNonDigits(text, at);
    const int month = readNumber(text, at, 2, digits);
    if (digits < 2 || month > 12)
        return {};
    skipNonDigits(text, at);
    const int day = readNumber(text, at, 2, digits);
    if (digits == 0 || day > 31)
        return {};
    return QDate(year, month, day);
}

QTime ParseTime(QStringView text)
{
    qsizetype first = 0;
    while (first < text.size() && !isDigit(text[first])) {
        if (text[first].isLetter())
            return {};
        ++first;
    }
    if (first == text.size())
        return {};
    int digits = 0;
    qsizetype at = first;
    const int hours = readNumber(text, at, 3, digits);
    if (digits > 2 || hours > 23)
        return {};
    at = 3;
    const int minutes = readNumber(text, at, 3, digits);
    if (digits > 2 || minutes > 59)
        return {};
    int millis = 0;
    int count = 0;
    for (qsizetype i = 6; i < text.size(); ++i) {
        if (!isDigit(text[i]))
            continue;
        if (++count > 5)
            return {}; // more digits than the encoding has: out of range
        millis = millis * 10 + (text[i].unicode() - u'0');
    }
    for (; count < 5; ++count)
        millis *= 10;
    if (millis > 59999)
        return {};
    return QTime(hours, minutes, millis / 1000, millis % 1000);
}

QDateTime ParseDateTime(QStringView text)
{
    qsizetype t = text.indexOf(u'T', 0, Qt::CaseInsensitive);
    const QDate date = ParseDate(t < 0 ? text : text.left(t));
    if (!date.isValid())
        return {};
    if (t < 0)
        return QDateTime(date, QTime(0, 0));
    const QTime time = ParseTime(text.mid(t + 1));
    if (!time.isValid())
        return {};
    return QDateTime(date, time);
}

QByteArray MemoBytes(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const std::optional<char> byte = AnsiByte(c.unicode());
        if (!byte)
            return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
        bytes.append(*byte);
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) // text that starts like the mark goes as UTF-8, behind one
        return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    return bytes;
}

QString MemoText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        return decoder(QByteArrayView(bytes).sliced(3));
    }
    return FromAnsi(bytes);
}

std::optional<QByteArray> DecodeBase64(QStringView text)
{
    // Line breaks reach us as line breaks (from references) or as blanks (the parser normalises raw
    // breaks in attribute values). They may only stand between lines of one length, as Base64 broken
    // into lines has them; otherwise a short text such as "Good luck" would pass for Base64.
    constexpr qsizetype ShortestLine = 16;
    const auto isBlank = [](QChar c) { return c == u'\r' || c == u'\n' || c == u' ' || c == u'\t'; };
    QByteArray compact;
    compact.reserve(text.size());
    QList<qsizetype> lines;
    qsizetype current = 0;
    int padding = 0;
    for (const QChar c : text) {
        if (isBlank(c)) {
            if (current > 0)
                lines.append(current);
            current = 0;
            continue;
        }
        if (c == u'=')
            ++padding;
        else if (!isBase64Char(c) || padding > 0)
            return std::nullopt; // not Base64, or data after the padding
        compact.append(static_cast<char>(c.unicode()));
        ++current;
    }
    if (current > 0)
        lines.append(current);
    if (lines.size() > 1) {
        const qsizetype length = lines.front();
        if (length < ShortestLine || length % 4 != 0 || lines.back() > length)
            return std::nullopt;
        for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
            if (lines[i] != length)
                return std::nullopt;
        }
    }
    if (compact.size() % 4 != 0 || padding > 2)
        return std::nullopt;
    auto result = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return std::nullopt;
    return std::move(*result);
}

std::optional<TypeWord> FindTypeWord(QStringView text)
{
    static const TypeWord words[] = {
        {QStringLiteral("string"), FieldKind::String},
        {QStringLiteral("string.uni"), FieldKind::String},
        {QStringLiteral("date"), FieldKind::Date},
        {QStringLiteral("time"), FieldKind::Time},
        {QStringLiteral("dateTime"), FieldKind::DateTime},
        {QStringLiteral("SQLdateTime"), FieldKind::DateTime},
        {QStringLiteral("boolean"), FieldKind::Boolean},
        {QStringLiteral("i1"), FieldKind::Integer},
        {QStringLiteral("i2"), FieldKind::Integer},
        {QStringLiteral("i4"), FieldKind::Integer},
        {QStringLiteral("i8"), FieldKind::Integer},
        {QStringLiteral("ui1"), FieldKind::Integer},
        {QStringLiteral("ui2"), FieldKind::Integer},
        {QStringLiteral("ui4"), FieldKind::Integer},
        {QStringLiteral("r8"), FieldKind::Float},
        {QStringLiteral("fixed"), FieldKind::Fixed},
        {QStringLiteral("fixedFMT"), FieldKind::Fixed},
        {QStringLiteral("bin.hex"), FieldKind::Blob},
        {QStringLiteral("nested"), FieldKind::Other},
        {QStringLiteral("IntArray"), FieldKind::Other},
        {QStringLiteral("UIntArray"), FieldKind::Other},
    };
    for (const TypeWord& word : words) {
        if (text.compare(word.word, Qt::CaseInsensitive) == 0)
            return word;
    }
    return std::nullopt;
}

std::optional<QString> KnownParamType(QStringView name)
{
    static const std::pair<QLatin1String, QLatin1String> known[] = {
        {QLatin1String("UNIQUE_KEY"), QLatin1String("UIntArray")},
        {QLatin1String("DEFAULT_ORDER"), QLatin1String("UIntArray")},
        {QLatin1String("CHANGE_LOG"), QLatin1String("UIntArray")},
        {QLatin1String("SERVER_COL"), QLatin1String("string")},
        {QLatin1String("DATASET_DELTA"), QLatin1String("boolean")},
        {QLatin1String("READONLY"), QLatin1String("boolean")},
        {QLatin1String("SUBTYPE"), QLatin1String("string")},
        {QLatin1String("DECIMALS"), QLatin1String("i2")},
        {QLatin1String("WIDTH"), QLatin1String("i2")},
        {QLatin1String("LCID"), QLatin1String("i2")},
        {QLatin1String("AUTOINCVALUE"), QLatin1String("i4")},
        {QLatin1String("TABLENAME"), QLatin1String("string")},
        {QLatin1String("TYPENAME"), QLatin1String("string")},
        {QLatin1String("UPDATEMODE"), QLatin1String("i2")},
        {QLatin1String("MD_SEMANTICS"), QLatin1String("UIntArray")},
        {QLatin1String("CALCULATED"), QLatin1String("boolean")},
        {QLatin1String("DELTA"), QLatin1String("boolean")},
        {QLatin1String("PRIMARY_KEY"), QLatin1String("UIntArray")},
        {QLatin1String("MINVALUE"), QLatin1String()},
        {QLatin1String("MAXVALUE"), QLatin1String()},
        {QLatin1String("DEFVALUE"), QLatin1String()},
    };
    for (const auto& [known_name, type] : known) {
        if (name == known_name)
            return QString(type);
    }
    return std::nullopt;
}

bool IsXmlName(QStringView name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        const bool start = c.isLetter() || c == u'_' || c == u':';
        const bool inner = start || c.isDigit() || c == u'.' || c == u'-' || c.isMark();
        if (i == 0 ? !start : !inner)
            return false;
    }
    return true;
}

} // namespace DataPacketText
