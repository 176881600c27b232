#include "core/FormatSettings.h"

#include "core/Clock.h"

TGlobalFormatSettings FormatSettings;

namespace {

constexpr int MaxNesting = 2; // ddddd, c, t and tt expand other formats; no deeper than this

const char* const ShortDayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const LongDayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                    "Friday", "Saturday", "Sunday"};
const char* const ShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};

QChar upper(QChar c)
{
    return c.toUpper();
}

bool startsWithNoCase(const QString& text, qsizetype pos, QLatin1String word)
{
    return QStringView(text).mid(pos).startsWith(word, Qt::CaseInsensitive);
}

QString number(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
}

class Formatter
{
public:
    Formatter(const QDateTime& value, const TFormatSettings& settings) : m_value(value), m_s(settings) {}

    void Append(const QString& pattern, int nesting)
    {
        const QDate date = m_value.date();
        const QTime time = m_value.time();
        QChar lastToken;
        qsizetype p = 0;
        const qsizetype n = pattern.size();
        auto count = [&](QChar letter) {
            qsizetype c = 1;
            while (p + c < n && upper(pattern.at(p + c)) == letter)
                ++c;
            return c;
        };
        while (p < n) {
            const QChar starter = pattern.at(p);
            QChar token = upper(starter);
            if (token.isLetter() && token.unicode() < 128) {
                if (token == u'M' && lastToken == u'H')
                    token = u'N';
                lastToken = token;
            }
            switch (token.unicode()) {
            case u'Y': {
                const qsizetype c = count(u'Y');
                p += c;
                m_out += c <= 2 ? number(date.year() % 100, 2) : number(date.year(), 4);
                break;
            }
            case u'M': {
                const qsizetype c = count(u'M');
                p += c;
                if (c == 1)
                    m_out += QString::number(date.month());
                else if (c == 2)
                    m_out += number(date.month(), 2);
                else if (c == 3)
                    m_out += QLatin1String(ShortMonthNames[date.month() - 1]);
                else
                    m_out += QLatin1String(LongMonthNames[date.month() - 1]);
                break;
            }
            case u'D': {
                const qsizetype c = count(u'D');
                p += c;
                if (c == 1)
                    m_out += QString::number(date.day());
                else if (c == 2)
                    m_out += number(date.day(), 2);
                else if (c == 3)
                    m_out += QLatin1String(ShortDayNames[date.dayOfWeek() - 1]);
                else if (c == 4)
                    m_out += QLatin1String(LongDayNames[date.dayOfWeek() - 1]);
                else if (nesting < MaxNesting)
                    Append(m_s.ShortDateFormat, nesting + 1);
                break;
            }
            case u'H': {
                const qsizetype c = count(u'H');
                int hour = time.hour();
                if (Use12HourClock(pattern, p + c)) {
                    hour %= 12;
                    if (hour == 0)
                        hour = 12;
                }
                p += c;
                m_out += c == 1 ? QString::number(hour) : number(hour, 2);
                break;
            }
            case u'N': {
                const qsizetype c = count(pattern.at(p).toUpper());
                p += c;
                m_out += c == 1 ? QString::number(time.minute()) : number(time.minute(), 2);
                break;
            }
            case u'S': {
                const qsizetype c = count(u'S');
                p += c;
                m_out += c == 1 ? QString::number(time.second()) : number(time.second(), 2);
                break;
            }
            case u'Z': {
                const qsizetype c = count(u'Z');
                p += c;
                m_out += c == 1 ? QString::number(time.msec()) : number(time.msec(), 3);
                break;
            }
            case u'T': {
                const qsizetype c = count(u'T');
                p += c;
                if (nesting < MaxNesting)
                    Append(c == 1 ? m_s.ShortTimeFormat : m_s.LongTimeFormat, nesting + 1);
                break;
            }
            case u'C': {
                ++p;
                if (nesting < MaxNesting) {
                    Append(m_s.ShortDateFormat, nesting + 1);
                    if (time != QTime(0, 0)) {
                        m_out += u' ';
                        Append(m_s.LongTimeFormat, nesting + 1);
                    }
                }
                break;
            }
            case u'A': {
                const bool pm = time.hour() >= 12;
                if (startsWithNoCase(pattern, p, QLatin1String("AM/PM"))) {
                    const bool lower = pattern.at(p).isLower();
                    m_out += pm ? (lower ? QLatin1String("pm") : QLatin1String("PM"))
                                : (lower ? QLatin1String("am") : QLatin1String("AM"));
                    p += 5;
                } else if (startsWithNoCase(pattern, p, QLatin1String("A/P"))) {
                    const bool lower = pattern.at(p).isLower();
                    m_out += pm ? (lower ? u'p' : u'P') : (lower ? u'a' : u'A');
                    p += 3;
                } else if (startsWithNoCase(pattern, p, QLatin1String("AMPM"))) {
                    m_out += pm ? m_s.TimePMString : m_s.TimeAMString;
                    p += 4;
                } else {
                    m_out += starter;
                    ++p;
                }
                break;
            }
            case u'/':
                m_out += m_s.DateSeparator;
                ++p;
                break;
            case u':':
                m_out += m_s.TimeSeparator;
                ++p;
                break;
            case u'\'':
            case u'"': {
                qsizetype end = pattern.indexOf(starter, p + 1);
                if (end < 0)
                    end = n;
                m_out += QStringView(pattern).mid(p + 1, end - p - 1);
                p = end + 1;
                break;
            }
            default:
                m_out += starter;
                ++p;
                break;
            }
        }
    }

