#pragma once

// Date values (days since 30 December 1899, the fraction being the time of day), their
// conversion to Qt's types, and formatting with the program's format strings
// ("MM/d/yyyy", "mm/dd/yyyy h:nn am/pm").

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>
#include <vector>

#include "model/todo_types.h"

// The locale-dependent pieces that a format string refers to.
struct TFormatSettings {
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    QString TimeAMString = QStringLiteral("AM");
    QString TimePMString = QStringLiteral("PM");
    QString ShortDateFormat = QStringLiteral("M/d/yyyy");
    QString LongDateFormat = QStringLiteral("dddd, mmmm d, yyyy");
    QString ShortTimeFormat = QStringLiteral("h:nn AMPM");
    QString LongTimeFormat = QStringLiteral("h:nn:ss AMPM");
    std::array<QString, 12> ShortMonthNames;
    std::array<QString, 12> LongMonthNames;
    std::array<QString, 7> ShortDayNames;  // Sunday first
    std::array<QString, 7> LongDayNames;

    // English names and the separators above.
    static const TFormatSettings& Neutral();
};

struct TDateTimeParts {
    int Year = 1899, Month = 12, Day = 30;
    int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
    int DayOfWeek = 7;  // 1 = Sunday .. 7 = Saturday
};

// False for values that are no date (NaN, infinite, or beyond year 9999 either way).
bool DecodeDateTime(TDateTime value, TDateTimeParts& parts);
TDateTime EncodeDateTime(const QDate& date, const QTime& time);
// The same from the parts, which must be a valid date and time of day (the day of the week
// is not read).
TDateTime EncodeDateTime(const TDateTimeParts& parts);

QDateTime DateTimeToQDateTime(TDateTime value);  // local time; invalid for no date
TDateTime QDateTimeToDateTime(const QDateTime& value);
TDateTime QDateToDateTime(const QDate& date);

// One piece of a format string of the program: a field, a separator or literal text.
struct TDatePatternPart {
    enum TKind : std::uint8_t {
        dpLiteral,        // Text as it stands
        dpYear,           // yy, yyyy
        dpMonth,          // m mm: the number; mmm, mmmm: the short, the long name
        dpDay,            // d dd: the number; ddd, dddd: the day's name; ddddd, dddddd: the
                          // short, the long date
        dpHour,           // h hh
        dpMinute,         // n nn, and m mm right after an hour
        dpSecond,         // s ss
        dpMilliSecond,    // z zzz
        dpTime,           // t: the short time, tt: the long time
        dpDateTime,       // c: the short date, and the long time when there is a time
        dpAmPm,           // am/pm or a/p as Text gives them; ampm (no Text): the locale's
        dpDateSeparator,  // /
        dpTimeSeparator,  // :
    };
    TKind Kind = dpLiteral;
    // The number of letters of a field.
    int Count = 1;
    QString Text;
    // A literal given in quotes.
    bool Quoted = false;
    // An hour shown on the 12-hour clock: an am/pm marker follows before the next hour.
    bool TwelveHour = false;
};
using TDatePattern = std::vector<TDatePatternPart>;

// The pieces of a format string. Letters are case-insensitive; a run of one letter is one
// field; text in single or double quotes is literal, as is every character that is no
// field.
TDatePattern ParseDatePattern(const QString& format);
// The format string of pieces: fields by their lower-case letters, literals in double
// quotes (single ones when they hold a double quote) where they were quoted.
QString DatePatternText(const TDatePattern& pattern);

// Formats a value by a format string of the program. Pattern letters are case-insensitive:
// d dd ddd dddd ddddd dddddd, m mm mmm mmmm (minutes right after h or hh), yy yyyy, h hh,
// n nn, s ss, z zzz, t tt, c, am/pm a/p ampm, / and : for the separators, and quoted
// literals. A value that is no date gives an empty text.
QString FormatDateTime(const QString& format, TDateTime value,
                       const TFormatSettings& settings = TFormatSettings::Neutral());
