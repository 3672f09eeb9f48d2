#pragma once

// iCalendar DATE and DATE-TIME values (RFC 5545, 3.3.4 and 3.3.5) and whole-second UTC
// instants: 20240501, 20240501T093000 (floating), 20240501T073000Z (UTC).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/civil_days.h"  // DaysFromCivil, CivilFromDays

struct TCivilTime {
    int Year = 1970, Month = 1, Day = 1;
    int Hour = 0, Minute = 0, Second = 0;
    friend bool operator==(const TCivilTime&, const TCivilTime&) = default;
};

struct TCalendarTime {
    TCivilTime Time;
    bool IsDate = false;  // a DATE: no time of day
    bool Utc = false;     // ends in Z
};

// A DATE (`isDate`, as VALUE=DATE says) or DATE-TIME value; nullopt for anything else,
// a day or time that does not exist among them.
std::optional<TCalendarTime> ParseCalendarTime(std::string_view value, bool isDate);

// Appends YYYYMMDDTHHMMSS, with Z for UTC; the year must be 0 to 9999.
void AppendDateTime(std::string& out, const TCivilTime& time, bool utc);

// The UTC date and time of a second counted from 1970 (negative before), and back.
TCivilTime CivilFromSeconds(std::int64_t seconds);
std::int64_t SecondsFromCivil(const TCivilTime& time);