    QString Result() const { return m_out; }

private:
    // Whether a designator follows the hour before the next hour (outside quotes).
    static bool Use12HourClock(const QString& pattern, qsizetype from)
    {
        bool quoted = false;
        for (qsizetype q = from; q < pattern.size(); ++q) {
            const QChar c = pattern.at(q);
            if (c == u'\'' || c == u'"') {
                quoted = !quoted;
            } else if (!quoted && (c == u'A' || c == u'a')) {
                return startsWithNoCase(pattern, q, QLatin1String("AM/PM")) ||
                       startsWithNoCase(pattern, q, QLatin1String("A/P")) ||
                       startsWithNoCase(pattern, q, QLatin1String("AMPM"));
            } else if (!quoted && (c == u'H' || c == u'h')) {
                return false;
            }
        }
        return false;
    }

    const QDateTime& m_value;
    const TFormatSettings& m_s;
    QString m_out;
};

// One token of a Qt date or time format: a run of the same letter, a quoted literal, or one character.
struct QtToken
{
    QChar letter; // null for a literal
    qsizetype count = 0;
    QString literal;
    bool quoted = false;
};

QList<QtToken> tokenizeQtFormat(const QString& format)
{
    QList<QtToken> tokens;
    qsizetype p = 0;
    while (p < format.size()) {
        const QChar c = format.at(p);
        if (c == u'\'') {
            qsizetype end = format.indexOf(u'\'', p + 1);
            if (end < 0)
                end = format.size();
            QtToken t;
            t.literal = end == p + 1 ? QStringLiteral("'") : format.mid(p + 1, end - p - 1);
            t.quoted = true;
            tokens.append(t);
            p = end + 1;
        } else if (c.isLetter()) {
            qsizetype q = p;
            while (q < format.size() && format.at(q) == c)
                ++q;
            tokens.append({c, q - p, {}});
            p = q;
        } else {
            tokens.append({QChar(), 0, QString(c)});
            ++p;
        }
    }
    return tokens;
}

QString quoteLiteral(const QString& text)
{
    // Literal letters must be quoted; other characters stand for themselves.
    for (const QChar c : text) {
        if (c.isLetter())
            return u'"' + text + u'"';
    }
    return text;
}

