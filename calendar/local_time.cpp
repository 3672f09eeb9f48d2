#include "calendar/local_time.h"

#include <QDateTime>

#include "model/date_time.h"

namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;
constexpr std::int64_t kJulianDayOf1970 = 2440588;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The offset of local time at a UTC moment, in seconds: one answer always. Taken from the
// local date and time, as offsetFromUtc() is wrong where the C library calls an offset
// standard time that is not the zone's usual one (London 1968 to 1971).
std::int32_t OffsetAt(std::int64_t msecs) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toLocalTime();
    const std::int64_t wall = (local.date().toJulianDay() - kJulianDayOf1970) * kMSecsPerDay +
                              local.time().msecsSinceStartOfDay();
    return std::int32_t(FloorDiv(wall - msecs, 1000));
}

}  // namespace

TLocalTime::TOffsets TLocalTime::LocalDay(std::int64_t day) {
    const auto found = localDays_.find(day);
    if (found != localDays_.end()) {
        return found->second;
    }
    // Offsets lie within a day of UTC, so these two moments enclose every moment whose
    // local date is this day.
    const TOffsets offsets{OffsetAt((day - 1) * kMSecsPerDay), OffsetAt((day + 2) * kMSecsPerDay)};
    localDays_.emplace(day, offsets);
    return offsets;
}

TLocalTime::TOffsets TLocalTime::UtcDay(std::int64_t day) {
    const auto found = utcDays_.find(day);
    if (found != utcDays_.end()) {
        return found->second;
    }
    const TOffsets offsets{OffsetAt(day * kMSecsPerDay), OffsetAt((day + 1) * kMSecsPerDay - 1)};
    utcDays_.emplace(day, offsets);
    return offsets;
}

bool TLocalTime::Resolve(TDateTime value, TCivilTime& local, std::int64_t& utcSeconds) {
    TDateTimeParts p;
    if (!DecodeDateTime(value, p)) {
        return false;
    }
    local = {p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second};
    const std::int64_t day = QDate(p.Year, p.Month, p.Day).toJulianDay() - kJulianDayOf1970;
    const std::int64_t wall = day * kMSecsPerDay +
                              ((p.Hour * 60 + p.Minute) * 60 + p.Second) * std::int64_t(1000) +
                              p.MilliSecond;
    const TOffsets offsets = LocalDay(day);
    std::int64_t utc = wall - std::int64_t(offsets.before) * 1000;
    if (offsets.after != offsets.before) {
        // The moments this local time stands for under either offset, if it is theirs.
        const std::int64_t early = utc;
        const std::int64_t late = wall - std::int64_t(offsets.after) * 1000;
        const bool earlyShows = OffsetAt(early) == offsets.before;
        const bool lateShows = OffsetAt(late) == offsets.after;
        if (earlyShows && lateShows) {
            utc = std::min(early, late);
        } else if (lateShows) {
            utc = late;
        }
    }
    utcSeconds = utc / 1000;
    return true;
}

TDateTime TLocalTime::FromUtcSeconds(std::int64_t seconds) {
    const std::int64_t msecs = seconds * 1000;
    const TOffsets offsets = UtcDay(FloorDiv(msecs, kMSecsPerDay));
    const std::int32_t offset = offsets.before == offsets.after ? offsets.before : OffsetAt(msecs);
    const std::int64_t local = msecs + std::int64_t(offset) * 1000;
    const std::int64_t day = FloorDiv(local, kMSecsPerDay);
    return EncodeDateTime(QDate::fromJulianDay(day + kJulianDayOf1970),
                          QTime::fromMSecsSinceStartOfDay(int(local - day * kMSecsPerDay)));
}
