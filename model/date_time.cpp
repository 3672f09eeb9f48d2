#include "model/date_time.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;
// 1 January 0100 and 31 December 9999 as day counts: the range the program shows.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

const QDate& Epoch() {
    static const QDate epoch(1899, 12, 30);
    return epoch;
}

TFormatSettings MakeNeutral() {
    TFormatSettings s;
    const char* shortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* longMonths[] = {"January",   "February", "March",    "April",
                                "May",       "June",     "July",     "August",
                                "September", "October",  "November", "December"};
    const char* shortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const char* longDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                              "Thursday", "Friday", "Saturday"};
    for (int i = 0; i < 12; ++i) {
        s.ShortMonthNames[i] = QString::fromLatin1(shortMonths[i]);
        s.LongMonthNames[i] = QString::fromLatin1(longMonths[i]);
    }
    for (int i = 0; i < 7; ++i) {
        s.ShortDayNames[i] = QString::fromLatin1(shortDays[i]);
        s.LongDayNames[i] = QString::fromLatin1(longDays[i]);
    }
    return s;
}

QString Number(int value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
}

class Formatter {
public:
    Formatter(const TDateTimeParts& parts, const TFormatSettings& settings, bool hasTime)
        : p_(parts), s_(settings), hasTime_(hasTime) {}

    void Append(const QString& format, int depth) {
        if (depth > 2) {
            return;  // nested ddddd/c/t inside their own expansion
        }
        const qsizetype n = format.size();
        qsizetype i = 0;
        QChar lastToken;
        while (i < n) {
            const QChar c = format[i];
            QChar token = c.toUpper();
            if (token.unicode() >= 'A' && token.unicode() <= 'Z') {
                if (token == QLatin1Char('M') && lastToken == QLatin1Char('H')) {
                    token = QLatin1Char('N');
                }
                lastToken = token;
            }
            const qsizetype count = Run(format, i, c);
            switch (token.unicode()) {
                case 'Y':
                    out_ += count <= 2 ? Number(p_.Year % 100, 2) : Number(p_.Year, 4);
                    i += count;
                    break;
                case 'M':
                    if (count <= 2) {
                        out_ += Number(p_.Month, int(count));
                    } else if (count == 3) {
                        out_ += s_.ShortMonthNames[p_.Month - 1];
                    } else {
                        out_ += s_.LongMonthNames[p_.Month - 1];
                    }
                    i += count;
                    break;
                case 'D':
                    if (count <= 2) {
                        out_ += Number(p_.Day, int(count));
                    } else if (count == 3) {
                        out_ += s_.ShortDayNames[p_.DayOfWeek - 1];
                    } else if (count == 4) {
                        out_ += s_.LongDayNames[p_.DayOfWeek - 1];
                    } else if (count == 5) {
                        Append(s_.ShortDateFormat, depth + 1);
                    } else {
                        Append(s_.LongDateFormat, depth + 1);
                    }
                    i += count;
                    break;
                case 'H': {
                    int hour = p_.Hour;
                    if (TwelveHourClockAhead(format, i + count)) {
                        hour = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
                    }
                    out_ += Number(hour, count > 1 ? 2 : 1);
                    i += count;
                    break;
                }
                case 'N':
                    out_ += Number(p_.Minute, count > 1 ? 2 : 1);
                    i += count;
                    break;
                case 'S':
                    out_ += Number(p_.Second, count > 1 ? 2 : 1);
                    i += count;
                    break;
                case 'Z':
                    out_ += Number(p_.MilliSecond, count > 1 ? 3 : 1);
                    i += count;
                    break;
                case 'T':
                    Append(count == 1 ? s_.ShortTimeFormat : s_.LongTimeFormat, depth + 1);
                    i += count;
                    break;
                case 'C':
                    Append(s_.ShortDateFormat, depth + 1);
                    if (hasTime_) {
                        out_ += QLatin1Char(' ');
                        Append(s_.LongTimeFormat, depth + 1);
                    }
                    i += 1;
                    break;
                case 'A':
                    i = AmPm(format, i);
                    break;
                case '/':
                    out_ += s_.DateSeparator;
                    ++i;
                    break;
                case ':':
                    out_ += s_.TimeSeparator;
                    ++i;
                    break;
                case '\'':
                case '"': {
                    qsizetype j = i + 1;
                    while (j < n && format[j] != c) {
                        out_ += format[j++];
                    }
                    i = j < n ? j + 1 : j;
                    break;
                }
                default:
                    out_ += c;
                    ++i;
                    break;
            }
        }
    }

