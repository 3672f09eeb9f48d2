#pragma once

// The list's dates are local date-times; iCalendar wants UTC for CREATED and COMPLETED.
// These conversions give what QDateTime gives (Qt::LocalTime) at a fraction of its cost:
// the UTC offset is asked of QDateTime once for each day, and the arithmetic does the
// rest. On a day when the offset changes (summer time), each time is looked at on its own.
//
// Where QDateTime gives no answer or a changing one, the rule of RFC 5545 decides: a local
// time in the hour skipped at the start of summer time is taken with the offset from
// before the change (QDateTime calls it invalid), and one in the hour that comes twice at
// its end is its first occurrence (QDateTime's choice depends on the conversions made
// before, by the C library's guess).

#include <cstdint>
#include <memory>

#include "calendar/calendar_time.h"
#include "model/todo_types.h"

// A date value as a local date and time and as a moment.
struct TResolvedTime {
    TCivilTime Local;             // to the second
    std::int64_t LocalDay = 0;    // counted from 1 January 1970
    TDateTime LocalSeconds = 0;   // the same as a date value, without the milliseconds
    std::int64_t UtcSeconds = 0;  // rounded toward zero, as QDateTime::toSecsSinceEpoch
};

class TLocalTime {
public:
    TLocalTime();
    ~TLocalTime();

    // False for a value that is no date.
    bool Resolve(TDateTime value, TResolvedTime& time);
    // The date value of a UTC second in local time, as QDateTimeToDateTime() gives it.
    TDateTime FromUtcSeconds(std::int64_t seconds);

private:
    struct TOffsets {
        std::int32_t before;  // seconds
        std::int32_t after;   // the same when the offset does not change
    };
    // The offsets a day before and two days after the start of a local day; the same
    // around a UTC day, which then has one offset throughout.
    TOffsets LocalDay(std::int64_t day);
    TOffsets UtcDay(std::int64_t day);

    // The days asked for lately, by the low bits of their number.
    struct TCache;
    std::unique_ptr<TCache> local_;
    std::unique_ptr<TCache> utc_;
};
