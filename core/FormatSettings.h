#pragma once

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

#include <mutex>
#include <optional>

// The toolkit's global date and time format settings in the toolkit's pattern
// syntax: d dd ddd dddd ddddd, m mm mmm mmmm (minutes right after an hour),
// yy yyyy, h hh (12-hour when AM/PM, A/P or AMPM follows), n nn, s ss, z zzz, t tt, c, the
// designators AM/PM, A/P and AMPM, "/" for the date separator, ":" for the time separator, and
// quoted literals. Letters are matched without regard to case.
struct TFormatSettings
{
    QString ShortDateFormat = QStringLiteral("m/d/yyyy");
    QChar DateSeparator = u'/';
    QString ShortTimeFormat = QStringLiteral("h:nn AMPM");
    QString LongTimeFormat = QStringLiteral("h:nn:ss AMPM");
    QChar TimeSeparator = u':';
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");

    // The settings a locale gives: its short date format and long time format translated into the
    // pattern syntax, any time-zone part dropped, seconds always present.
    static TFormatSettings FromLocale(const QLocale& locale);
    // The same from formats in Qt's syntax ("M/d/yy", "h:mm:ss AP t") and the designators.
    static TFormatSettings FromQtFormats(const QString& shortDate, const QString& longTime,
                                         const QString& shortTime, const QString& am, const QString& pm);

    friend bool operator==(const TFormatSettings&, const TFormatSettings&) = default;
};

// The one program-wide settings object. Every member is read and written under its lock, so the
// timer's worker thread may read while the user-interface thread writes.
class TGlobalFormatSettings
{
public:
    TFormatSettings Get() const;
    void Set(const TFormatSettings& settings);
    void SetShortDateFormat(const QString& format);
    void SetDateSeparator(QChar separator);
    // Takes the settings from the system locale (at program start).
    void LoadFromSystemLocale();

private:
    mutable std::mutex m_lock;
    TFormatSettings m_settings;
};

extern TGlobalFormatSettings FormatSettings;

// The formatter: value formatted by pattern under settings (or under the global settings).
QString FormatDateTime(const QString& pattern, const QDateTime& value, const TFormatSettings& settings);
QString FormatDateTime(const QString& pattern, const QDateTime& value);

// The short date format and the long time format under the global settings.
QString DateToStr(const QDate& date);
QString TimeToStr(const QTime& time);

// The date parser: numbers separated by the date separator, in the order of day, month and year in
// pattern (blanks around them ignored). Two numbers mean the current year; a year of one or two
// digits is taken within fifty years of the current year (today's date comes from the clock).
// Nothing when the text is not a valid date.
std::optional<QDate> ParseDate(const QString& text, const QString& pattern, const TFormatSettings& settings);
// ParseDate with the short date format, under settings or the global settings.
std::optional<QDate> StrToDate(const QString& text, const TFormatSettings& settings);
std::optional<QDate> StrToDate(const QString& text);