// The first separator between two fields of a Qt format, or the fallback.
QChar separatorOf(const QList<QtToken>& tokens, QChar fallback)
{
    for (qsizetype i = 1; i + 1 < tokens.size(); ++i) {
        if (tokens[i].letter.isNull() && !tokens[i].quoted && tokens[i].literal.size() == 1 &&
            !tokens[i - 1].letter.isNull() && !tokens[i].literal.at(0).isSpace())
            return tokens[i].literal.at(0);
    }
    return fallback;
}

QString dateFormatFromQt(const QList<QtToken>& tokens, QChar separator)
{
    QString out;
    for (const QtToken& t : tokens) {
        if (t.letter.isNull()) {
            out += t.literal.size() == 1 && t.literal.at(0) == separator ? QStringLiteral("/")
                                                                         : quoteLiteral(t.literal);
            continue;
        }
        const QChar l = t.letter;
        if (l == u'd' || l == u'M' || l == u'y')
            out += QString(t.count, l.toLower());
    }
    return out;
}

QString timeFormatFromQt(const QList<QtToken>& tokens, QChar separator, bool withSeconds)
{
    QString out;
    bool seconds = false;
    bool designator = false;
    for (const QtToken& t : tokens) {
        if (t.letter.isNull()) {
            out += t.literal.size() == 1 && t.literal.at(0) == separator ? QStringLiteral(":")
                                                                         : quoteLiteral(t.literal);
            continue;
        }
        switch (t.letter.unicode()) {
        case u'H':
        case u'h':
            out += t.count >= 2 ? QStringLiteral("hh") : QStringLiteral("h");
            break;
        case u'm':
            out += t.count >= 2 ? QStringLiteral("nn") : QStringLiteral("n");
            if (withSeconds && !seconds) {
                // seconds are added right after the minutes when the format has none
                bool hasSeconds = false;
                for (const QtToken& other : tokens)
                    hasSeconds = hasSeconds || other.letter == u's';
                if (!hasSeconds) {
                    out += QStringLiteral(":ss");
                    seconds = true;
                }
            }
            break;
        case u's':
            out += t.count >= 2 ? QStringLiteral("ss") : QStringLiteral("s");
            seconds = true;
            break;
        case u'A':
        case u'a':
            if (!designator)
                out += QStringLiteral("AMPM");
            designator = true;
            break;
        default:
            break; // z (milliseconds) and t (time zone) are dropped
        }
    }
    // Separators left over from dropped parts (a zone, milliseconds) go too.
    auto loose = [](QChar c) { return c.isSpace() || (c.isPunct() && c != u'"'); };
    while (!out.isEmpty() && loose(out.back()))
        out.chop(1);
    while (!out.isEmpty() && loose(out.front()))
        out.remove(0, 1);
    return out;
}

} // namespace

TFormatSettings TFormatSettings::FromQtFormats(const QString& shortDate, const QString& longTime,
                                               const QString& shortTime, const QString& am, const QString& pm)
{
    TFormatSettings s;
    const QList<QtToken> date = tokenizeQtFormat(shortDate);
    s.DateSeparator = separatorOf(date, u'/');
    s.ShortDateFormat = dateFormatFromQt(date, s.DateSeparator);
    const QList<QtToken> longTokens = tokenizeQtFormat(longTime);
    s.TimeSeparator = separatorOf(longTokens, u':');
    s.LongTimeFormat = timeFormatFromQt(longTokens, s.TimeSeparator, true);
    s.ShortTimeFormat = timeFormatFromQt(tokenizeQtFormat(shortTime), s.TimeSeparator, false);
    s.TimeAMString = am;
    s.TimePMString = pm;
    return s;
}

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale)
{
    return FromQtFormats(locale.dateFormat(QLocale::ShortFormat), locale.timeFormat(QLocale::LongFormat),
                         locale.timeFormat(QLocale::ShortFormat), locale.amText(), locale.pmText());
}

