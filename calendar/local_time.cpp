#include "calendar/local_time.h"

#include <QDateTime>
#include <array>
#include <cmath>

namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// A local date and time as a date value, as EncodeDateTime makes it: before 1899 the time
// of day counts away from zero, as the day does.
TDateTime DateValue(std::int64_t day, std::int64_t msecsOfDay) {
    const double days = double(day + kDaysFrom1899To1970);
    const double fraction = double(msecsOfDay) / double(kMSecsPerDay);
    return days < 0 ? days - fraction : days + fraction;
}

// The offset of local time at a UTC moment, in seconds: one answer always. Taken from the
// local date and time, as offsetFromUtc() is wrong where the C library calls an offset
// standard time that is not the zone's usual one (London 1968 to 1971).
std::int32_t OffsetAt(std::int64_t msecs) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toLocalTime();
    const QDate date = local.date();
    const std::int64_t wall = DaysFromCivil(date.year(), date.month(), date.day()) * kMSecsPerDay +
                              local.time().msecsSinceStartOfDay();
    return std::int32_t(FloorDiv(wall - msecs, 1000));
}

}  // namespace

struct TLocalTime::TCache {
    static constexpr std::size_t kSize = 4096;
    struct TEntry {
        std::int64_t day = INT64_MIN;
        TOffsets offsets{};
    };
    std::array<TEntry, kSize> entries;

    // The offsets of a day, asked of `ask` when the day is not among the ones kept.
    template <typename TAsk>
    TOffsets Get(std::int64_t day, TAsk ask) {
        TEntry& entry = entries[std::size_t(day) % kSize];
        if (entry.day != day) {
            entry = {day, ask()};
        }
        return entry.offsets;
    }
};

TLocalTime::TLocalTime() = default;
TLocalTime::~TLocalTime() = default;

TLocalTime::TOffsets TLocalTime::LocalDay(std::int64_t day) {
    if (!local_) {
        local_ = std::make_unique<TCache>();
    }
    // Offsets lie within a day of UTC, so these two moments enclose every moment whose
    // local date is this day.
    return local_->Get(day, [day] {
        return TOffsets{OffsetAt((day - 1) * kMSecsPerDay), OffsetAt((day + 2) * kMSecsPerDay)};
    });
}

TLocalTime::TOffsets TLocalTime::UtcDay(std::int64_t day) {
    if (!utc_) {
        utc_ = std::make_unique<TCache>();
    }
    return utc_->Get(day, [day] {
        return TOffsets{OffsetAt(day * kMSecsPerDay), OffsetAt((day + 1) * kMSecsPerDay - 1)};
    });
}

bool TLocalTime::Resolve(TDateTime value, TResolvedTime& time) {
    // As DecodeDateTime takes a value apart, without its calendar conversions: the day
    // counts toward zero, and before 1899 the time of day counts away from it.
    constexpr double kMinDate = -657434.0;  // 1 January 0100
    constexpr double kMaxDate = 2958466.0;  // 1 January 10000
    if (!std::isfinite(value) || value < kMinDate || value >= kMaxDate) {
        return false;
    }
    const auto msecs = static_cast<std::int64_t>(std::llround(value * double(kMSecsPerDay)));
    const std::int64_t day = msecs / kMSecsPerDay - kDaysFrom1899To1970;
    const std::int64_t msecsOfDay = std::abs(msecs % kMSecsPerDay);
    const std::int64_t seconds = msecsOfDay / 1000;
    TCivilTime& local = time.Local;
    CivilFromDays(day, local.Year, local.Month, local.Day);
    local.Hour = int(seconds / 3600);
    local.Minute = int(seconds / 60 % 60);
    local.Second = int(seconds % 60);
    time.LocalDay = day;
    time.LocalSeconds = DateValue(day, seconds * 1000);
    const std::int64_t wall = day * kMSecsPerDay + msecsOfDay;
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
    time.UtcSeconds = utc / 1000;
    return true;
}

TDateTime TLocalTime::FromUtcSeconds(std::int64_t seconds) {
    const std::int64_t msecs = seconds * 1000;
    const TOffsets offsets = UtcDay(FloorDiv(msecs, kMSecsPerDay));
    const std::int32_t offset = offsets.before == offsets.after ? offsets.before : OffsetAt(msecs);
    const std::int64_t local = msecs + std::int64_t(offset) * 1000;
    const std::int64_t day = FloorDiv(local, kMSecsPerDay);
    return DateValue(day, local - day * kMSecsPerDay);
}
