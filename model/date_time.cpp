#include "model/date_time.h"

#include <cmath>
#include <cstdint>

#include "model/civil_days.h"

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

// Length of the run of the same letter (case-insensitive) starting at i.
qsizetype Run(const QString& f, qsizetype i, QChar c) {
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

bool StartsWith(const QString& f, qsizetype at, const char* what) {
    const QLatin1String w(what);
    return f.mid(at, w.size()).compare(w, Qt::CaseInsensitive) == 0;
}

// An am/pm marker further on, before the next hour specifier, makes the hour 12-hour.
bool TwelveHourClockAhead(const QString& f, qsizetype from) {
    bool quoted = false;
    for (qsizetype j = from; j < f.size(); ++j) {
        const QChar c = f[j];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (!quoted && (c == QLatin1Char('a') || c == QLatin1Char('A'))) {
            return StartsWith(f, j, "am/pm") || StartsWith(f, j, "a/p") || StartsWith(f, j, "ampm");
        } else if (!quoted && (c == QLatin1Char('h') || c == QLatin1Char('H'))) {
            return false;
        }
    }
    return false;
}

QString Quoted(const QString& literal) {
    const QChar quote = literal.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
    return quote + literal + quote;
}

class Formatter {
public:
    Formatter(const TDateTimeParts& parts, const TFormatSettings& settings, bool hasTime)
        : p_(parts), s_(settings), hasTime_(hasTime) {}

    void Append(const QString& format, int depth) {
        if (depth > 2) {
            return;  // nested ddddd/c/t inside their own expansion
        }
        for (const TDatePatternPart& part : ParseDatePattern(format)) {
            Append(part, depth);
        }
    }

    QString Result() const { return out_; }

private:
    void Append(const TDatePatternPart& part, int depth) {
        const int count = part.Count;
        switch (part.Kind) {
            case TDatePatternPart::dpLiteral:
                out_ += part.Text;
                break;
            case TDatePatternPart::dpYear:
                out_ += count <= 2 ? Number(p_.Year % 100, 2) : Number(p_.Year, 4);
                break;
            case TDatePatternPart::dpMonth:
                if (count <= 2) {
                    out_ += Number(p_.Month, count);
                } else if (count == 3) {
                    out_ += s_.ShortMonthNames[p_.Month - 1];
                } else {
                    out_ += s_.LongMonthNames[p_.Month - 1];
                }
                break;
            case TDatePatternPart::dpDay:
                if (count <= 2) {
                    out_ += Number(p_.Day, count);
                } else if (count == 3) {
                    out_ += s_.ShortDayNames[p_.DayOfWeek - 1];
                } else if (count == 4) {
                    out_ += s_.LongDayNames[p_.DayOfWeek - 1];
                } else {
                    Append(count == 5 ? s_.ShortDateFormat : s_.LongDateFormat, depth + 1);
                }
                break;
            case TDatePatternPart::dpHour: {
                int hour = p_.Hour;
                if (part.TwelveHour) {
                    hour = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
                }
                out_ += Number(hour, count > 1 ? 2 : 1);
                break;
            }
            case TDatePatternPart::dpMinute:
                out_ += Number(p_.Minute, count > 1 ? 2 : 1);
                break;
            case TDatePatternPart::dpSecond:
                out_ += Number(p_.Second, count > 1 ? 2 : 1);
                break;
            case TDatePatternPart::dpMilliSecond:
                out_ += Number(p_.MilliSecond, count > 1 ? 3 : 1);
                break;
            case TDatePatternPart::dpTime:
                Append(count == 1 ? s_.ShortTimeFormat : s_.LongTimeFormat, depth + 1);
                break;
            case TDatePatternPart::dpDateTime:
                Append(s_.ShortDateFormat, depth + 1);
                if (hasTime_) {
                    out_ += QLatin1Char(' ');
                    Append(s_.LongTimeFormat, depth + 1);
                }
                break;
            case TDatePatternPart::dpAmPm: {
                const bool pm = p_.Hour >= 12;
                if (part.Text.size() == 5) {  // am/pm
                    out_ += pm ? part.Text.mid(3, 2) : part.Text.left(2);
                } else if (part.Text.size() == 3) {  // a/p
                    out_ += pm ? part.Text[2] : part.Text[0];
                } else {
                    out_ += pm ? s_.TimePMString : s_.TimeAMString;
                }
                break;
            }
            case TDatePatternPart::dpDateSeparator:
                out_ += s_.DateSeparator;
                break;
            case TDatePatternPart::dpTimeSeparator:
                out_ += s_.TimeSeparator;
                break;
        }
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
    CivilFromDays(days - kDaysFrom1899To1970, parts.Year, parts.Month, parts.Day);
    // 30 December 1899 was a Saturday.
    parts.DayOfWeek = int((days % 7 + 7) % 7 + 6) % 7 + 1;
    parts.Hour = int(time / 3600000);
    parts.Minute = int(time / 60000 % 60);
    parts.Second = int(time / 1000 % 60);
    parts.MilliSecond = int(time % 1000);
    return true;
}

TDateTime EncodeDateTime(const TDateTimeParts& parts) {
    const double days =
        double(DaysFromCivil(parts.Year, parts.Month, parts.Day) + kDaysFrom1899To1970);
    const std::int64_t msecs =
        ((parts.Hour * 60 + parts.Minute) * 60 + parts.Second) * 1000 + parts.MilliSecond;
    const double fraction = double(msecs) / double(kMSecsPerDay);
    return days < 0 ? days - fraction : days + fraction;
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

TDatePattern ParseDatePattern(const QString& format) {
    using P = TDatePatternPart;
    TDatePattern parts;
    const qsizetype n = format.size();
    qsizetype i = 0;
    QChar lastToken;
    auto literal = [&parts](QString text, bool quoted) {
        P part;
        part.Text = std::move(text);
        part.Quoted = quoted;
        parts.push_back(std::move(part));
    };
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
        auto field = [&](P::TKind kind) {
            P part;
            part.Kind = kind;
            part.Count = static_cast<int>(count);
            if (kind == P::dpHour) {
                part.TwelveHour = TwelveHourClockAhead(format, i + count);
            }
            parts.push_back(std::move(part));
            i += count;
        };
        switch (token.unicode()) {
            case 'Y':
                field(P::dpYear);
                break;
            case 'M':
                field(P::dpMonth);
                break;
            case 'D':
                field(P::dpDay);
                break;
            case 'H':
                field(P::dpHour);
                break;
            case 'N':
                field(P::dpMinute);
                break;
            case 'S':
                field(P::dpSecond);
                break;
            case 'Z':
                field(P::dpMilliSecond);
                break;
            case 'T':
                field(P::dpTime);
                break;
            case 'C': {
                // Each c is a date and time of its own.
                P part;
                part.Kind = P::dpDateTime;
                parts.push_back(std::move(part));
                ++i;
                break;
            }
            case 'A': {
                qsizetype length = 0;
                if (StartsWith(format, i, "am/pm")) {
                    length = 5;
                } else if (StartsWith(format, i, "a/p")) {
                    length = 3;
                } else if (StartsWith(format, i, "ampm")) {
                    length = 4;
                }
                if (length == 0) {
                    literal(QString(c), false);
                    ++i;
                    break;
                }
                P part;
                part.Kind = P::dpAmPm;
                if (length != 4) {
                    part.Text = format.mid(i, length);
                }
                parts.push_back(std::move(part));
                i += length;
                break;
            }
            case '/':
            case ':': {
                P part;
                part.Kind = c == QLatin1Char('/') ? P::dpDateSeparator : P::dpTimeSeparator;
                parts.push_back(std::move(part));
                ++i;
                break;
            }
            case '\'':
            case '"': {
                const qsizetype end = format.indexOf(c, i + 1);
                const qsizetype stop = end < 0 ? n : end;
                literal(format.mid(i + 1, stop - i - 1), true);
                i = end < 0 ? n : end + 1;
                break;
            }
            default:
                literal(QString(c), false);
                ++i;
                break;
        }
    }
    return parts;
}

QString DatePatternText(const TDatePattern& pattern) {
    using P = TDatePatternPart;
    QString out;
    for (const P& part : pattern) {
        auto letters = [&out, &part](char letter) {
            out += QString(part.Count, QLatin1Char(letter));
        };
        switch (part.Kind) {
            case P::dpLiteral:
                out += part.Quoted ? Quoted(part.Text) : part.Text;
                break;
            case P::dpYear:
                letters('y');
                break;
            case P::dpMonth:
                letters('m');
                break;
            case P::dpDay:
                letters('d');
                break;
            case P::dpHour:
                letters('h');
                break;
            case P::dpMinute:
                letters('n');
                break;
            case P::dpSecond:
                letters('s');
                break;
            case P::dpMilliSecond:
                letters('z');
                break;
            case P::dpTime:
                letters('t');
                break;
            case P::dpDateTime:
                out += QLatin1Char('c');
                break;
            case P::dpAmPm:
                out += part.Text.isEmpty() ? QStringLiteral("ampm") : part.Text;
                break;
            case P::dpDateSeparator:
                out += QLatin1Char('/');
                break;
            case P::dpTimeSeparator:
                out += QLatin1Char(':');
                break;
        }
    }
    return out;
}
