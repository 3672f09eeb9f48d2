#include "calendar/calendar_time.h"

#include <cstring>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<TCalendarTime> ParseCalendarTime(std::string_view value, bool isDate) {
    const std::size_t size = value.size();
    if (isDate ? size != 8 : size != 15 && size != 16) {
        return std::nullopt;
    }
    const auto digit = [&value](std::size_t at) { return unsigned(value[at]) - unsigned('0'); };
    for (std::size_t at = 0; at < size; ++at) {
        if (at != 8 && at != 15 && digit(at) > 9) {
            return std::nullopt;
        }
    }
    const auto number = [&digit](std::size_t at) { return int(digit(at) * 10 + digit(at + 1)); };
    TCalendarTime result;
    result.IsDate = isDate;
    TCivilTime& t = result.Time;
    t.Year = number(0) * 100 + number(2);
    t.Month = number(4);
    t.Day = number(6);
    if (t.Year == 0 || t.Month < 1 || t.Month > 12 || t.Day < 1 ||
        t.Day > DaysInMonth(t.Year, t.Month)) {
        return std::nullopt;
    }
    if (isDate) {
        return result;
    }
    t.Hour = number(9);
    t.Minute = number(11);
    t.Second = number(13);
    if (value[8] != 'T' || t.Hour > 23 || t.Minute > 59 || t.Second > 59 ||
        (size == 16 && value[15] != 'Z')) {
        return std::nullopt;
    }
    result.Utc = size == 16;
    return result;
}

void AppendDateTime(std::string& out, const TCivilTime& time, bool utc) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char text[16];
    const auto two = [&text](int at, int value) { std::memcpy(text + at, kPairs + 2 * value, 2); };
    two(0, time.Year / 100 % 100);
    two(2, time.Year % 100);
    two(4, time.Month);
    two(6, time.Day);
    text[8] = 'T';
    two(9, time.Hour);
    two(11, time.Minute);
    two(13, time.Second);
    text[15] = 'Z';
    out.append(text, utc ? 16 : 15);
}

// The proleptic Gregorian calendar in whole days, by eras of 400 years that start on
// 1 March, so that the leap day is the last day of a year.
TCivilTime CivilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    TCivilTime time{0, 0, 0, int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
    CivilFromDays(days, time.Year, time.Month, time.Day);
    return time;
}

std::int64_t SecondsFromCivil(const TCivilTime& time) {
    return DaysFromCivil(time.Year, time.Month, time.Day) * kSecondsPerDay + time.Hour * 3600 +
           time.Minute * 60 + time.Second;
}