    QString Result() const { return out_; }

private:
    // Length of the run of the same letter (case-insensitive) starting at i.
    static qsizetype Run(const QString& f, qsizetype i, QChar c) {
        const QChar up = c.toUpper();
        if (up.unicode() < 'A' || up.unicode() > 'Z') {
            return 1;
        }
        qsizetype j = i;
        while (j < f.size() && f[j].toUpper() == up) {
            ++j;
        }
        return j - i;
    }

    // An am/pm marker further on, before the next hour specifier, makes the hour 12-hour.
    static bool TwelveHourClockAhead(const QString& f, qsizetype from) {
        bool quoted = false;
        for (qsizetype j = from; j < f.size(); ++j) {
            const QChar c = f[j];
            if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                quoted = !quoted;
            } else if (!quoted && (c == QLatin1Char('a') || c == QLatin1Char('A'))) {
                return StartsWith(f, j, "am/pm") || StartsWith(f, j, "a/p") ||
                       StartsWith(f, j, "ampm");
            } else if (!quoted && (c == QLatin1Char('h') || c == QLatin1Char('H'))) {
                return false;
            }
        }
        return false;
    }

    static bool StartsWith(const QString& f, qsizetype at, const char* what) {
        const QLatin1String w(what);
        return f.mid(at, w.size()).compare(w, Qt::CaseInsensitive) == 0;
    }

    qsizetype AmPm(const QString& f, qsizetype i) {
        const bool pm = p_.Hour >= 12;
        if (StartsWith(f, i, "am/pm")) {
            out_ += pm ? f.mid(i + 3, 2) : f.mid(i, 2);
            return i + 5;
        }
        if (StartsWith(f, i, "a/p")) {
            out_ += pm ? f[i + 2] : f[i];
            return i + 3;
        }
        if (StartsWith(f, i, "ampm")) {
            out_ += pm ? s_.TimePMString : s_.TimeAMString;
            return i + 4;
        }
        out_ += f[i];
        return i + 1;
    }

    const TDateTimeParts& p_;
    const TFormatSettings& s_;
    bool hasTime_;
    QString out_;
};

}  // namespace

const TFormatSettings& TFormatSettings::Neutral() {
    static const TFormatSettings neutral = MakeNeutral();
    return neutral;
}

bool DecodeDateTime(TDateTime value, TDateTimeParts& parts) {
    if (!std::isfinite(value) || value < kMinDate || value >= kMaxDate) {
        return false;
    }
    const auto msecs = static_cast<std::int64_t>(std::llround(value * double(kMSecsPerDay)));
    const std::int64_t days = msecs / kMSecsPerDay;  // truncates toward zero
    std::int64_t time = msecs % kMSecsPerDay;
    if (time < 0) {
        time = -time;
    }
    const QDate date = Epoch().addDays(days);
    parts.Year = date.year();
    parts.Month = date.month();
    parts.Day = date.day();
    parts.DayOfWeek = date.dayOfWeek() % 7 + 1;  // Qt: Monday 1 .. Sunday 7
    parts.Hour = int(time / 3600000);
    parts.Minute = int(time / 60000 % 60);
    parts.Second = int(time / 1000 % 60);
    parts.MilliSecond = int(time % 1000);
    return true;
}

TDateTime EncodeDateTime(const QDate& date, const QTime& time) {
    const double days = double(Epoch().daysTo(date));
    const double fraction = time.isValid() ? time.msecsSinceStartOfDay() / double(kMSecsPerDay) : 0;
    // Before the epoch the time of day counts away from zero, as the day part does.
    return days < 0 ? days - fraction : days + fraction;
}

QDateTime DateTimeToQDateTime(TDateTime value) {
    TDateTimeParts p;
    if (!DecodeDateTime(value, p)) {
        return {};
    }
    return QDateTime(QDate(p.Year, p.Month, p.Day),
                     QTime(p.Hour, p.Minute, p.Second, p.MilliSecond), Qt::LocalTime);
}

TDateTime QDateTimeToDateTime(const QDateTime& value) {
    const QDateTime local = value.toLocalTime();
    return EncodeDateTime(local.date(), local.time());
}

TDateTime QDateToDateTime(const QDate& date) {
    return double(Epoch().daysTo(date));
}

QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& settings) {
    TDateTimeParts parts;
    if (!DecodeDateTime(value, parts)) {
        return {};
    }
    const bool hasTime = parts.Hour || parts.Minute || parts.Second || parts.MilliSecond;
    Formatter formatter(parts, settings, hasTime);
    formatter.Append(format.isEmpty() ? QStringLiteral("c") : format, 0);
    return formatter.Result();
}