TFormatSettings TGlobalFormatSettings::Get() const
{
    std::lock_guard lock(m_lock);
    return m_settings;
}

void TGlobalFormatSettings::Set(const TFormatSettings& settings)
{
    std::lock_guard lock(m_lock);
    m_settings = settings;
}

void TGlobalFormatSettings::SetShortDateFormat(const QString& format)
{
    std::lock_guard lock(m_lock);
    m_settings.ShortDateFormat = format;
}

void TGlobalFormatSettings::SetDateSeparator(QChar separator)
{
    std::lock_guard lock(m_lock);
    m_settings.DateSeparator = separator;
}

void TGlobalFormatSettings::LoadFromSystemLocale()
{
    Set(TFormatSettings::FromLocale(QLocale::system()));
}

QString FormatDateTime(const QString& pattern, const QDateTime& value, const TFormatSettings& settings)
{
    Formatter formatter(value, settings);
    formatter.Append(pattern, 0);
    return formatter.Result();
}

QString FormatDateTime(const QString& pattern, const QDateTime& value)
{
    return FormatDateTime(pattern, value, FormatSettings.Get());
}

QString DateToStr(const QDate& date)
{
    return FormatDateTime(QStringLiteral("ddddd"), QDateTime(date, QTime(0, 0)));
}

QString TimeToStr(const QTime& time)
{
    return FormatDateTime(QStringLiteral("tt"), QDateTime(QDate(2000, 1, 1), time));
}

std::optional<QDate> ParseDate(const QString& text, const QString& pattern, const TFormatSettings& settings)
{
    // The order of the fields: the first letters d, m and y of the pattern, outside quotes.
    QString order;
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'\'' || c == u'"') {
            quoted = !quoted;
            continue;
        }
        const QChar u = c.toUpper();
        if (!quoted && (u == u'D' || u == u'M' || u == u'Y') && !order.contains(u))
            order += u;
    }
    if (order.size() != 3)
        order = QStringLiteral("MDY");

    QList<int> numbers;
    QList<int> digitCounts;
    qsizetype p = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (p < n && text.at(p) == u' ')
            ++p;
    };
    skipBlanks();
    while (true) {
        qsizetype start = p;
        int value = 0;
        while (p < n && text.at(p) >= u'0' && text.at(p) <= u'9' && p - start < 5) {
            value = value * 10 + (text.at(p).unicode() - u'0');
            ++p;
        }
        if (p == start)
            return std::nullopt;
        numbers.append(value);
        digitCounts.append(int(p - start));
        skipBlanks();
        if (p == n)
            break;
        if (text.at(p) != settings.DateSeparator || numbers.size() == 3)
            return std::nullopt;
        ++p;
        skipBlanks();
    }
    if (numbers.size() < 2)
        return std::nullopt;

    const int currentYear = Clock::Date().year();
    int day = 0;
    int month = 0;
    int year = currentYear;
    int yearDigits = 4;
    if (numbers.size() == 3) {
        for (int i = 0; i < 3; ++i) {
            const QChar field = order.at(i);
            if (field == u'D')
                day = numbers[i];
            else if (field == u'M')
                month = numbers[i];
            else {
                year = numbers[i];
                yearDigits = digitCounts[i];
            }
        }
    } else {
        // Two numbers: day and month in the pattern's order, without the year.
        const QString dm = QString(order).remove(u'Y');
        day = dm.at(0) == u'D' ? numbers[0] : numbers[1];
        month = dm.at(0) == u'D' ? numbers[1] : numbers[0];
    }
    if (yearDigits <= 2) {
        const int centuryBase = currentYear - 50;
        year += centuryBase / 100 * 100;
        if (year < centuryBase)
            year += 100;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<QDate> StrToDate(const QString& text, const TFormatSettings& settings)
{
    return ParseDate(text, settings.ShortDateFormat, settings);
}

std::optional<QDate> StrToDate(const QString& text)
{
    return StrToDate(text, FormatSettings.Get());
}
