#include "calendar/calendar_time.h"

#include <QDate>

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kJulianDayOf1970 = 2440588;

bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

void AppendNumber(std::string& out, int value, int digits) {
    char text[12];
    int length = 0;
    do {
        text[length++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (; length < digits; ++length) {
        text[length] = '0';
    }
    while (length > 0) {
        out += text[--length];
    }
}

}  // namespace

std::optional<TCalendarTime> ParseCalendarTime(std::string_view value, bool isDate) {
    TCalendarTime result;
    result.IsDate = isDate;
    TCivilTime& t = result.Time;
    if (value.size() < 8 || !Digits(value, 0, 4, t.Year) || !Digits(value, 4, 2, t.Month) ||
        !Digits(value, 6, 2, t.Day) || !QDate(t.Year, t.Month, t.Day).isValid()) {
        return std::nullopt;
    }
    if (isDate) {
        return value.size() == 8 ? std::optional(result) : std::nullopt;
    }
    if (value.size() < 15 || value.size() > 16 || value[8] != 'T' || !Digits(value, 9, 2, t.Hour) ||
        !Digits(value, 11, 2, t.Minute) || !Digits(value, 13, 2, t.Second) || t.Hour > 23 ||
        t.Minute > 59 || t.Second > 59) {
        return std::nullopt;
    }
    if (value.size() == 16) {
        if (value[15] != 'Z') {
            return std::nullopt;
        }
        result.Utc = true;
    }
    return result;
}

void AppendDateTime(std::string& out, const TCivilTime& time, bool utc) {
    AppendNumber(out, time.Year, 4);
    AppendNumber(out, time.Month, 2);
    AppendNumber(out, time.Day, 2);
    out += 'T';
    AppendNumber(out, time.Hour, 2);
    AppendNumber(out, time.Minute, 2);
    AppendNumber(out, time.Second, 2);
    if (utc) {
        out += 'Z';
    }
}

TCivilTime CivilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    const QDate date = QDate::fromJulianDay(days + kJulianDayOf1970);
    return {date.year(),      date.month(),        date.day(),
            int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
}

std::int64_t SecondsFromCivil(const TCivilTime& time) {
    const std::int64_t days =
        QDate(time.Year, time.Month, time.Day).toJulianDay() - kJulianDayOf1970;
    return days * kSecondsPerDay + time.Hour * 3600 + time.Minute * 60 + time.Second;
}
